// A small interpreter for ActionScript 1 action blocks (DoAction, button and
// clip actions): the stack operations and the timeline and URL actions that
// launcher movies use. Every other action is skipped by its length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace strandel::swf {

// What an action block can do to the timeline it belongs to.
class TimelineControl {
 public:
  virtual ~TimelineControl() = default;
  virtual void stop() = 0;
  virtual void play() = 0;
  virtual void goto_frame(std::uint32_t index) = 0;  // 0-based
  virtual void goto_label(const std::string& label) = 0;
  virtual void next_frame() = 0;
  virtual void prev_frame() = 0;
  virtual void get_url(const std::string& url, const std::string& target) = 0;
  virtual void stop_sounds() {}  // stopAllSounds
};

// A value on the interpreter's stack.
struct ActionValue {
  enum class Kind { Undefined, Null, Boolean, Number, String };
  Kind kind = Kind::Undefined;
  bool boolean = false;
  double number = 0;
  std::string string;

  static ActionValue of(double n) { return {Kind::Number, false, n, {}}; }
  static ActionValue of(std::string s) { return {Kind::String, false, 0, std::move(s)}; }
  static ActionValue of_bool(bool b) { return {Kind::Boolean, b, 0, {}}; }
  static ActionValue null() { return {Kind::Null, false, 0, {}}; }
};

// The value as a string, as the movie's version prints it: undefined is ""
// before version 7 and "undefined" from version 7 on.
std::string to_string(const ActionValue& v, std::uint8_t swf_version);
bool to_boolean(const ActionValue& v, std::uint8_t swf_version);

struct ActionRun {
  std::size_t records = 0;  // action records executed
  std::string stopped;      // why the block ended before its End action; empty otherwise
};

// Upper bound on the records one block may execute, so no block can hang.
inline constexpr std::size_t kMaxActionRecords = 100000;

// Runs one action block against its timeline. Never throws on bad input: a
// record that runs past the block ends the block.
ActionRun run_actions(std::span<const std::uint8_t> block, TimelineControl& timeline,
                      std::uint8_t swf_version);

// "FSCommand:" in any capitalisation starts a url that is a command to the host.
bool is_fscommand(const std::string& url);
inline constexpr std::size_t kFsCommandPrefixLength = 10;

}  // namespace strandel::swf
