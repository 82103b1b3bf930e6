// Fuzzes the script machine: the input's first byte picks the movie version,
// the rest is an action block put in a real movie's first frame (and again in
// a sprite's), which then plays a few frames.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avm1/machine.h"
#include "swf/movie.h"
#include "swf/player.h"

namespace {

constexpr int kFrames = 4;
// A runaway script stops after this many actions here rather than the
// player's far larger budget, so an endless loop is a quick input.
constexpr std::uint64_t kActionsPerFrame = 200000;

void tag(std::vector<std::uint8_t>& out, std::uint16_t code,
         const std::vector<std::uint8_t>& body) {
  std::uint16_t header = static_cast<std::uint16_t>((code << 6) | 0x3F);
  out.push_back(header & 0xFF);
  out.push_back(header >> 8);
  std::uint32_t n = static_cast<std::uint32_t>(body.size());
  for (int i = 0; i < 4; ++i) out.push_back((n >> (8 * i)) & 0xFF);
  out.insert(out.end(), body.begin(), body.end());
}

std::vector<std::uint8_t> movie_with(std::uint8_t version, const std::uint8_t* code,
                                     std::size_t size) {
  std::vector<std::uint8_t> m = {'F', 'W', 'S', version, 0, 0, 0, 0};
  // RECT with 15-bit fields: 0..4000 twips square; then 12 fps and 2 frames.
  const std::uint8_t rect[] = {0x78, 0x00, 0x01, 0xF4, 0x00, 0x00, 0x07, 0xD0, 0x00};
  m.insert(m.end(), std::begin(rect), std::end(rect));
  m.insert(m.end(), {0x00, 0x0C, 0x02, 0x00});
  std::vector<std::uint8_t> block(code, code + size);
  block.push_back(0);
  // A sprite (id 1) whose only frame runs the same block, placed at depth 1.
  std::vector<std::uint8_t> sprite = {0x01, 0x00, 0x01, 0x00};
  tag(sprite, 12, block);
  tag(sprite, 1, {});
  tag(sprite, 0, {});
  tag(m, 39, sprite);
  tag(m, 26, {0x22, 0x01, 0x00, 0x01, 0x00, 'c', 0});  // PlaceObject2: character 1, named "c"
  tag(m, 12, block);
  tag(m, 1, {});
  tag(m, 12, block);
  tag(m, 1, {});
  tag(m, 0, {});
  std::uint32_t n = static_cast<std::uint32_t>(m.size());
  for (int i = 0; i < 4; ++i) m[4 + i] = (n >> (8 * i)) & 0xFF;
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint8_t version = static_cast<std::uint8_t>(4 + data[0] % 7);
  auto bytes = movie_with(version, data + 1, size - 1);
  auto r = strandel::swf::read_movie(bytes);
  if (!r.movie) return 0;
  strandel::swf::Player player(r.movie);
  player.machine().actions_per_frame = kActionsPerFrame;
  player.on_fscommand([](const std::string&, const std::string&) {});
  for (int i = 0; i < kFrames; ++i) player.advance();
  return 0;
}
