// What went wrong while reading or playing a movie, as a value: the reader,
// the dictionary and the player report through one typed channel, and the
// caller decides whether and where to print. Nothing below the launcher
// writes to stderr itself, and nothing compares these texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace strandel::swf {

enum class DiagnosticKind {
  NotAMovie,    // signature or header: the file is not read at all
  Truncated,    // a stream or record ends before its length says
  Corrupt,      // compressed data that does not decode
  OverLimit,    // a size or count beyond one of this program's caps
  Unsupported,  // well-formed, but a format this program does not read
  Malformed,    // a value a record may not hold
  System,       // the file cannot be opened or read, memory ran out
};

struct Diagnostic {
  DiagnosticKind kind = DiagnosticKind::Malformed;
  std::optional<std::uint16_t> tag;   // the tag's code, when the problem lies in one tag
  std::optional<std::size_t> offset;  // bytes into the uncompressed movie
  std::string text;                   // what, for a person: "record ends early"

  // One line: "DefineShape3 at offset 4312: style count exceeds the data".
  std::string message() const;
};

using LogCallback = std::function<void(const Diagnostic&)>;

}  // namespace strandel::swf
