// The timeline player on movies written with swfwriter: frames, placements,
// loops, gotos, sprites, FSCommands and the bounds on hostile movies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/player.h"
#include "swf/tags.h"
#include "swfwriter/swfwriter.h"

namespace strandel::swf {
namespace {

using Calls = std::vector<std::string>;

std::shared_ptr<const Movie> load(const swfw::Movie& m) {
  auto r = read_movie(m.bytes());
  EXPECT_TRUE(r.movie) << r.error.message();
  return r.movie;
}

// A player whose FSCommands are recorded as "command args".
struct Harness {
  explicit Harness(const swfw::Movie& m) : player(load(m)) {
    player.on_fscommand([this](const std::string& c, const std::string& a) {
      calls.push_back(a.empty() ? c : c + " " + a);
    });
  }
  std::vector<std::uint16_t> depths() const {
    std::vector<std::uint16_t> d;
    for (const auto& [depth, obj] : player.display_list())
      d.push_back(static_cast<std::uint16_t>(depth - kTimelineDepthOffset));
    return d;
  }
  Player player;
  Calls calls;
};

swfw::Movie base_movie(std::uint8_t version = 6) {
  swfw::Movie m(version, 200, 100, 24);
  m.define_shape(1, swfw::rect_shape(200, 200, swfw::rgb(255, 0, 0)));
  return m;
}

swfw::Actions say(const std::string& what) { return swfw::Actions().fscommand(what, ""); }

TEST(Player, FramesPlaceMoveRemoveAndLoop) {
  swfw::Movie m = base_movie();
  m.place(1, 1, swfw::Matrix::translate(100, 0));
  m.show_frame();
  m.place(2, 1);
  m.move(1, swfw::Matrix::translate(300, 0));
  m.show_frame();
  m.remove(1);
  m.show_frame();
  Harness h(m);
  EXPECT_EQ(h.player.current_frame(), 0);
  EXPECT_TRUE(h.player.is_animating());
  h.player.advance();
  EXPECT_EQ(h.player.current_frame(), 1);
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{1}));
  EXPECT_TRUE(h.player.take_dirty());
  EXPECT_FALSE(h.player.take_dirty());
  h.player.advance();
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{1, 2}));
  EXPECT_EQ(h.player.display_list().at(script_depth(1))->matrix.tx, 300);
  EXPECT_EQ(h.player.display_list().at(script_depth(1))->character_id, 1);
  h.player.advance();
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{2}));
  h.player.advance();  // loops: the list is as at frame 1
  EXPECT_EQ(h.player.current_frame(), 1);
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{1}));
  EXPECT_EQ(h.player.display_list().at(script_depth(1))->matrix.tx, 100);
  EXPECT_TRUE(h.player.dictionary().find(1));
}

TEST(Player, StopHoldsTheFrameAndEndsAnimation) {
  swfw::Movie m = base_movie();
  m.show_frame();
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  m.show_frame();
  Harness h(m);
  for (int i = 0; i < 5; ++i) h.player.advance();
  EXPECT_EQ(h.player.current_frame(), 2);
  EXPECT_FALSE(h.player.is_animating());
}

TEST(Player, GotoBackRebuildsAndRunsOnlyTheTargetFramesActions) {
  swfw::Movie m = base_movie();
  m.place(1, 1);
  m.do_action(say("f1"));
  m.show_frame();
  m.place(2, 1);
  m.do_action(say("f2"));
  m.show_frame();
  m.remove(1);
  m.do_action(say("f3"));
  m.do_action(swfw::Actions().goto_frame(1).stop());
  m.show_frame();
  Harness h(m);
  for (int i = 0; i < 3; ++i) h.player.advance();
  EXPECT_EQ(h.calls, (Calls{"f1", "f2", "f3", "f2"}));
  EXPECT_EQ(h.player.current_frame(), 2);
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{1, 2}));  // depth 1 is back
  EXPECT_FALSE(h.player.is_animating());
}

TEST(Player, GotoLabelForwardAppliesSkippedFramesWithoutTheirActions) {
  swfw::Movie m = base_movie();
  m.do_action(swfw::Actions().goto_label("END"));  // labels match in any case
  m.show_frame();
  m.place(3, 1);
  m.do_action(say("skipped"));
  m.show_frame();
  m.frame_label("end");
  m.do_action(say("end"));
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  Harness h(m);
  h.player.advance();
  EXPECT_EQ(h.player.current_frame(), 3);
  EXPECT_EQ(h.calls, (Calls{"end"}));
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{3}));
  h.player.advance();
  EXPECT_EQ(h.player.current_frame(), 3);
}

TEST(Player, NextAndPrevFrameStepAndStop) {
  swfw::Movie m = base_movie();
  m.do_action(swfw::Actions().next_frame());
  m.show_frame();
  m.do_action(say("two"));
  m.show_frame();
  m.show_frame();
  Harness h(m);
  h.player.advance();
  EXPECT_EQ(h.player.current_frame(), 2);
  EXPECT_EQ(h.calls, (Calls{"two"}));
  h.player.advance();
  EXPECT_EQ(h.player.current_frame(), 2);  // stopped
}

