#include "swf/flv.h"

#include <algorithm>

namespace strandel::swf {

namespace {

constexpr std::uint8_t kVideoTag = 9, kScriptTag = 18;
constexpr std::size_t kTagHeaderBytes = 11, kBackPointerBytes = 4, kHeaderBytes = 9;
// Frame type 5 carries a command to the player, not a picture.
constexpr int kCommandFrame = 5;

std::uint32_t big_endian(std::span<const std::uint8_t> b) {
  std::uint32_t v = 0;
  for (std::uint8_t byte : b) v = (v << 8) | byte;
  return v;
}

// A video tag's body: frame type and codec in its first byte, then the
// packet. False when it holds no picture.
bool read_video(std::span<const std::uint8_t> body, FlvVideoTag& tag) {
  if (body.empty()) return false;
  int frame_type = body[0] >> 4;
  tag.codec = body[0] & 0x0f;
  tag.key = frame_type == 1;
  std::size_t skip = 1;
  if (tag.codec == 4 || tag.codec == 5) ++skip;  // VP6: the crop byte
  if (frame_type == kCommandFrame || body.size() <= skip) return false;
  tag.packet = body.subspan(skip);
  return true;
}

}  // namespace

std::optional<FlvFile> read_flv(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderBytes || bytes[0] != 'F' || bytes[1] != 'L' || bytes[2] != 'V')
    return std::nullopt;
  std::uint32_t data_offset = big_endian(bytes.subspan(5, 4));
  if (data_offset < kHeaderBytes || data_offset > bytes.size()) return std::nullopt;
  FlvFile file;
  std::size_t at = std::size_t(data_offset) + kBackPointerBytes;
  for (std::size_t tags = 0; at < bytes.size() && tags < kMaxFlvTags; ++tags) {
    if (bytes.size() - at < kTagHeaderBytes) {
      file.truncated = true;
      break;
    }
    auto header = bytes.subspan(at, kTagHeaderBytes);
    std::uint8_t type = header[0] & 0x1f;  // the upper bits mark encrypted tags
    std::size_t size = big_endian(header.subspan(1, 3));
    std::uint32_t time = big_endian(header.subspan(4, 3)) | (std::uint32_t(header[7]) << 24);
    at += kTagHeaderBytes;
    if (bytes.size() - at < size) {
      file.truncated = true;
      break;
    }
    auto body = bytes.subspan(at, size);
    at += size + kBackPointerBytes;
    file.last_time_ms = std::max(file.last_time_ms, time);
    if (type == kVideoTag) {
      FlvVideoTag tag;
      tag.time_ms = time;
      if (read_video(body, tag)) file.video.push_back(tag);
    } else if (type == kScriptTag) {
      file.scripts.push_back({time, body});
    }  // audio and unknown tags are passed over
  }
  return file;
}

}  // namespace strandel::swf
