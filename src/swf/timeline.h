// A timeline: a tag stream (the movie's, or a sprite's) cut into frames,
// with its frame labels. Parsed once per character and shared by every
// instance of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "swf/movie.h"

namespace strandel::swf {

// A timeline's frame number is a u16.
inline constexpr std::size_t kMaxFrames = 65535;

class Timeline {
 public:
  // Frame i is tags[frame_start[i] .. frame_start[i + 1]). Tags after the
  // last ShowFrame make one more frame; no tags at all make one empty frame.
  Timeline(std::span<const std::uint8_t> bytes, std::vector<TagRecord> tags, bool is_main);

  std::uint16_t frames() const { return static_cast<std::uint16_t>(frame_start_.size() - 1); }
  std::span<const TagRecord> frame_tags(std::uint16_t index) const;
  std::span<const std::uint8_t> body(const TagRecord& t) const { return tag_body(bytes_, t); }
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  const std::vector<TagRecord>& tags() const { return tags_; }
  // The 0-based frame a label names, in any case: the first such label at
  // or after frame `from` (a scene's first frame).
  std::optional<std::uint16_t> label(std::string_view name, std::uint16_t from = 0) const;
  bool is_main() const { return is_main_; }
  bool has_stream() const { return has_stream_; }

 private:
  void add_label(const TagRecord& t);

  std::span<const std::uint8_t> bytes_;  // tag offsets are relative to these
  std::vector<TagRecord> tags_;
  std::vector<std::size_t> frame_start_{0};
  std::multimap<std::string, std::uint16_t> labels_;  // lower case, in frame order
  bool is_main_ = false;
  bool has_stream_ = false;  // holds a SoundStreamHead
};

}  // namespace strandel::swf
