// The pointer over a movie's button: states and the actions each transition
// runs, on a movie written for the test.
#include <gtest/gtest.h>

#include "swf/movie.h"
#include "swf/player.h"
#include "swfwriter/swfwriter.h"

namespace strandel::swf {
namespace {

// A 2000 × 1000 twip button at (1000, 1000) on a 400 × 300 px stage, with a
// command for each of press, release inside and release outside.
std::shared_ptr<const Movie> button_movie() {
  swfw::Movie m(8, 400, 300, 12);
  m.define_shape(1, swfw::rect_shape(2000, 1000, swfw::rgb(0, 0, 255)));
  swfw::Button b;
  b.records.push_back({});
  b.records.back().character = 1;
  b.actions.push_back({swfw::cond::release, swfw::Actions().fscommand("quit", "released")});
  b.actions.push_back({swfw::cond::press, swfw::Actions().fscommand("pressed", "")});
  b.actions.push_back({swfw::cond::OutDownToIdle, swfw::Actions().fscommand("outside", "")});
  m.define_button2(2, b);
  m.place(1, 2, swfw::Matrix::translate(1000, 1000));
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  std::vector<std::uint8_t> bytes = m.bytes(swfw::Container::FWS);
  LoadResult loaded = read_movie(bytes);
  EXPECT_TRUE(loaded.movie) << loaded.error.message();
  return loaded.movie;
}

struct Buttons : ::testing::Test {
  Buttons() : player(button_movie()) {
    player.on_fscommand([this](const std::string& c, const std::string& a) {
      commands.push_back(c + ":" + a);
    });
    player.advance();
  }
  ButtonState state() { return player.display_list().at(script_depth(1))->button_state; }

  Player player;
  std::vector<std::string> commands;
};

TEST_F(Buttons, OverDownAndReleaseInsideSendTheCommand) {
  EXPECT_FALSE(player.pointer_move(100, 100));  // outside
  EXPECT_FALSE(player.over_button());
  EXPECT_TRUE(player.pointer_move(1500, 1500));
  EXPECT_TRUE(player.over_button());
  EXPECT_EQ(state(), ButtonState::Over);
  EXPECT_FALSE(player.pointer_move(1600, 1600));  // still over the same button
  EXPECT_TRUE(player.pointer_down());
  EXPECT_EQ(state(), ButtonState::Down);
  EXPECT_TRUE(player.pointer_up());
  EXPECT_EQ(state(), ButtonState::Over);
  EXPECT_EQ(commands, (std::vector<std::string>{"pressed:", "quit:released"}));
  EXPECT_TRUE(player.pointer_leave());
  EXPECT_EQ(state(), ButtonState::Up);
}

TEST_F(Buttons, DraggingOutAndReleasingOutsideRunsOnlyTheOutsideActions) {
  player.pointer_move(1500, 1500);
  player.pointer_down();
  EXPECT_TRUE(player.pointer_move(100, 100));
  EXPECT_EQ(state(), ButtonState::Over);  // held, pointer outside
  EXPECT_TRUE(player.pointer_move(1500, 1500));
  EXPECT_EQ(state(), ButtonState::Down);  // back over it
  player.pointer_move(100, 100);
  player.pointer_up();
  EXPECT_EQ(state(), ButtonState::Up);
  EXPECT_EQ(commands, (std::vector<std::string>{"pressed:", "outside:"}));
}

TEST_F(Buttons, PressOutsideAnyButtonDoesNothing) {
  player.pointer_move(100, 100);
  EXPECT_FALSE(player.pointer_down());
  player.pointer_move(1500, 1500);  // pointer arrives with the mouse button held elsewhere
  EXPECT_FALSE(player.pointer_up());
  EXPECT_TRUE(commands.empty());
}

}  // namespace
}  // namespace strandel::swf
