// What the peer suite cannot see of the script machine: objects that only a
// timer holds live on through collections while unreachable cycles are
// freed; a runaway or hoarding script stops the scripts but not the movie;
// Sound settings compose up the chain of clips to what the speakers get.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1/heap.h"
#include "avm1/machine.h"
#include "swf/movie.h"
#include "swf/player.h"
#include "swfwriter/swfwriter.h"

namespace strandel::avm1 {
namespace {

using Lines = std::vector<std::string>;
constexpr std::uint8_t kInitObject = 0x43;

// function name(params...) { body }: a DefineFunction record and its body.
// An empty name leaves the function on the stack.
swfw::Actions& define_function(swfw::Actions& a, const std::string& name,
                               const std::vector<std::string>& params, const swfw::Actions& body) {
  swfw::Writer w;
  w.str(name);
  w.u16(static_cast<std::uint16_t>(params.size()));
  for (const std::string& p : params) w.str(p);
  w.u16(static_cast<std::uint16_t>(body.size()));
  return a.op(swfw::op::DefineFunction, w.take()).raw(body.bytes());
}

// name(arguments already pushed, last first), its result left on the stack.
swfw::Actions& call(swfw::Actions& a, const std::string& name, int arguments) {
  return a.push_int(arguments).push_string(name).op(swfw::op::CallFunction);
}

// trace(object.member)
swfw::Actions trace_member(const std::string& object, const std::string& member) {
  swfw::Actions a;
  a.push_string(object).get_variable().push_string(member).op(swfw::op::GetMember).trace();
  return a;
}

// for (i = 0; i < count; ++i) { body }
swfw::Actions& repeat(swfw::Actions& a, int count, const swfw::Actions& body) {
  swfw::Actions test, step;
  test.push_string("i").get_variable().push_int(count).op(swfw::op::Less2).op(swfw::op::Not);
  step.push_string("i").push_string("i").get_variable().op(swfw::op::Increment).set_variable();
  auto rest = static_cast<std::int16_t>(body.size() + step.size() + 5);
  a.push_string("i").push_int(0).set_variable();
  a.raw(test.bytes()).if_true(rest).raw(body.bytes()).raw(step.bytes());
  return a.jump(static_cast<std::int16_t>(-(test.size() + 5 + rest)));
}

std::shared_ptr<const swf::Movie> load(const swfw::Movie& m) {
  auto r = swf::read_movie(m.bytes());
  EXPECT_TRUE(r.movie) << r.error.message();
  return r.movie;
}

// A player of the movie that keeps what its scripts trace and the problems
// it reports.
struct Recorded {
  swf::Player player;
  Lines lines;
  std::vector<swf::Diagnostic> problems;
  explicit Recorded(const swfw::Movie& m) : player(load(m)) {
    player.on_trace([this](std::string_view line) { lines.emplace_back(line); });
    player.on_log([this](const swf::Diagnostic& d) { problems.push_back(d); });
  }
};

// Three timers whose objects nothing else holds: a closure's captured
// local, an argument, and the object whose method is called. Then
// `cycles` pairs of objects that point at each other and nothing else.
swfw::Movie timers_and_garbage(int cycles) {
  swfw::Actions a;
  swfw::Actions make, inner;  // make(tag) returns a closure over a local object
  define_function(inner, "", {}, trace_member("kept", "tag"));
  make.push_string("kept").push_int(0).push_string("Object").op(swfw::op::NewObject);
  make.op(swfw::op::DefineLocal);
  make.push_string("kept").get_variable().push_string("tag").push_string("tag").get_variable();
  make.op(swfw::op::SetMember).raw(inner.bytes()).op(swfw::op::Return);
  define_function(a, "make", {"tag"}, make);
  // setInterval(make("closure"), 10)
  a.push_int(10).push_string("closure");
  call(a, "make", 1);
  call(a, "setInterval", 2).op(swfw::op::Pop);
  // setInterval(function (o) { trace(o.tag); }, 10, {tag: "argument"})
  a.push_string("tag").push_string("argument").push_int(1).op(kInitObject).push_int(10);
  define_function(a, "", {"o"}, trace_member("o", "tag"));
  call(a, "setInterval", 3).op(swfw::op::Pop);
  // setInterval({tag: "method", tick: function () { trace(this.tag); }}, "tick", 10)
  a.push_int(10).push_string("tick").push_string("tag").push_string("method").push_string("tick");
  define_function(a, "", {}, trace_member("this", "tag"));
  a.push_int(2).op(kInitObject);
  call(a, "setInterval", 3).op(swfw::op::Pop);
  // x = {}; y = {}; x.y = y; y.x = x; and a function that holds itself
  swfw::Actions pair;
  for (const char* name : {"x", "y"})
    pair.push_string(name).push_int(0).op(kInitObject).set_variable();
  pair.push_string("x").get_variable().push_string("y").push_string("y").get_variable();
  pair.op(swfw::op::SetMember);
  pair.push_string("y").get_variable().push_string("x").push_string("x").get_variable();
  pair.op(swfw::op::SetMember);
  pair.push_string("f");
  define_function(pair, "", {}, swfw::Actions());
  pair.set_variable();
  pair.push_string("f").get_variable().push_string("self").push_string("f").get_variable();
  pair.op(swfw::op::SetMember);
  repeat(a, cycles, pair);
  for (const char* name : {"x", "y", "f"}) a.push_string(name).push_null().set_variable();
  a.stop();
  swfw::Movie m(6, 100, 100, 24);
  m.do_action(a);
  m.show_frame();
  return m;
}

TEST(Collector, WhatOnlyTimersHoldLivesAndUnreachableCyclesAreFreed) {
  std::size_t cells[2] = {0, 0};
  Lines lines;
  for (int run = 0; run < 2; ++run) {
    swf::Player player(load(timers_and_garbage(run == 0 ? 0 : 3000)));
    lines.clear();
    player.on_trace([&](std::string_view line) { lines.emplace_back(line); });
    player.advance();  // the frame's scripts, then a collection
    cells[run] = player.machine().heap().size();
    for (int i = 0; i < 4; ++i) player.advance();  // each timer is due every frame
  }
  // Nine thousand cells of cycles, and all of them are gone.
  EXPECT_LT(cells[1], cells[0] + 50) << cells[0] << " cells without the cycles";
  Lines expected;
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), {"closure", "argument", "method"});
  EXPECT_EQ(lines, expected);
}

