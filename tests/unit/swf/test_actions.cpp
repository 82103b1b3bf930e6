// The action interpreter on hand-made blocks, against a timeline that
// records what it was asked to do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/actions.h"
#include "swfwriter/swfwriter.h"

namespace strandel::swf {
namespace {

class Recorder : public TimelineControl {
 public:
  std::vector<std::string> calls;
  void stop() override { calls.push_back("stop"); }
  void play() override { calls.push_back("play"); }
  void goto_frame(std::uint32_t i) override { calls.push_back("goto " + std::to_string(i)); }
  void goto_label(const std::string& l) override { calls.push_back("label " + l); }
  void next_frame() override { calls.push_back("next"); }
  void prev_frame() override { calls.push_back("prev"); }
  void get_url(const std::string& u, const std::string& t) override {
    calls.push_back("url " + u + " | " + t);
  }
};

using Calls = std::vector<std::string>;

Calls run(const swfw::Actions& a, std::uint8_t version = 6, ActionRun* out = nullptr) {
  Recorder r;
  ActionRun result = run_actions(a.bytes(), r, version);
  if (out) *out = result;
  return r.calls;
}

TEST(Actions, TimelineActionsReachTheTimelineInOrder) {
  swfw::Actions a;
  a.play().stop().goto_frame(7).goto_label("menu").next_frame().prev_frame().end().play();
  EXPECT_EQ(run(a), (Calls{"play", "stop", "goto 7", "label menu", "next", "prev"}));
}

TEST(Actions, PushedValuesBecomeStringsForGetURL2) {
  swfw::Actions a;
  a.constant_pool({"FSCommand:quit", "target"});
  a.push_constant(0).push_constant(1).get_url2();
  a.push_int(42).push_number(3.5).get_url2();
  a.push_float(2.0f).push_bool(true).get_url2();
  a.push_null().push_undefined().get_url2();
  a.push_number(-0.0).push_number(1e21).get_url2();
  EXPECT_EQ(run(a, 6), (Calls{"url FSCommand:quit | target", "url 42 | 3.5", "url 2 | true",
                              "url null | ", "url 0 | 1e+21"}));
  // From version 7 on, undefined prints as "undefined".
  swfw::Actions u;
  u.push_string("a").push_undefined().get_url2();
  EXPECT_EQ(run(u, 7), (Calls{"url a | undefined"}));
}

TEST(Actions, ConstantsAndRegistersOutOfRangeAreUndefined) {
  swfw::Actions a;
  a.constant_pool({"x"});
  a.push_constant(300).push_register(9).get_url2();                   // both undefined
  a.push_string("r").store_register(2).push_register(2).get_url2();  // "r" twice: stored copy
  a.get_url2();                                                       // empty stack: undefined
  EXPECT_EQ(run(a, 7), (Calls{"url undefined | undefined", "url r | r", "url undefined | undefined"}));
}

TEST(Actions, GetURLCarriesUrlAndTarget) {
  swfw::Actions a;
  a.get_url("http://example.invalid/", "_blank").fscommand("fullscreen", "true");
  EXPECT_EQ(run(a), (Calls{"url http://example.invalid/ | _blank", "url FSCommand:fullscreen | true"}));
}

TEST(Actions, FsCommandPrefixInAnyCase) {
  EXPECT_TRUE(is_fscommand("FSCommand:quit"));
  EXPECT_TRUE(is_fscommand("fscommand:"));
  EXPECT_TRUE(is_fscommand("FSCOMMAND:exec"));
  EXPECT_FALSE(is_fscommand("FSCommand"));
  EXPECT_FALSE(is_fscommand("http://fscommand:quit"));
}

TEST(Actions, BranchesAndGotoFrame2) {
  swfw::Actions a;
  // if (false) skip nothing; if (true) jump over the stop.
  a.push_bool(false).if_true(1).push_bool(true).if_true(1).stop();
  a.push_int(3).goto_frame2(true);          // frame 3 is index 2, then play
  a.push_string("intro").goto_frame2(false);  // label, then stop
  EXPECT_EQ(run(a), (Calls{"goto 2", "play", "label intro", "stop"}));
}

TEST(Actions, SetTargetDropsTimelineActionsForOtherTimelines) {
  swfw::Actions a;
  a.set_target("/clip").stop().set_target("").play();
  EXPECT_EQ(run(a), (Calls{"play"}));
}

TEST(Actions, BrokenRecordsEndTheBlockNotTheProgram) {
  // A record whose length runs past the block ends it.
  swfw::Actions a;
  a.stop().raw({0x83, 0xff, 0x00, 'x', 0});
  ActionRun result;
  EXPECT_EQ(run(a, 6, &result), (Calls{"stop"}));
  EXPECT_NE(result.stopped.find("runs past the block"), std::string::npos);
  // A record header cut after its code.
  swfw::Actions b;
  b.play().raw({0x96, 0x01});
  EXPECT_EQ(run(b, 6, &result), (Calls{"play"}));
  EXPECT_FALSE(result.stopped.empty());
  // A record too short for its fields is skipped; unknown actions are skipped by length.
  swfw::Actions c;
  c.raw({0x81, 0x01, 0x00, 0x05}).raw({0xC0, 0x02, 0x00, 1, 2}).raw({0x4E}).stop();
  EXPECT_EQ(run(c), (Calls{"stop"}));
  // A push with an unknown type keeps what came before it.
  swfw::Actions d;
  d.raw({0x96, 0x05, 0x00, 0x00, 'u', 0, 0x0b, 0x00}).push_string("t").get_url2();
  EXPECT_EQ(run(d), (Calls{"url u | t"}));
}

TEST(Actions, EndlessLoopIsBounded) {
  swfw::Actions a;
  a.play().jump(-6);  // jumps back onto the play
  ActionRun result;
  Calls calls = run(a, 6, &result);
  EXPECT_EQ(result.records, kMaxActionRecords);
  EXPECT_FALSE(result.stopped.empty());
  EXPECT_EQ(calls.size(), kMaxActionRecords / 2);
}

}  // namespace
}  // namespace strandel::swf
