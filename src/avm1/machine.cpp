#include "avm1/machine.h"

#include <chrono>
#include <new>

#include "avm1/activation.h"
#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/errors.h"
#include "avm1/interpreter.h"
#include "avm1/loads.h"
#include "avm1/object.h"
#include "avm1/scope.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// Sprite nesting the collector follows from the stage, as deep as the
// player itself goes.
constexpr int kMaxClipNesting = 64;

void mark_stage(Tracer& tracer, const swf::DisplayObject& object, int nesting) {
  tracer.mark(object.script);
  if (nesting >= kMaxClipNesting || !object.sprite) return;
  for (const auto& [depth, child] : object.sprite->display_list)
    mark_stage(tracer, *child, nesting + 1);
}

}  // namespace

Machine::Machine(swf::Player& player) : player_(player), loads_(std::make_unique<Loads>(*this)) {
  Code boot{nullptr, {}, root_version()};
  Activation act(*this, boot, nullptr, Value(), nullptr, nullptr);
  register_builtins(realm_, act);
}

Machine::~Machine() = default;

int Machine::root_version() const { return player_.version(); }

void Machine::report(const std::string& problem) {
  if (on_problem) on_problem(problem);
}

void Machine::begin_frame() {
  actions_left = actions_per_frame;
  halted = disabled;
}

// Runs script code from the player: a throw nobody catches ends the block
// with a line in the trace output; a limit ends it with one report.
void Machine::guard(const std::function<void()>& run) {
  if (halted) return;
  ++running;
  // Each action list the player runs starts with four empty registers.
  struct Leave {
    Machine& m;
    std::array<Value, 4> registers;
    ~Leave() {
      --m.running;
      m.global_registers = registers;
    }
  } leave{*this, global_registers};
  global_registers = {};
  try {
    try {
      run();
    } catch (const ScriptException& e) {
      // The player's log shows what nobody caught.
      Code code{nullptr, {}, root_version()};
      Activation act(*this, code, clip_scope(nullptr), Value(), nullptr, nullptr);
      String text = act.to_string(e.value);
      act.trace("Warning: Uncaught exception, " + text.str());
    }
  } catch (const ScriptException&) {
  } catch (const ScriptHalt& halt) {
    report(halt.reason);
  } catch (const std::bad_alloc&) {
    // Scripts that hoard memory are stopped as runaway ones are.
    halted = disabled = true;
    report("a script ran out of memory: the movie's scripts are stopped");
  }
  if (running == 1) {
    stack.clear();
    call_depth = 0;
    deferred_owner = nullptr;
    deferred_throw = Value();
    accessor_nesting.clear();
  }
}

Scope* Machine::clip_scope(Object* clip) {
  Scope* global = heap_.make<Scope>(Scope::Kind::Global, realm_.global, nullptr);
  return clip ? heap_.make<Scope>(Scope::Kind::Target, clip, global) : global;
}

void Machine::run_block(const Code& code, Object* clip) {
  guard([&] {
    Activation act(*this, code, clip_scope(clip), Value(clip), clip, clip);
    interpret(act);
  });
}

void Machine::call_method(Object* clip, std::string_view name, std::span<const Value> args,
                          int version) {
  if (!clip) return;
  guard([&] {
    Code code{nullptr, {}, version ? version : root_version()};
    Activation act(*this, code, clip_scope(clip), Value(clip), clip, clip);
    Value fn = clip->get(act, String(name));
    if (Object* f = fn.object(); f && f->callable()) act.call(fn, Value(clip), args);
  });
}

void Machine::call_function(const Value& function, const Value& this_value,
                            std::span<const Value> args, int version) {
  guard([&] {
    Object* clip = as_clip(this_value);
    Code code{nullptr, {}, version ? version : root_version()};
    Activation act(*this, code, clip_scope(clip), this_value, clip, clip);
    act.call(function, this_value, args);
  });
}

void Machine::run_native(const std::function<void(Activation&)>& work, int version) {
  guard([&] {
    Code code{nullptr, {}, version ? version : root_version()};
    Activation act(*this, code, clip_scope(nullptr), Value(), nullptr, nullptr);
    work(act);
  });
}

bool Machine::has_handler(Object* object, std::string_view name) {
  if (!object) return false;
  Code code{nullptr, {}, root_version()};
  Activation act(*this, code, nullptr, Value(object), nullptr, nullptr);
  Property* found = nullptr;
  Object* o = object;
  for (int depth = 0; o && depth < kMaxPrototypeChain && !found; ++depth, o = o->proto())
    found = o->own_property(String(name), act.case_sensitive());
  if (!found || found->accessor()) return found != nullptr;
  Object* f = found->value.object();
  return f && f->callable();
}

void Machine::broadcast(std::string_view object_name, std::string_view method) {
  guard([&] {
    Code code{nullptr, {}, root_version()};
    Activation act(*this, code, clip_scope(nullptr), Value(), nullptr, nullptr);
    Value target = realm_.global->get(act, String(object_name));
    if (!target.is_object()) return;
    act.call_method(target, "broadcastMessage", {Value(String(method))});
  });
}

double Machine::milliseconds() const { return player_.elapsed_ms(); }

double Machine::random() { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }

void Machine::spend(std::uint64_t actions) {
  if (actions_left < actions) {
    actions_left = 0;
    halted = disabled = true;
    throw ScriptHalt{"a script ran too long: the movie's scripts are stopped"};
  }
  actions_left -= actions;
}

int Machine::add_roots(RootSource source) {
  int id = next_root_id_++;
  roots_.emplace(id, std::move(source));
  return id;
}

void Machine::remove_roots(int id) { roots_.erase(id); }

int Machine::add_timer(Timer timer) {
  int id = next_timer_id_++;
  timers_.emplace(id, std::move(timer));
  return id;
}

bool Machine::remove_timer(int id) { return timers_.erase(id) > 0; }

void Machine::run_timers() {
  double now = milliseconds();
  std::vector<int> due;
  for (const auto& [id, timer] : timers_)
    if (timer.due <= now) due.push_back(id);
  for (int id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;  // cleared by an earlier one
    Timer timer = it->second;
    if (timer.repeat) {
      it->second.due = std::max(timer.due + std::max(timer.interval, 1.0), now);
    } else {
      timers_.erase(it);
    }
    if (timer.method.empty()) {
      call_function(timer.function, Value(), timer.args, timer.version);
    } else if (Object* o = timer.function.object()) {
      guard([&] {
        Code code{nullptr, {}, timer.version};
        Activation act(*this, code, clip_scope(nullptr), Value(o), nullptr, nullptr);
        act.call_method(Value(o), timer.method, timer.args);
      });
    }
  }
}

void Machine::collect() {
  if (running) return;
  heap_.collect([&](Tracer& tracer) {
    realm_.trace(tracer);
    for (const Value& v : global_registers) tracer.mark(v);
    if (player_.root()) mark_stage(tracer, *player_.root(), 0);
    for (const auto& [number, level] : player_.levels()) mark_stage(tracer, *level, 0);
    for (auto& [id, source] : roots_) source(tracer);
    for (auto& [id, timer] : timers_) {
      tracer.mark(timer.function);
      for (const Value& v : timer.args) tracer.mark(v);
    }
  });
}

}  // namespace strandel::avm1