// Each pass of the movie makes a thousand clips that hold themselves and a
// handler, and removes them: what a pass leaves behind is freed.
TEST(Collector, RemovedClipsThatHoldThemselvesAreFreed) {
  namespace op = swfw::op;
  swfw::Actions a, body;
  body.push_string("c")
      .push_int(1)
      .push_string("c")
      .push_int(2)
      .push_string("_root")
      .get_variable();
  body.push_string("createEmptyMovieClip").op(op::CallMethod).set_variable();
  body.push_string("c").get_variable().push_string("self").push_string("c").get_variable();
  body.op(op::SetMember).push_string("c").get_variable().push_string("onEnterFrame");
  define_function(body, "", {}, trace_member("this", "self"));
  body.op(op::SetMember);
  body.push_int(0).push_string("c").get_variable().push_string("removeMovieClip");
  body.op(op::CallMethod).op(op::Pop);
  repeat(a, 1000, body);
  a.push_string("c").push_null().set_variable();
  swfw::Movie m(7, 100, 100, 24);
  m.do_action(a);
  m.show_frame();
  m.show_frame();
  swf::Player player(load(m));
  Lines lines;
  player.on_trace([&](std::string_view line) { lines.emplace_back(line); });
  std::vector<std::size_t> cells;
  for (int pass = 0; pass < 4; ++pass) {
    player.advance();
    player.advance();
    cells.push_back(player.machine().heap().size());
  }
  EXPECT_TRUE(lines.empty());  // removed clips get no enterFrame
  EXPECT_TRUE(player.root()->children()->empty());
  EXPECT_LT(cells.back(), cells.front() + 50) << cells.front() << " cells after the first pass";
}

TEST(ActionBudget, ARunawayScriptStopsTheScriptsAndTheMoviePlaysOn) {
  for (bool pushing : {false, true}) {
    swfw::Movie m(6, 100, 100, 24);
    swfw::Actions first;
    first.push_string("start").trace();
    first.push_int(10);
    define_function(first, "", {}, swfw::Actions().push_string("tick").trace());
    call(first, "setInterval", 2).op(swfw::op::Pop);
    // while (true) {}, or while (true) push 1: the stack fills as well.
    swfw::Actions loop;
    if (pushing) loop.push_int(1);
    first.raw(loop.bytes()).jump(static_cast<std::int16_t>(-(loop.size() + 5)));
    m.do_action(first);
    m.show_frame();
    for (const char* frame : {"frame 2", "frame 3"}) {
      m.do_action(swfw::Actions().push_string(frame).trace());
      m.show_frame();
    }
    Recorded run(m);
    run.player.machine().actions_per_frame = 100000;  // the budget, lowered to keep the test quick
    std::vector<std::uint16_t> frames;
    for (int i = 0; i < 5; ++i) {
      run.player.advance();
      frames.push_back(run.player.current_frame());
    }
    EXPECT_EQ(run.lines, Lines{"start"}) << "pushing " << pushing;
    EXPECT_EQ(frames, (std::vector<std::uint16_t>{1, 2, 3, 1, 2})) << "pushing " << pushing;
    EXPECT_EQ(run.problems.size(), 1u) << "pushing " << pushing;
    EXPECT_LE(run.player.machine().stack.size(), kMaxStack);
  }
}

