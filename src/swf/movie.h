// Reading a movie file: the container (plain, zlib or LZMA), the header and
// the top-level tag list. Nothing here throws: a movie that cannot be read
// comes back with a diagnostic that says what and where, and problems that
// leave the movie playable go to the caller's log callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/diagnostic.h"
#include "swf/geometry.h"

namespace strandel::swf {

enum class Container { FWS, CWS, ZWS };

// One tag: its code and where its body lies (offset into the bytes it was read from).
struct TagRecord {
  std::uint16_t code = 0;
  std::size_t offset = 0;
  std::size_t length = 0;
};

struct Movie {
  Container container = Container::FWS;
  std::uint8_t version = 0;
  std::uint32_t declared_length = 0;
  Rect stage;
  double frame_rate = 0;
  std::uint16_t frame_count = 0;
  std::optional<Rgba> background;
  std::vector<std::uint8_t> data;  // the whole file, uncompressed, header included
  std::vector<TagRecord> tags;     // top level, file order; offsets into data
  std::string path;                // the file it was read from; empty when read from memory

  std::span<const std::uint8_t> body(const TagRecord& tag) const;
};

struct LoadResult {
  std::shared_ptr<const Movie> movie;  // null when rejected
  Diagnostic error;                    // why, when rejected
};

LoadResult read_movie(std::span<const std::uint8_t> file, const LogCallback& log = {});
LoadResult load_movie_file(const std::string& path, const LogCallback& log = {});

// A tag stream (the top level, or the inside of a DefineSprite), up to and
// including its End tag. A tag whose length runs past the bytes ends the list
// with a problem; the tags before it stand.
struct TagList {
  std::vector<TagRecord> tags;  // offsets relative to the start of the bytes
  std::optional<Diagnostic> problem;  // offsets in it relative to the bytes too
};
TagList read_tag_list(std::span<const std::uint8_t> bytes);

// The body of a tag read by read_tag_list from the same bytes; empty when it
// does not lie inside them.
std::span<const std::uint8_t> tag_body(std::span<const std::uint8_t> bytes, const TagRecord& tag);

// Largest movie this program will hold in memory, after decompression.
inline constexpr std::size_t kMaxMovieBytes = 256u << 20;

}  // namespace strandel::swf
