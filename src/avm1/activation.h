// An activation: one running action block or function call, and the
// context every built-in receives. It knows the version of the running code
// (which decides the conversions and whether names fold case), `this`, the
// scope chain, the timeline that timeline actions address, and gives the
// built-ins what they need to call back into scripts.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "avm1/code.h"
#include "avm1/conversions.h"
#include "avm1/object.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class ArrayObject;
class FunctionObject;
class Machine;
class Scope;
struct Realm;

class Activation {
 public:
  Activation(Machine& machine, const Code& code, Scope* scope, Value this_value, Object* target,
             Object* base_clip);
  Activation(const Activation&) = delete;
  Activation& operator=(const Activation&) = delete;
  ~Activation();

  Machine& machine() const { return machine_; }
  Heap& heap() const;
  Realm& realm() const;
  Object* global() const;
  int version() const { return code_.version; }
  bool case_sensitive() const { return code_.version >= 7; }

  // --- For built-ins ---
  // Calls a function value; anything not callable gives undefined.
  Value call(const Value& function, const Value& this_value, std::span<const Value> args = {});
  Value call(const Value& function, const Value& this_value, std::initializer_list<Value> args) {
    return call(function, this_value, std::span<const Value>(args.begin(), args.size()));
  }
  // object[name](args...), with primitives boxed.
  Value call_method(const Value& object, const String& name, std::span<const Value> args = {});
  Value call_method(const Value& object, const String& name, std::initializer_list<Value> args) {
    return call_method(object, name, std::span<const Value>(args.begin(), args.size()));
  }
  Value construct(const Value& constructor, std::span<const Value> args = {});
  // Property access on any value: primitives are boxed; undefined and null
  // have no properties.
  Value get(const Value& object, const String& name);
  void set(const Value& object, const String& name, const Value& value);

  double to_number(const Value& v) { return v.is_number() ? v.number() : avm1::to_number(*this, v); }
  String to_string(const Value& v) { return avm1::to_string(*this, v); }
  bool to_boolean(const Value& v) const { return avm1::to_boolean(v, version()); }
  std::int32_t to_int32(const Value& v) { return avm1::to_int32(*this, v); }
  double to_integer(const Value& v) { return avm1::to_integer(*this, v); }
  Value to_primitive(const Value& v, Hint hint = Hint::Number) {
    return avm1::to_primitive(*this, v, hint);
  }
  Object* to_object(const Value& v) { return avm1::to_object(*this, v); }

  // A plain object with Object.prototype.
  Object* new_object();
  ArrayObject* new_array(std::span<const Value> elements = {});
  // An object of a registered class by its name ("Error", "Point"): what
  // `new` of its constructor on _global would make.
  Value construct_class(std::string_view class_name, std::span<const Value> args = {});

  // A script-visible `throw` of any value.
  [[noreturn]] void throw_value(const Value& value);
  // Writes a line to the trace output.
  void trace(std::string_view line);

  // --- The running frame, for the interpreter and the timeline built-ins ---
  Value this_value;
  Scope* scope;
  Object* target;     // what timeline actions and relative paths address (tellTarget)
  Object* base_clip;  // the timeline the code belongs to
  Value* registers;   // four shared ones, or the function's own
  std::size_t register_count = 4;
  ConstantPool constants;
  FunctionObject* callee = nullptr;
  Object* super_object = nullptr;
  std::vector<Value> local_registers;
  const Code& code() const { return code_; }
  void set_code(const Code& code) { code_ = code; }

 private:
  Machine& machine_;
  Code code_;
};

}  // namespace strandel::avm1
