#include "swf/mp3_file.h"

#include <array>

namespace strandel::swf {

namespace {

// Audio frames counted at most: over three hours at 44.1 kHz.
constexpr std::uint32_t kMaxAudioFrames = 1u << 20;

std::uint32_t syncsafe(const std::uint8_t* p) {
  return (std::uint32_t(p[0] & 0x7f) << 21) | (std::uint32_t(p[1] & 0x7f) << 14) |
         (std::uint32_t(p[2] & 0x7f) << 7) | std::uint32_t(p[3] & 0x7f);
}

std::uint32_t big_endian(const std::uint8_t* p, int n) {
  std::uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

void append_utf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xc0 | (c >> 6));
    out += char(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    out += char(0xe0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3f));
    out += char(0x80 | (c & 0x3f));
  } else {
    out += char(0xf0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3f));
    out += char(0x80 | ((c >> 6) & 0x3f));
    out += char(0x80 | (c & 0x3f));
  }
}

// A string of the given ID3 text encoding from the start of `in`, up to its
// terminator or the end; `in` is moved past the terminator. A UTF-16
// string without its byte-order mark keeps the order of the one before it
// (`little`).
std::string read_id3_text(std::uint8_t encoding, std::span<const std::uint8_t>& in, bool& little) {
  std::string out;
  if (encoding == 1 || encoding == 2) {  // UTF-16 with a byte-order mark, or big-endian
    if (encoding == 2) little = false;
    std::size_t i = 0;
    if (encoding == 1 && in.size() >= 2 &&
        ((in[0] == 0xff && in[1] == 0xfe) || (in[0] == 0xfe && in[1] == 0xff))) {
      little = in[0] == 0xff;
      i = 2;
    }
    std::uint32_t high = 0;
    for (; i + 1 < in.size(); i += 2) {
      std::uint32_t unit = little ? (in[i] | (in[i + 1] << 8)) : ((in[i] << 8) | in[i + 1]);
      if (unit == 0) {
        i += 2;
        break;
      }
      if (unit >= 0xd800 && unit < 0xdc00) {
        high = unit;
        continue;
      }
      if (unit >= 0xdc00 && unit < 0xe000 && high)
        unit = 0x10000 + ((high - 0xd800) << 10) + (unit - 0xdc00);
      high = 0;
      append_utf8(out, unit);
    }
    in = in.subspan(std::min(i, in.size()));
    return out;
  }
  std::size_t i = 0;
  for (; i < in.size() && in[i] != 0; ++i) {
    if (encoding == 3)
      out += char(in[i]);  // UTF-8 already
    else
      append_utf8(out, in[i]);  // Latin-1
  }
  in = in.subspan(std::min(i + 1, in.size()));
  return out;
}

// The text of a T*** frame, or of a COMM frame (past its language and
// description).
std::string frame_text(const std::string& id, std::span<const std::uint8_t> body) {
  bool little = false;
  if (body.empty()) return {};
  std::uint8_t encoding = body[0];
  body = body.subspan(1);
  if (id == "COMM" || id == "COM") {
    body = body.subspan(std::min<std::size_t>(3, body.size()));
    read_id3_text(encoding, body, little);  // the description
  }
  return read_id3_text(encoding, body, little);
}

// Reads an ID3v2 tag at the start of `bytes`; returns its size (0: none).
std::size_t read_id3(std::span<const std::uint8_t> bytes, Mp3File& file) {
  if (bytes.size() < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') return 0;
  unsigned major = bytes[3];
  std::size_t size = 10 + std::size_t(syncsafe(&bytes[6])) + ((bytes[5] & 0x10) ? 10 : 0);
  if (major < 2 || major > 4) return std::min(size, bytes.size());
  file.has_id3 = true;
  std::span<const std::uint8_t> tag = bytes.subspan(10, std::min(size, bytes.size()) - 10);
  std::size_t id_size = major == 2 ? 3 : 4, header = major == 2 ? 6 : 10;
  while (tag.size() >= header && tag[0] != 0 && file.id3.size() < kMaxId3Frames) {
    std::string id(tag.begin(), tag.begin() + id_size);
    std::size_t length = major == 2   ? big_endian(&tag[3], 3)
                         : major == 4 ? syncsafe(&tag[4])
                                      : big_endian(&tag[4], 4);
    if (length > tag.size() - header) break;
    std::span<const std::uint8_t> body = tag.subspan(header, length);
    bool text = id[0] == 'T' && id != "TXXX" && id != "TXX";
    if (text || id == "COMM" || id == "COM") file.id3.push_back({id, frame_text(id, body)});
    tag = tag.subspan(header + length);
  }
  return std::min(size, bytes.size());
}

// The sample rate and samples of an MPEG audio frame header, and the
// frame's length in bytes; false when the four bytes are not one.
bool read_frame_header(const std::uint8_t* p, std::uint32_t& rate, std::uint32_t& samples,
                       std::size_t& length, bool& stereo) {
  static constexpr std::array<std::array<std::uint16_t, 16>, 2> kLayer3Kbps{{
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},  // MPEG-1
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},      // MPEG-2, 2.5
  }};
  static constexpr std::array<std::uint32_t, 3> kRates{44100, 48000, 32000};
  if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0) return false;
  unsigned version = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3;
  unsigned bitrate_index = p[2] >> 4, rate_index = (p[2] >> 2) & 3, padding = (p[2] >> 1) & 1;
  if (version == 1 || layer != 1 || rate_index == 3 || bitrate_index == 0 || bitrate_index == 15)
    return false;  // only Layer III frames of a known rate and bit rate
  bool mpeg1 = version == 3;
  rate = kRates[rate_index] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  samples = mpeg1 ? 1152 : 576;
  std::uint32_t bits = kLayer3Kbps[mpeg1 ? 0 : 1][bitrate_index] * 1000u;
  length = (mpeg1 ? 144 : 72) * bits / rate + padding;
  stereo = (p[3] >> 6) != 3;  // every channel mode but mono
  return true;
}

}  // namespace

Mp3File read_mp3_file(std::span<const std::uint8_t> bytes) {
  Mp3File file;
  std::size_t at = read_id3(bytes, file);
  std::uint32_t frames = 0;
  while (at + 4 <= bytes.size() && frames < kMaxAudioFrames) {
    std::uint32_t rate = 0, samples = 0;
    std::size_t length = 0;
    bool stereo = false;
    if (!read_frame_header(&bytes[at], rate, samples, length, stereo) || length < 4) {
      ++at;  // junk between frames: look for the next header
      continue;
    }
    if (file.rate == 0) {
      file.rate = rate;
      file.stereo = stereo;
    }
    file.samples += samples;
    ++frames;
    at += length;
  }
  file.valid = frames > 0;
  return file;
}

}  // namespace strandel::swf
