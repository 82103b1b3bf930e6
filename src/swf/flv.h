// Video files (FLV) that scripts play through a NetStream: a header, then
// tags of audio, video and script data, each stamped with the millisecond
// it plays at. The reader keeps the video packets and the script data; the
// sound of a file is not played.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace strandel::swf {

// Tags read from one file; a file with more has the rest ignored (frames
// are numbered with 16 bits where they are decoded, video.h).
inline constexpr std::size_t kMaxFlvTags = 65535;

struct FlvVideoTag {
  std::uint32_t time_ms = 0;
  std::uint8_t codec = 0;  // as DefineVideoStream numbers them
  bool key = false;        // decodable without the frames before it
  // The codec's packet as a movie's VideoFrame holds it (for VP6, without
  // the byte of crop sizes the file puts first).
  std::span<const std::uint8_t> packet;
};

struct FlvScriptTag {
  std::uint32_t time_ms = 0;
  std::span<const std::uint8_t> data;  // AMF0 values: a name, then its argument
};

struct FlvFile {
  std::vector<FlvVideoTag> video;
  std::vector<FlvScriptTag> scripts;
  std::uint32_t last_time_ms = 0;  // of the last tag read
  bool truncated = false;          // the file ends inside a tag
};

// The tags of a file, pointing into `bytes`; nothing when the bytes are not
// a video file. Tags run in file order; a tag cut short ends the list.
std::optional<FlvFile> read_flv(std::span<const std::uint8_t> bytes);

}  // namespace strandel::swf
