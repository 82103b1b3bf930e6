// The action interpreter: runs one activation's bytecode. The dispatch is one
// flat switch in interpreter.cpp whose cases call one member per action; the
// members live in files by family (stack and arithmetic, variables and
// objects, functions and control, timeline).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "avm1/activation.h"
#include "avm1/machine.h"
#include "swf/bytes.h"

namespace strandel::avm1 {

// Runs the activation's code from its start. Returns what a Return action
// gave (undefined when the code ends without one).
Value interpret(Activation& act);

class Interpreter {
 public:
  explicit Interpreter(Activation& act);
  ~Interpreter();
  Value run();

 private:
  // How a stretch of code ended: it ran past its end (or jumped out of it),
  // returned, or the whole block ended (End, a malformed record, a jump
  // outside the block).
  enum class Flow { Continue, Return, End };
  using Body = swf::ByteReader;

  Flow run_range(std::size_t begin, std::size_t end);
  Flow execute(std::uint8_t code, Body& body, std::size_t next);
  Flow jump(std::int16_t offset, std::size_t next);

  // Stack: an empty stack pops undefined; pushes past kMaxStack are lost.
  Value pop() {
    auto& s = m_.stack;
    if (s.size() <= stack_base_) return Value();
    Value v = std::move(s.back());
    s.pop_back();
    return v;
  }
  void push(Value v) {
    if (m_.stack.size() < kMaxStack) m_.stack.push_back(std::move(v));
  }
  Value& peek();
  Value* register_slot(std::uint8_t r);
  Value pop_frame();
  double pop_number();
  String pop_string();

  // interpreter.cpp: control
  Flow action_with(Body& body);
  Flow action_try(Body& body);
  void action_define_function(Body& body, bool version2);
  void action_constant_pool(Body& body);
  void action_push(Body& body);
  void action_store_register(Body& body);
  Flow call(std::size_t on, void (Interpreter::*action)());
  void action_call_function();
  void action_call_method();
  void action_new_object();
  void action_new_method();

  // action_math.cpp: arithmetic, comparison, strings, bits
  void action_add();  // version 4: numbers only
  void action_add2();
  void arithmetic(std::uint8_t code);
  void action_equals();
  void action_less();
  void action_equals2();
  void action_less2();
  void action_greater();
  void action_strict_equals();
  void action_logic(std::uint8_t code);
  void action_not();
  void string_action(std::uint8_t code);
  void bit_action(std::uint8_t code);
  void action_to_integer();
  void action_increment(double by);
  void action_random();

  // action_objects.cpp: variables, members, objects
  void action_get_variable();
  void action_set_variable();
  void action_define_local();
  void action_define_local2();
  void action_delete();
  void action_delete2();
  void action_get_member();
  void action_set_member();
  void action_init_array();
  void action_init_object();
  void action_type_of();
  void action_enumerate(bool object_on_stack);
  void action_instance_of();
  void action_extends();
  void action_cast();
  void action_implements();
  Flow action_throw();
  void action_trace();
  void action_target_path();

  // action_timeline.cpp: the timeline and the player
  void timeline_simple(std::uint8_t code);
  void action_goto_frame(Body& body);
  void action_goto_label(Body& body);
  void action_goto_frame2(Body& body);
  void action_set_target(const String& path);
  void action_get_url(Body& body);
  void action_get_url2(Body& body);
  Flow action_wait_for_frame(Body& body, bool from_stack);
  void action_get_property();
  void action_set_property();
  void action_clone_sprite();
  void action_remove_sprite();
  void action_start_drag();
  void action_call_frame();

  Activation& act_;
  Machine& m_;
  std::span<const std::uint8_t> code_;
  std::size_t pc_ = 0;
  std::size_t stack_base_;
  int with_depth_ = 0;
  bool base_on_stage_ = false;  // the code's clip was on the stage when it started
  Value return_value_;
};

}  // namespace strandel::avm1
