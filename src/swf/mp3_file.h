// What a script needs to know of an MP3 file it loads: how long it plays
// (from its MPEG audio frame headers) and the text of its ID3v2 tag.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace strandel::swf {

// Frames of an ID3v2 tag read at most; a tag claiming more is cut there.
inline constexpr std::size_t kMaxId3Frames = 256;

// One text frame of the tag, in file order: its four-letter id ("TIT2",
// "COMM"; version 2.2's three-letter ids are given as read) and its text
// as UTF-8.
struct Id3Frame {
  std::string id;
  std::string text;
};

struct Mp3File {
  bool valid = false;         // at least one audio frame was found
  std::uint32_t samples = 0;  // per channel, all frames together
  std::uint32_t rate = 0;     // samples a second, of the first frame
  bool stereo = false;        // the first frame's channels
  bool has_id3 = false;       // an ID3v2 tag leads the file
  std::vector<Id3Frame> id3;  // its text frames (T***) and comments (COMM)
  double duration_ms() const { return rate ? samples * 1000.0 / rate : 0; }
};

// Reads what it can; damaged or truncated data ends the reading there.
Mp3File read_mp3_file(std::span<const std::uint8_t> bytes);

}  // namespace strandel::swf
