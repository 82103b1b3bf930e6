// Fuzzes the player: loads the bytes as a movie and plays a bounded number
// of frames, running its actions and its sprites' timelines. The input is
// also run as a bare action block.
#include <cstddef>
#include <cstdint>
#include <string>

#include "swf/actions.h"
#include "swf/player.h"

namespace {

class NullTimeline : public strandel::swf::TimelineControl {
 public:
  void stop() override {}
  void play() override {}
  void goto_frame(std::uint32_t) override {}
  void goto_label(const std::string&) override {}
  void next_frame() override {}
  void prev_frame() override {}
  void get_url(const std::string&, const std::string&) override {}
};

constexpr int kFrames = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  NullTimeline timeline;
  strandel::swf::run_actions({data, size}, timeline, data && size ? data[0] : 6);
  auto r = strandel::swf::read_movie({data, size});
  if (!r.movie) return 0;
  strandel::swf::Player player(r.movie);
  player.on_fscommand([](const std::string&, const std::string&) {});
  for (int i = 0; i < kFrames; ++i) {
    player.advance();
    player.take_dirty();
    if (!player.is_animating()) break;
  }
  return 0;
}
