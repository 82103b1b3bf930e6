#include "avm1/interpreter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "avm1/action_codes.h"
#include "avm1/array.h"
#include "avm1/calls.h"
#include "avm1/clip.h"
#include "avm1/errors.h"
#include "avm1/function.h"
#include "avm1/scope.h"
#include "avm1/variables.h"

namespace strandel::avm1 {

namespace {

// `with` blocks inside one another, as deep as the vendor's player allows.
constexpr int kMaxWithDepth = 16;
// Arguments one call may take from the stack.
constexpr std::size_t kMaxArguments = 65535;

}  // namespace

Value interpret(Activation& act) {
  Interpreter interpreter(act);
  return interpreter.run();
}

Interpreter::Interpreter(Activation& act)
    : act_(act), m_(act.machine()), code_(act.code().bytes), stack_base_(m_.stack.size()) {
  auto* base = dynamic_cast<ClipObject*>(act.base_clip);
  base_on_stage_ = base && !base->removed();
}

// Code whose clip leaves the stage stops at its next call of a function or
// constructor, or right after the call that took the clip away; calls on
// nothing (an undefined object) pass. `on` is the stack slot of the object a
// method form calls on, 0 for the forms that call by name.
Interpreter::Flow Interpreter::call(std::size_t on, void (Interpreter::*action)()) {
  bool on_object = true;
  if (on != 0 && m_.stack.size() >= stack_base_ + on) {
    const Value& object = m_.stack[m_.stack.size() - on];
    on_object = !object.is_undefined() && !object.is_null();
  }
  auto gone = [&] {
    return base_on_stage_ && on_object && static_cast<ClipObject*>(act_.base_clip)->removed();
  };
  if (gone()) return Flow::End;
  (this->*action)();
  return gone() ? Flow::End : Flow::Continue;
}

Interpreter::~Interpreter() {
  if (m_.stack.size() > stack_base_) m_.stack.resize(stack_base_);
}

Value Interpreter::run() {
  run_range(0, code_.size());
  return return_value_;
}

Value& Interpreter::peek() {
  if (m_.stack.size() <= stack_base_) push(Value());
  if (m_.stack.size() <= stack_base_) {
    static Value undefined;
    undefined = Value();
    return undefined;
  }
  return m_.stack.back();
}

double Interpreter::pop_number() { return act_.to_number(pop()); }
String Interpreter::pop_string() {
  Value v = pop();
  return v.is_string() ? std::move(v).take_string() : act_.to_string(v);
}

Interpreter::Flow Interpreter::run_range(std::size_t begin, std::size_t end) {
  // A getter's throw waits for the end of the action of the interpreter
  // that runs when it is read: this one, until the range ends.
  struct Owner {
    Machine& m;
    const void* outer;
    ~Owner() { m.action_owner = outer; }
  } owner{m_, m_.action_owner};
  m_.action_owner = this;
  while (pc_ >= begin && pc_ < end) {
    if (m_.actions_left == 0) {
      m_.halted = m_.disabled = true;
      throw ScriptHalt{"a script ran too long: the movie's scripts are stopped"};
    }
    --m_.actions_left;
    std::uint8_t code = code_[pc_];
    if (code == static_cast<std::uint8_t>(Op::End)) return Flow::End;
    std::size_t body_start = pc_ + 1, length = 0;
    if (code >= 0x80) {
      if (pc_ + 3 > code_.size()) return Flow::End;
      length = code_[pc_ + 1] | (code_[pc_ + 2] << 8);
      body_start = pc_ + 3;
    }
    std::size_t next = body_start + length;
    if (next > code_.size()) return Flow::End;
    pc_ = next;
    Body body(code_.subspan(body_start, length));
    Flow flow = Flow::Continue;
    try {
      flow = execute(code, body, next);
    } catch (const swf::ReadError&) {
      // A record shorter than its fields: the action is skipped.
    } catch (...) {
      if (m_.deferred_owner == this) {
        m_.deferred_owner = nullptr;
        m_.deferred_throw = Value();
      }
      throw;
    }
    if (m_.deferred_owner == this) {
      m_.deferred_owner = nullptr;
      throw ScriptException{std::exchange(m_.deferred_throw, Value())};
    }
    if (flow != Flow::Continue) return flow;
  }
  return Flow::Continue;
}

Interpreter::Flow Interpreter::jump(std::int16_t offset, std::size_t next) {
  auto target = static_cast<std::ptrdiff_t>(next) + offset;
  if (target < 0 || static_cast<std::size_t>(target) > code_.size()) return Flow::End;
  pc_ = static_cast<std::size_t>(target);
  return Flow::Continue;
}

Interpreter::Flow Interpreter::execute(std::uint8_t code, Body& body, std::size_t next) {
  switch (static_cast<Op>(code)) {
    // Stack and values
    case Op::Push:
      action_push(body);
      break;
    case Op::Pop:
      pop();
      break;
    case Op::PushDuplicate: {
      Value v = peek();
      push(v);
      break;
    }
    case Op::StackSwap: {
      Value a = pop(), b = pop();
      push(a);
      push(b);
      break;
    }
    case Op::StoreRegister:
      action_store_register(body);
      break;
    case Op::ConstantPool:
      action_constant_pool(body);
      break;
    // Arithmetic and comparison
    case Op::Add:
      action_add();
      break;
    case Op::Subtract:
    case Op::Multiply:
    case Op::Divide:
    case Op::Modulo:
      arithmetic(code);
      break;
    case Op::Add2:
      action_add2();
      break;
    case Op::Equals:
      action_equals();
      break;
    case Op::Less:
      action_less();
      break;
    case Op::Equals2:
      action_equals2();
      break;
    case Op::Less2:
      action_less2();
      break;
    case Op::Greater:
      action_greater();
      break;
    case Op::StrictEquals:
      action_strict_equals();
      break;
    case Op::And:
    case Op::Or:
      action_logic(code);
      break;
    case Op::Not:
      action_not();
      break;
    case Op::Increment:
      action_increment(1);
      break;
    case Op::Decrement:
      action_increment(-1);
      break;
    case Op::ToInteger:
      action_to_integer();
      break;
    case Op::ToNumber:
      push(Value(pop_number()));
      break;
    case Op::ToString:
      push(Value(pop_string()));
      break;
    case Op::RandomNumber:
      action_random();
      break;
    case Op::BitAnd:
    case Op::BitOr:
    case Op::BitXor:
    case Op::BitLShift:
    case Op::BitRShift:
    case Op::BitURShift:
      bit_action(code);
      break;
    case Op::StringEquals:
    case Op::StringLength:
    case Op::StringExtract:
    case Op::StringAdd:
    case Op::StringLess:
    case Op::StringGreater:
    case Op::MBStringLength:
    case Op::MBStringExtract:
    case Op::CharToAscii:
    case Op::AsciiToChar:
    case Op::MBCharToAscii:
    case Op::MBAsciiToChar:
      string_action(code);
      break;
    // Control
    case Op::Jump:
      return jump(body.s16(), next);
    case Op::If: {
      std::int16_t offset = body.s16();
      if (act_.to_boolean(pop())) return jump(offset, next);
      break;
    }
    case Op::Return:
      return_value_ = pop();
      return Flow::Return;
    case Op::With:
      return action_with(body);
    case Op::Try:
      return action_try(body);
    case Op::Throw:
      return action_throw();
    case Op::DefineFunction:
      action_define_function(body, false);
      break;
    case Op::DefineFunction2:
      action_define_function(body, true);
      break;
    case Op::CallFunction:
      return call(0, &Interpreter::action_call_function);
    case Op::CallMethod:
      return call(2, &Interpreter::action_call_method);
    case Op::NewObject:
      return call(0, &Interpreter::action_new_object);
    case Op::NewMethod:
      return call(2, &Interpreter::action_new_method);
    // Variables and objects
    case Op::GetVariable:
      action_get_variable();
      break;
    case Op::SetVariable:
      action_set_variable();
      break;
    case Op::DefineLocal:
      action_define_local();
      break;
    case Op::DefineLocal2:
      action_define_local2();
      break;
    case Op::Delete:
      action_delete();
      break;
    case Op::Delete2:
      action_delete2();
      break;
    case Op::GetMember:
      action_get_member();
      break;
    case Op::SetMember:
      action_set_member();
      break;
    case Op::InitArray:
      action_init_array();
      break;
    case Op::InitObject:
      action_init_object();
      break;
    case Op::TypeOf:
      action_type_of();
      break;
    case Op::Enumerate:
      action_enumerate(false);
      break;
    case Op::Enumerate2:
      action_enumerate(true);
      break;
    case Op::InstanceOf:
      action_instance_of();
      break;
    case Op::Extends:
      action_extends();
      break;
    case Op::CastOp:
      action_cast();
      break;
    case Op::ImplementsOp:
      action_implements();
      break;
    case Op::Trace:
      action_trace();
      break;
    case Op::TargetPath:
      action_target_path();
      break;
    case Op::GetTime:
      push(Value(static_cast<double>(m_.milliseconds())));
      break;
    // Timeline
    case Op::NextFrame:
    case Op::PrevFrame:
    case Op::Play:
    case Op::Stop:
    case Op::ToggleQuality:
    case Op::StopSounds:
    case Op::EndDrag:
      timeline_simple(code);
      break;
    case Op::GotoFrame:
      action_goto_frame(body);
      break;
    case Op::GotoLabel:
      action_goto_label(body);
      break;
    case Op::GotoFrame2:
      action_goto_frame2(body);
      break;
    case Op::SetTarget:
      action_set_target(String(body.cstring()));
      break;
    case Op::SetTarget2:
      action_set_target(pop_string());
      break;
    case Op::GetURL:
      action_get_url(body);
      break;
    case Op::GetURL2:
      action_get_url2(body);
      break;
    case Op::WaitForFrame:
      return action_wait_for_frame(body, false);
    case Op::WaitForFrame2:
      return action_wait_for_frame(body, true);
    case Op::GetProperty:
      action_get_property();
      break;
    case Op::SetProperty:
      action_set_property();
      break;
    case Op::CloneSprite:
      action_clone_sprite();
      break;
    case Op::RemoveSprite:
      action_remove_sprite();
      break;
    case Op::StartDrag:
      action_start_drag();
      break;
    case Op::Call:
      action_call_frame();
      break;
    case Op::End:
      return Flow::End;
      // Unknown codes are skipped by their length.
  }
  return Flow::Continue;
}

void Interpreter::action_push(Body& body) {
  while (!body.at_end()) {
    switch (static_cast<PushType>(body.u8())) {
      case PushType::String:
        push(Value(String(body.cstring())));
        break;
      case PushType::Float: {
        std::uint32_t bits = body.u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        push(Value(static_cast<double>(f)));
        break;
      }
      case PushType::Null:
        push(Value::null());
        break;
      case PushType::Undefined:
        push(Value());
        break;
      case PushType::Register: {
        std::uint8_t r = body.u8();
        Value* slot = register_slot(r);
        push(slot ? *slot : Value());
        break;
      }
      case PushType::Boolean:
        push(Value(body.u8() != 0));
        break;
      case PushType::Double: {
        // Two little-endian 32-bit halves, the high half first.
        std::uint64_t high = body.u32(), low = body.u32();
        std::uint64_t bits = (high << 32) | low;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        push(Value(d));
        break;
      }
      case PushType::Integer:
        push(Value(static_cast<double>(body.s32())));
        break;
      case PushType::Constant8:
      case PushType::Constant16: {
        bool wide =
            body.data()[body.position() - 1] == static_cast<std::uint8_t>(PushType::Constant16);
        std::size_t index = wide ? body.u16() : body.u8();
        const auto& pool = act_.constants;
        push(pool && index < pool->size() ? Value((*pool)[index]) : Value());
        break;
      }
      default:
        return;  // an unknown type ends the record: its length is unknown
    }
  }
}

void Interpreter::action_store_register(Body& body) {
  std::uint8_t r = body.u8();
  if (Value* slot = register_slot(r)) *slot = peek();
}

// A function's own registers, then the four of the action list that runs:
// a function with fewer than four registers reaches those above its own.
Value* Interpreter::register_slot(std::uint8_t r) {
  if (r < act_.register_count) return &act_.registers[r];
  if (r < m_.global_registers.size()) return &m_.global_registers[r];
  return nullptr;
}

void Interpreter::action_constant_pool(Body& body) {
  std::uint16_t count = body.u16();
  auto pool = std::make_shared<std::vector<String>>();
  pool->reserve(std::min<std::size_t>(count, body.remaining()));
  for (std::uint16_t i = 0; i < count && !body.at_end(); ++i) pool->emplace_back(body.cstring());
  act_.constants = std::move(pool);
}

Interpreter::Flow Interpreter::action_with(Body& body) {
  std::uint16_t size = body.u16();
  std::size_t begin = pc_, end = std::min(code_.size(), pc_ + size);
  Value target = pop();
  Object* object = act_.to_object(target);
  if (!object || with_depth_ >= kMaxWithDepth) {
    pc_ = end;
    return Flow::Continue;
  }
  Scope* saved = act_.scope;
  act_.scope = m_.heap().make<Scope>(Scope::Kind::With, object, saved);
  ++with_depth_;
  struct Restore {
    Interpreter& in;
    Scope* scope;
    ~Restore() {
      in.act_.scope = scope;
      --in.with_depth_;
    }
  } restore{*this, saved};
  Flow flow = run_range(begin, end);
  return flow;
}

// Try: a flags byte (catch block, finally block, catch into a register),
// the three block sizes, then the catch variable's name or register. The
// blocks follow the action in order.
Interpreter::Flow Interpreter::action_try(Body& body) {
  std::uint8_t flags = body.u8();
  std::uint16_t try_size = body.u16(), catch_size = body.u16(), finally_size = body.u16();
  bool has_catch = flags & 1, has_finally = flags & 2, catch_in_register = flags & 4;
  String catch_name;
  std::uint8_t catch_register = 0;
  if (catch_in_register)
    catch_register = body.u8();
  else
    catch_name = String(body.cstring());

  std::size_t try_begin = pc_;
  std::size_t catch_begin = std::min(code_.size(), try_begin + try_size);
  std::size_t finally_begin = std::min(code_.size(), catch_begin + catch_size);
  std::size_t after = std::min(code_.size(), finally_begin + finally_size);
  if (!has_catch) catch_begin = finally_begin;

  Flow flow = Flow::Continue;
  bool thrown = false;
  Value exception;
  std::size_t depth = m_.stack.size();
  try {
    flow = run_range(try_begin, catch_begin);
    if (flow == Flow::Continue && pc_ >= try_begin && pc_ <= catch_begin) pc_ = after;
  } catch (const ScriptException& e) {
    thrown = true;
    exception = e.value;
    if (m_.stack.size() > depth) m_.stack.resize(depth);
  }
  if (thrown && has_catch) {
    if (catch_in_register) {
      if (Value* slot = register_slot(catch_register)) *slot = exception;
    } else {
      set_variable(act_, catch_name, exception);
    }
    pc_ = catch_begin;
    thrown = false;
    if (!has_finally) return run_range(catch_begin, finally_begin);
    // The finally block runs even when the catch block throws.
    try {
      flow = run_range(catch_begin, finally_begin);
      if (flow == Flow::Continue && pc_ >= catch_begin && pc_ <= finally_begin) pc_ = after;
    } catch (const ScriptException& e) {
      thrown = true;
      exception = e.value;
    }
  }
  if (has_finally) {
    std::size_t resume = pc_;
    Value saved_return = return_value_;
    pc_ = finally_begin;
    Flow finally_flow = run_range(finally_begin, after);
    if (finally_flow != Flow::Continue) return finally_flow;
    if (thrown) throw ScriptException{exception};
    return_value_ = saved_return;
    if (flow != Flow::Continue) return flow;
    pc_ = (resume >= finally_begin && resume <= after) ? after : resume;
    return Flow::Continue;
  }
  if (thrown) throw ScriptException{exception};
  return flow;
}

void Interpreter::action_define_function(Body& body, bool version2) {
  FunctionDefinition def;
  def.name = String(body.cstring());
  std::uint16_t count = body.u16();
  def.has_registers = version2;
  if (version2) {
    def.register_count = body.u8();
    def.flags = body.u16();
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    FunctionDefinition::Parameter p;
    if (version2) p.register_index = body.u8();
    p.name = String(body.cstring());
    def.parameters.push_back(std::move(p));
  }
  std::uint16_t size = body.u16();
  std::size_t begin = pc_, end = std::min(code_.size(), pc_ + size);
  def.code = Code{act_.code().owner, code_.subspan(begin, end - begin), act_.version()};
  def.constants = act_.constants;
  pc_ = end;

  Realm& realm = act_.realm();
  String name = def.name;
  auto* fn = m_.heap().make<ScriptFunction>(realm.function_proto, std::move(def), act_.scope,
                                            act_.base_clip);
  Object* prototype = act_.new_object();
  prototype->define("constructor", Value(fn), attr::DontEnum);
  fn->define("prototype", Value(prototype), attr::DontEnum | attr::DontDelete);
  if (name.empty()) {
    push(Value(fn));
  } else {
    // A named function is a local variable of where it is defined.
    if (act_.scope && act_.scope->kind == Scope::Kind::Local) {
      act_.scope->values->set(act_, name, Value(fn));
    } else {
      set_variable(act_, name, Value(fn));
    }
  }
}

void Interpreter::action_call_function() {
  String name = pop_string();
  std::size_t count =
      static_cast<std::size_t>(std::max(0.0, std::min(pop_number(), double(kMaxArguments))));
  std::vector<Value> args;
  args.reserve(std::min<std::size_t>(count, m_.stack.size() - stack_base_));
  for (std::size_t i = 0; i < count; ++i) args.push_back(pop());
  Value fn = get_variable(act_, name);
  Value this_value = act_.target ? Value(act_.target) : Value();
  push(act_.call(fn, this_value, args));
}

void Interpreter::action_call_method() {
  Value method = pop();
  Value object = pop();
  std::size_t count =
      static_cast<std::size_t>(std::max(0.0, std::min(pop_number(), double(kMaxArguments))));
  std::vector<Value> args;
  args.reserve(std::min<std::size_t>(count, m_.stack.size() - stack_base_));
  for (std::size_t i = 0; i < count; ++i) args.push_back(pop());
  if (method.is_undefined() || (method.is_string() && method.string().empty())) {
    // An empty name calls the object itself: super(...) and similar.
    push(call_value_as_function(act_, object, args));
    return;
  }
  push(call_member(act_, object, act_.to_string(method), args));
}

void Interpreter::action_new_object() {
  String name = pop_string();
  std::size_t count =
      static_cast<std::size_t>(std::max(0.0, std::min(pop_number(), double(kMaxArguments))));
  std::vector<Value> args;
  args.reserve(std::min<std::size_t>(count, m_.stack.size() - stack_base_));
  for (std::size_t i = 0; i < count; ++i) args.push_back(pop());
  Value ctor = get_variable(act_, name);
  push(act_.construct(ctor, args));
}

void Interpreter::action_new_method() {
  Value method = pop();
  Value object = pop();
  std::size_t count =
      static_cast<std::size_t>(std::max(0.0, std::min(pop_number(), double(kMaxArguments))));
  std::vector<Value> args;
  args.reserve(std::min<std::size_t>(count, m_.stack.size() - stack_base_));
  for (std::size_t i = 0; i < count; ++i) args.push_back(pop());
  Value ctor;
  if (method.is_undefined() || (method.is_string() && method.string().empty()))
    ctor = object.is_object() || object.is_nullish() ? object : Value(act_.to_object(object));
  else
    ctor = act_.get(object, act_.to_string(method));
  push(act_.construct(ctor, args));
}

}  // namespace strandel::avm1
