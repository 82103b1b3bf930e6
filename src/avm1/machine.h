// The ActionScript 1/2 machine of one player: its heap, the globals and
// built-in classes, the shared stack and registers, the limits, and the
// entry points the player runs scripts through.
//
// Limits, as the vendor's player has them or tighter: 256 nested calls; a
// count of actions per frame after which the running script stops with one
// diagnostic while the movie plays on; a cap on objects made per frame.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "avm1/code.h"
#include "avm1/heap.h"
#include "avm1/realm.h"
#include "avm1/value.h"

namespace strandel::swf {
class Player;
struct DisplayObject;
}

namespace strandel::avm1 {

class Activation;
class Loads;
class Object;
class Scope;

inline constexpr int kMaxCallDepth = 256;
// Actions one frame's scripts may run, well past what a real movie does in a
// frame (a few seconds of work). A movie that reaches it has its scripts
// stopped for good, as the vendor's player does once its user aborts a slow
// script; the timeline plays on.
inline constexpr std::uint64_t kActionsPerFrame = 50'000'000;
// Values the shared stack may hold; pushes past it are dropped.
inline constexpr std::size_t kMaxStack = 1u << 20;

class Machine {
 public:
  explicit Machine(swf::Player& player);
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  swf::Player& player() const { return player_; }
  Heap& heap() { return heap_; }
  Realm& realm() { return realm_; }
  // Files the scripts asked for; the player hands them over once a frame.
  Loads& loads() { return *loads_; }

  // --- Entry points for the player; each catches what a script throws ---
  // Runs an action block (a frame's, a button's, a clip event's) with `clip`
  // as its timeline and `this`.
  void run_block(const Code& code, Object* clip);
  // Calls `clip[name]()` when it is a function (onEnterFrame and friends).
  void call_method(Object* clip, std::string_view name, std::span<const Value> args = {},
                   int version = 0);
  // Calls a function value with `this` (an interval, a listener).
  void call_function(const Value& function, const Value& this_value, std::span<const Value> args,
                     int version);
  // Runs C++ work that calls into scripts from outside any script (a load
  // handing over its file), under the same guard as the entry points above.
  void run_native(const std::function<void(Activation&)>& work, int version = 0);
  // Starts a frame's budget of actions.
  void begin_frame();
  // Frees what no script can reach; only between frames.
  void collect();

  // Output of trace(); discarded when unset.
  std::function<void(std::string_view)> on_trace;
  // Problems with a script (a runaway loop, a bad action): one line each.
  std::function<void(const std::string&)> on_problem;
  void report(const std::string& problem);

  // setInterval and setTimeout: a function (or an object's method) called
  // with arguments when movie time reaches `due`.
  struct Timer {
    Value function;  // or the object whose `method` is called
    String method;
    std::vector<Value> args;
    double interval = 0;
    double due = 0;
    bool repeat = true;
    int version = 0;
  };
  int add_timer(Timer timer);
  bool remove_timer(int id);
  // Calls the timers that are due, each at most once.
  void run_timers();
  bool has_timers() const { return !timers_.empty(); }

  // Objects kept alive besides the stage and the globals (intervals' and
  // listeners' owners register here): each is marked by its callback.
  using RootSource = std::function<void(Tracer&)>;
  int add_roots(RootSource source);
  void remove_roots(int id);

  // The keyboard as Key sees it.
  struct Input {
    std::set<int> keys_down;
    int last_code = 0;
    int last_ascii = 0;
    bool mouse_down = false;
  };
  Input input;

  // The clip whose unload handler runs: gone from the stage, it still
  // converts to its path.
  const swf::DisplayObject* unloading = nullptr;

  // --- Interpreter state ---
  std::vector<Value> stack;
  std::array<Value, 4> global_registers;
  int call_depth = 0;
  // Getters, setters and watchers running inside one another, by the serial
  // of the property they run for.
  std::vector<std::pair<std::uint32_t, int>> accessor_nesting;
  std::uint32_t property_serials = 0;
  // A getter that throws while an action runs gives undefined; its throw
  // goes on once that action is done. `action_owner` is the interpreter
  // whose action is running, `deferred_owner` the one the throw waits for.
  const void* action_owner = nullptr;
  const void* deferred_owner = nullptr;
  Value deferred_throw;
  std::uint64_t actions_per_frame = kActionsPerFrame;  // lowered by the fuzzer
  std::uint64_t actions_left = kActionsPerFrame;
  bool halted = false;    // a limit stopped the scripts of this frame
  bool disabled = false;  // the work limit stopped the movie's scripts for good
  int running = 0;        // activations on the C++ stack; no collection while non-zero
  // What Date takes as the current time (ms since 1970, UTC); the system
  // clock when unset. A headless run pins it so its log repeats.
  std::optional<double> fixed_clock;
  // Once a script of version 8 or later asks for bounds (or the main movie
  // is that recent), the empty box's edge, measured from another clip, comes
  // out rounded to single precision; it never goes back.
  bool empty_bounds_rounded = false;

  int root_version() const;
  // The scope chain of code running on a clip: the clip, then the globals.
  Scope* clip_scope(Object* clip);
  // getTimer(): milliseconds of movie time.
  double milliseconds() const;
  // Whether the object (or its prototypes) has a function of that name,
  // without running any script.
  bool has_handler(Object* object, std::string_view name);
  // Mouse.broadcastMessage("onMouseDown") and the like.
  void broadcast(std::string_view object_name, std::string_view method);
  // Math.random() and the Random action: a fixed seed, so runs repeat.
  double random();
  // Counts work a built-in does (elements visited, comparisons) against the
  // frame's budget of actions; past it the scripts stop as for a runaway
  // loop (throws ScriptHalt).
  void spend(std::uint64_t actions);

 private:
  void guard(const std::function<void()>& run);

  swf::Player& player_;
  Heap heap_;
  Realm realm_;
  std::map<int, RootSource> roots_;
  std::map<int, Timer> timers_;
  int next_timer_id_ = 1;
  std::mt19937 random_{20061};
  int next_root_id_ = 1;
  std::unique_ptr<Loads> loads_;  // last: it registers roots with this machine
};

}  // namespace strandel::avm1
