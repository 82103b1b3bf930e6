// Functions: objects that can be called. Built-in ones run C++ (see native.h
// for how to write one); script ones run the bytecode of a DefineFunction or
// DefineFunction2 action in a new activation.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "avm1/code.h"
#include "avm1/object.h"

namespace strandel::avm1 {

class Activation;
class Scope;

// A built-in method, property accessor or constructor. `this_value` is the
// object the call was made on (for a constructor, the object being made);
// missing arguments are not in `args`: use arg() from native.h.
using NativeFn = Value (*)(Activation& act, const Value& this_value, std::span<const Value> args);
// Makes the object `new` hands a built-in constructor: an array for Array,
// a date for Date. Plain objects when a class gives none.
using Allocator = Object* (*)(Activation& act, Object* proto);

class FunctionObject : public Object {
 public:
  using Object::Object;
  std::string_view type_of() const override { return "function"; }
  bool callable() const override { return true; }
  // `new`: an object whose prototype is this function's `prototype`,
  // initialised by a call with it as `this`. The call's result replaces it
  // only when a built-in constructor returns an object.
  Value construct(Activation& act, std::span<const Value> args) override;

 protected:
  virtual Object* allocate(Activation& act, Object* proto);
  virtual bool native() const { return false; }
};

// Thrown by a built-in constructor whose arguments make no object (a
// BitmapData of no size): `new` then gives undefined, as does a call.
struct NoObject {};

class NativeFunction : public FunctionObject {
 public:
  NativeFunction(Object* proto, NativeFn fn, NativeFn constructor = nullptr,
                 Allocator allocator = nullptr)
      : FunctionObject(proto), fn_(fn), constructor_(constructor), allocator_(allocator) {}

  Value call(Activation& act, const Value& this_value, std::span<const Value> args) override;
  Value construct(Activation& act, std::span<const Value> args) override;
  // The constructor's initialisation of an existing object: what super()
  // does from a subclass.
  Value initialise(Activation& act, const Value& this_value, std::span<const Value> args);
  Allocator allocator() const { return allocator_; }

 protected:
  Object* allocate(Activation& act, Object* proto) override;
  bool native() const override { return true; }

 private:
  Value run_constructor(Activation& act, const Value& this_value, std::span<const Value> args);

  NativeFn fn_;
  NativeFn constructor_;  // `new`; fn_ when null
  Allocator allocator_;
};

// DefineFunction2's flags: which of this, arguments, super, _root, _parent
// and _global are put in registers, and which are left out of the locals.
namespace function_flag {
constexpr std::uint16_t PreloadThis = 0x0001, SuppressThis = 0x0002, PreloadArguments = 0x0004,
                        SuppressArguments = 0x0008, PreloadSuper = 0x0010, SuppressSuper = 0x0020,
                        PreloadRoot = 0x0040, PreloadParent = 0x0080, PreloadGlobal = 0x0100;
}  // namespace function_flag

struct FunctionDefinition {
  String name;
  struct Parameter {
    String name;
    std::uint8_t register_index = 0;  // DefineFunction2: 0 means a local variable
  };
  std::vector<Parameter> parameters;
  std::uint8_t register_count = 0;  // DefineFunction2 only
  std::uint16_t flags = 0;
  bool has_registers = false;  // DefineFunction2
  Code code;                   // the body
  ConstantPool constants;      // the pool in force where it was defined
};

class ScriptFunction : public FunctionObject {
 public:
  ScriptFunction(Object* proto, FunctionDefinition definition, Scope* scope, Object* base_clip)
      : FunctionObject(proto),
        definition_(std::move(definition)),
        scope_(scope),
        base_clip_(base_clip) {}

  Value call(Activation& act, const Value& this_value, std::span<const Value> args) override;
  // A call made as `super(...)` or a method call: `super_object` is what
  // `super` refers to inside.
  Value call_with(Activation& act, const Value& this_value, std::span<const Value> args,
                  Object* super_object, bool constructing);

  const FunctionDefinition& definition() const { return definition_; }
  Object* base_clip() const { return base_clip_; }
  void trace(Tracer& tracer) override;

 private:
  FunctionDefinition definition_;
  Scope* scope_;       // where it was defined
  Object* base_clip_;  // the timeline it was defined on
};

}  // namespace strandel::avm1