// o = {}
swfw::Actions& new_object(swfw::Actions& a, const std::string& name) {
  return a.push_string(name).push_int(0).op(kInitObject).set_variable();
}

// object.member = value of the variable
swfw::Actions& set_member(swfw::Actions& a, const std::string& object, const std::string& member,
                          const std::string& variable) {
  a.push_string(object).get_variable().push_string(member).push_string(variable).get_variable();
  return a.op(swfw::op::SetMember);
}

// Scripts that would loop for ever through the language itself, one a
// frame: each is cut short, and the next frame's scripts still run.
TEST(HostileScripts, LoopsThroughTheLanguageAreCutShort) {
  std::vector<swfw::Actions> frames(6);
  // Prototypes in a ring: a lookup, a for-in and instanceof.
  swfw::Actions& ring = frames[0];
  new_object(ring, "a");
  new_object(ring, "b");
  set_member(ring, "a", "__proto__", "b");
  set_member(ring, "b", "__proto__", "a");
  ring.raw(trace_member("a", "missing").bytes());
  ring.push_string("a").get_variable().op(0x55);  // Enumerate2
  ring.push_string("a").get_variable().push_string("Object").get_variable().op(0x54).trace();
  // A getter that reads itself.
  swfw::Actions& getter = frames[1];
  new_object(getter, "o");
  getter.push_null();
  define_function(getter, "", {},
                  swfw::Actions()
                      .push_string("this")
                      .get_variable()
                      .push_string("x")
                      .op(swfw::op::GetMember)
                      .op(swfw::op::Return));
  getter.push_string("x").push_int(3).push_string("o").get_variable().push_string("addProperty");
  getter.op(swfw::op::CallMethod).op(swfw::op::Pop);
  getter.raw(trace_member("o", "x").bytes());
  // A watcher that sets what it watches.
  swfw::Actions& watcher = frames[2];
  new_object(watcher, "w");
  swfw::Actions again;
  again.push_string("this").get_variable().push_string("y").push_string("v").get_variable();
  again.op(swfw::op::SetMember).push_string("v").get_variable().op(swfw::op::Return);
  define_function(watcher, "", {"p", "old", "v"}, again);
  watcher.push_string("y").push_int(2).push_string("w").get_variable().push_string("watch");
  watcher.op(swfw::op::CallMethod).op(swfw::op::Pop);
  watcher.push_string("w").get_variable().push_string("y").push_int(1).op(swfw::op::SetMember);
  watcher.raw(trace_member("w", "y").bytes());
  // toString that converts itself to a string.
  swfw::Actions& text = frames[3];
  new_object(text, "t");
  text.push_string("t").get_variable().push_string("toString");
  define_function(text, "", {},
                  swfw::Actions()
                      .push_string("")
                      .push_string("this")
                      .get_variable()
                      .op(swfw::op::Add2)
                      .op(swfw::op::Return));
  text.op(swfw::op::SetMember);
  text.push_string("").push_string("t").get_variable().op(swfw::op::Add2).trace();
  // A function that calls itself without end.
  swfw::Actions& recursion = frames[4];
  swfw::Actions self;
  call(self, "r", 0).op(swfw::op::Return);
  define_function(recursion, "r", {}, self);
  call(recursion, "r", 0).op(swfw::op::Pop);
  swfw::Movie m(7, 100, 100, 24);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    frames[i].push_string("after " + std::to_string(i)).trace();
    m.do_action(frames[i]);
    m.show_frame();
  }
  Recorded run(m);
  for (std::size_t i = 0; i < frames.size(); ++i) run.player.advance();
  Lines after;
  for (const std::string& line : run.lines)
    if (line.starts_with("after")) after.push_back(line);
  // A ring of prototypes and endless recursion end their action list with a
  // line each, as the vendor's player does; a self-reading getter and a
  // self-setting watcher give up quietly.
  EXPECT_EQ(after, (Lines{"after 1", "after 2", "after 5"}));
  EXPECT_EQ(run.problems.size(), 3u);
  EXPECT_FALSE(run.player.machine().disabled);
}

