// script_bench: how fast the script machine runs a loop of a million
// iterations of arithmetic, a local variable and a property write, in
// actions a second (goal: tens of millions), and what building the machine
// with its classes costs the first script; then whether the memory in use
// grows while a movie idles for a minute of frames with an onEnterFrame
// handler that makes garbage. Prints figures; asserts nothing.
//
// The loop, in a function so that `x` and `i` are its locals:
//   function run() { var i = 0; while (i < 1000000) { var x = i * 2 + 1; o.p = x; i++; } }
#include <malloc.h>

#include <chrono>
#include <algorithm>
#include <cstdio>

#include "swf/movie.h"
#include "avm1/machine.h"
#include "swf/player.h"
#include "swfwriter/swfwriter.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kIterations = 1000000;
constexpr int kActionsPerIteration = 26;  // counted from the loop below

double ms_since(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Names come from the constant pool, as compilers write them: 0 "i", 1 "x",
// 2 "o", 3 "p".
swfw::Bytes loop_body() {
  swfw::Actions body;
  body.push_constant(1).push_constant(0).get_variable().push_int(2).op(swfw::op::Multiply);
  body.push_int(1).op(swfw::op::Add2).op(swfw::op::DefineLocal);
  body.push_constant(2).get_variable().push_constant(3).push_constant(1).get_variable();
  body.op(swfw::op::SetMember);
  body.push_constant(0).push_constant(0).get_variable().op(swfw::op::Increment).set_variable();
  return body.bytes();
}

swfw::Bytes loop_function() {
  swfw::Bytes body = loop_body();
  swfw::Actions condition;
  condition.push_constant(0).get_variable().push_int(kIterations).op(swfw::op::Less2);
  condition.op(swfw::op::Not);
  constexpr int kJumpSize = 5, kIfSize = 5;
  swfw::Actions f;
  f.constant_pool({"i", "x", "o", "p"});
  f.push_constant(0).push_int(0).op(swfw::op::DefineLocal);
  f.raw(condition.bytes());
  f.if_true(static_cast<std::int16_t>(body.size() + kJumpSize));
  f.raw(body);
  f.jump(static_cast<std::int16_t>(-(static_cast<int>(body.size()) + kJumpSize + kIfSize +
                                     static_cast<int>(condition.size()))));
  return f.bytes();
}

swfw::Movie bench_movie() {
  swfw::Bytes code = loop_function();
  swfw::Bytes header{'r', 'u', 'n', 0, 0, 0};  // name, no parameters
  header.push_back(static_cast<std::uint8_t>(code.size() & 0xff));
  header.push_back(static_cast<std::uint8_t>(code.size() >> 8));
  swfw::Actions a;
  a.push_string("o").push_int(0).push_string("Object").op(swfw::op::NewObject).set_variable();
  a.op(swfw::op::DefineFunction, header).raw(code);
  a.push_int(0).push_string("run").op(swfw::op::CallFunction).op(swfw::op::Pop);
  a.push_string("o").get_variable().push_string("p").op(swfw::op::GetMember).trace();
  a.stop();
  swfw::Movie m(8, 100, 100, 12);
  m.do_action(a);
  m.show_frame();
  return m;
}

// Frame 1 sets an onEnterFrame handler that makes an array and writes a
// property each frame, and traces "tick":
//   function () { var a = [1, 2, 3]; o.q = a.length + getTimer(); trace("tick"); }
swfw::Movie idle_movie() {
  swfw::Actions f;
  f.push_string("a").push_int(3).push_int(2).push_int(1).push_int(3).op(0x42);  // InitArray
  f.op(swfw::op::DefineLocal);
  f.push_string("o").get_variable().push_string("q").push_string("a").get_variable();
  f.push_string("length").op(swfw::op::GetMember).op(swfw::op::GetTime).op(swfw::op::Add2);
  f.op(swfw::op::SetMember);
  f.push_string("tick").trace();
  swfw::Bytes header{0, 0, 0};  // no name, no parameters
  header.push_back(static_cast<std::uint8_t>(f.size() & 0xff));
  header.push_back(static_cast<std::uint8_t>(f.size() >> 8));
  swfw::Actions a;
  a.push_string("o").push_int(0).push_string("Object").op(swfw::op::NewObject).set_variable();
  a.push_string("_root").get_variable().push_string("onEnterFrame");
  a.op(swfw::op::DefineFunction, header).raw(f.bytes()).op(swfw::op::SetMember);
  swfw::Movie m(8, 100, 100, 12);
  m.do_action(a);
  m.show_frame();
  return m;
}

double heap_kib() { return static_cast<double>(mallinfo2().uordblks) / 1024; }

void idle_minute() {
  auto loaded = strandel::swf::read_movie(idle_movie().bytes());
  if (!loaded.movie) return;
  strandel::swf::Player player(loaded.movie);
  int ticks = 0;
  player.on_trace([&](std::string_view) { ++ticks; });
  constexpr int kFrames = 12 * 60;
  for (int i = 0; i < 12; ++i) player.advance();  // settle first
  double before = heap_kib();
  double peak = before;
  for (int i = 0; i < kFrames; ++i) {
    player.advance();
    peak = std::max(peak, heap_kib());
  }
  std::printf("idle minute with onEnterFrame (%d frames, handler ran %d times): heap in use "
              "%.0f KiB before, %.0f KiB after, %.0f KiB at most\n",
              kFrames, ticks, before, heap_kib(), peak);
}

}  // namespace

int main() {
  idle_minute();
  auto bytes = bench_movie().bytes();
  auto loaded = strandel::swf::read_movie(bytes);
  if (!loaded.movie) {
    std::fprintf(stderr, "script_bench: %s\n", loaded.error.message().c_str());
    return 1;
  }
  for (int run = 0; run < 3; ++run) {
    strandel::swf::Player player(loaded.movie);
    std::string last;
    player.on_trace([&](std::string_view line) { last = line; });
    auto start = Clock::now();
    player.machine().actions_per_frame = 1ull << 40;  // the loop is the point
    double build_ms = ms_since(start);
    start = Clock::now();
    player.advance();
    double ms = ms_since(start);
    double actions = double(kIterations) * kActionsPerIteration;
    std::printf("run %d: machine built in %.2f ms; loop of %d iterations in %.1f ms: "
                "%.1f million actions a second (o.p = %s)\n",
                run + 1, build_ms, kIterations, ms, actions / ms / 1000, last.c_str());
  }
  return 0;
}