TEST(Player, SpritesPlayTheirOwnTimeline) {
  swfw::Movie m = base_movie();
  swfw::Sprite s;
  s.place(1, 1);
  s.do_action(say("s1"));
  s.show_frame();
  s.remove(1);
  s.do_action(say("s2"));
  s.do_action(swfw::Actions().stop());  // stops the sprite, not the movie
  s.show_frame();
  m.define_sprite(7, s);
  m.place(1, 7);
  m.do_action(say("main"));
  m.show_frame();
  Harness h(m);
  h.player.advance();
  EXPECT_EQ(h.calls, (Calls{"s1", "main"}));  // the sprite's first frame runs where it is placed
  const DisplayObject& clip = *h.player.display_list().at(script_depth(1));
  ASSERT_TRUE(clip.sprite);
  EXPECT_EQ(clip.sprite->current_frame, 1);
  EXPECT_EQ(clip.sprite->display_list.size(), 1u);
  EXPECT_TRUE(h.player.is_animating());
  h.player.advance();
  EXPECT_EQ(h.calls, (Calls{"s1", "main", "s2"}));  // a one-frame main does not rerun
  EXPECT_EQ(clip.sprite->current_frame, 2);
  EXPECT_TRUE(clip.sprite->display_list.empty());
  EXPECT_FALSE(h.player.is_animating());
  EXPECT_TRUE(h.player.take_dirty());
}

TEST(Player, ActionScript3MoviesRunNoActions) {
  swfw::Movie m = base_movie(10);
  m.file_attributes(true);
  m.place(1, 1);
  m.do_action(say("never"));
  m.show_frame();
  Harness h(m);
  EXPECT_TRUE(h.player.actionscript3());
  h.player.advance();
  EXPECT_TRUE(h.calls.empty());
  EXPECT_EQ(h.depths(), (std::vector<std::uint16_t>{1}));
}

TEST(Player, FrameIntervalAndBackgroundDefaults) {
  struct Case {
    double fps;
    double interval;
  };
  for (Case c : {Case{24, 1 / 24.0}, Case{0, 1 / 12.0}, Case{250, 1 / 120.0}, Case{0.25, 1.0}}) {
    swfw::Movie m(6, 100, 100, c.fps);
    m.show_frame();
    Player p(load(m));
    EXPECT_DOUBLE_EQ(p.frame_interval(), c.interval) << c.fps;
    EXPECT_EQ(p.background(), (Rgba{255, 255, 255, 255}));
  }
  swfw::Movie m(6, 100, 100, 12);
  m.background(1, 2, 3);
  Player p(load(m));
  EXPECT_EQ(p.background(), (Rgba{1, 2, 3, 255}));
  EXPECT_EQ(p.stage(), (Rect{0, 2000, 0, 2000}));
}

TEST(Player, SelfPlacingSpritesAndGotoLoopsAreBounded) {
  swfw::Movie m = base_movie();
  swfw::Sprite s;  // places itself twice, every frame
  s.place(1, 9);
  s.place(2, 9);
  s.show_frame();
  s.remove(1);
  s.remove(2);
  s.show_frame();
  m.define_sprite(9, s);
  m.place(1, 9);
  m.do_action(swfw::Actions().goto_frame(1));
  m.show_frame();
  m.do_action(swfw::Actions().goto_frame(0));
  m.show_frame();
  Harness h(m);
  for (int i = 0; i < 40; ++i) h.player.advance();
  EXPECT_GE(h.player.current_frame(), 1);
}

TEST(Player, ReadsEveryPlacementRecord) {
  // PlaceObject: character 3 at depth 4, identity matrix, a CXFORM.
  std::vector<std::uint8_t> po = {3, 0, 4, 0, 0x00, 0x4c, 0x80, 0x00};
  auto p = read_placement(code(TagCode::PlaceObject), po);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->depth, 4);
  EXPECT_EQ(*p->character_id, 3);
  ASSERT_TRUE(p->cxform);
  // PlaceObject3 with a class name before the character.
  swfw::Movie m = base_movie(10);
  swfw::Place place;
  place.depth = 5;
  place.character = 1;
  place.class_name = "Foo";
  place.name = "clip";
  place.ratio = 9;
  place.blend_mode = 3;
  m.place3(place);
  m.show_frame();
  Harness h(m);
  h.player.advance();
  const DisplayObject& obj = *h.player.display_list().at(script_depth(5));
  EXPECT_EQ(obj.character_id, 1);
  EXPECT_EQ(obj.name, "clip");
  EXPECT_EQ(obj.ratio, 9);
  // Cut records place nothing.
  EXPECT_FALSE(read_placement(code(TagCode::PlaceObject2), std::vector<std::uint8_t>{0x06, 1}));
  EXPECT_FALSE(read_removal_depth(code(TagCode::RemoveObject), std::vector<std::uint8_t>{1, 0}));
}

TEST(Player, EmptyOrMissingMovieStillPlays) {
  Player p(nullptr);
  p.advance();
  p.advance();
  EXPECT_EQ(p.current_frame(), 1);
  EXPECT_TRUE(p.display_list().empty());
  EXPECT_FALSE(p.is_animating());
}

}  // namespace
}  // namespace strandel::swf