// A script that keeps ever more text alive: s doubles to the longest string
// a script may make, then sixty copies of it are kept. The scripts stop with
// one report before memory runs out; the movie plays on.
TEST(HostileScripts, HoardingTextStopsTheScriptsNotTheProgram) {
  swfw::Actions a;
  a.push_string("s").push_string("0123456789abcdef").set_variable();
  swfw::Actions twice, keep;
  twice.push_string("s").push_string("s").get_variable().push_string("s").get_variable();
  twice.op(swfw::op::Add2).set_variable();
  repeat(a, 22, twice);
  new_object(a, "kept");
  keep.push_string("kept").get_variable().push_string("i").get_variable();
  keep.push_string("s").get_variable().push_string("i").get_variable().op(swfw::op::Add2);
  keep.op(swfw::op::SetMember);
  repeat(a, 60, keep);
  a.push_string("not reached").trace();
  swfw::Movie m(6, 100, 100, 24);
  m.do_action(a);
  m.show_frame();
  m.show_frame();
  Recorded run(m);
  for (int i = 0; i < 3; ++i) ASSERT_NO_THROW(run.player.advance());
  EXPECT_TRUE(run.lines.empty());
  ASSERT_EQ(run.problems.size(), 1u);
  EXPECT_NE(run.problems[0].text.find("memory"), std::string::npos) << run.problems[0].text;
  EXPECT_EQ(run.player.current_frame(), 1);  // two frames, looping
}

// Sound objects on a clip, on its parent and on the whole movie: what a
// sound heard through the inner clip reaches each speaker with.
TEST(SoundSettings, ComposeFromTheClipOutwardsToTheMovie) {
  swfw::Movie m(6, 100, 100, 24);
  swfw::Sprite inner_sprite;
  inner_sprite.show_frame();
  m.define_sprite(1, inner_sprite);
  swfw::Sprite outer_sprite;
  outer_sprite.place(1, 1, {}, {}, "inner");
  outer_sprite.show_frame();
  m.define_sprite(2, outer_sprite);
  m.place(1, 2, {}, {}, "outer");
  m.place(2, 1, {}, {}, "loud");
  // new Sound(target).setTransform({ll, lr, rr, rl}) and .setVolume(volume)
  swfw::Actions a;
  auto sound = [&](const std::string& target, int ll, int lr, int rr, int rl, int volume) {
    a.push_string("s").push_string(target).get_variable().push_int(1).push_string("Sound");
    a.op(swfw::op::NewObject).set_variable();
    for (auto [name, v] : {std::pair{"ll", ll}, {"lr", lr}, {"rr", rr}, {"rl", rl}})
      a.push_string(name).push_int(v);
    a.push_int(4).op(kInitObject).push_int(1).push_string("s").get_variable();
    a.push_string("setTransform").op(swfw::op::CallMethod).op(swfw::op::Pop);
    a.push_int(volume).push_int(1).push_string("s").get_variable().push_string("setVolume");
    a.op(swfw::op::CallMethod).op(swfw::op::Pop);
  };
  // The inner clip sends the right input to the left speaker only, its
  // parent sends what reaches the left to the right speaker only: the
  // right input ends on the right, at half of half of 80%.
  sound("outer.inner", 0, 100, 0, 0, 50);
  sound("outer", 0, 0, 0, 100, 50);
  // Out of range, a clip's settings are heard as their nearest bounds.
  sound("loud", 250, -40, 100, 0, 300);
  a.push_string("s").push_int(0).push_string("Sound").op(swfw::op::NewObject).set_variable();
  a.push_int(80).push_int(1).push_string("s").get_variable().push_string("setVolume");
  a.op(swfw::op::CallMethod).op(swfw::op::Pop);
  m.do_action(a);
  m.show_frame();
  swf::Player player(load(m));
  player.advance();
  const swf::DisplayObject* outer = nullptr;
  const swf::DisplayObject* loud = nullptr;
  for (const auto& [depth, obj] : *player.root()->children()) {
    if (obj->name == "outer") outer = obj.get();
    if (obj->name == "loud") loud = obj.get();
  }
  ASSERT_TRUE(outer && loud && outer->children() && !outer->children()->empty());
  const swf::DisplayObject* inner = outer->children()->begin()->second.get();
  swf::SoundMix mix = player.sound_mix(inner);
  EXPECT_FLOAT_EQ(mix.ll, 0);  // left input to the left speaker
  EXPECT_FLOAT_EQ(mix.rl, 0);  // right input to the left speaker
  EXPECT_FLOAT_EQ(mix.lr, 0);  // left input to the right speaker
  EXPECT_FLOAT_EQ(mix.rr, 0.2f);
  mix = player.sound_mix(loud);
  EXPECT_FLOAT_EQ(mix.ll, 0.8f);
  EXPECT_FLOAT_EQ(mix.rl, 0);
  EXPECT_FLOAT_EQ(mix.rr, 0.8f);
}

}  // namespace
}  // namespace strandel::avm1
