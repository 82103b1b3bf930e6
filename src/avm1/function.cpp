#include "avm1/function.h"

#include "avm1/activation.h"
#include "avm1/array.h"
#include "avm1/clip.h"
#include "avm1/errors.h"
#include "avm1/interpreter.h"
#include "avm1/machine.h"
#include "avm1/scope.h"
#include "avm1/super.h"

namespace strandel::avm1 {

namespace {

// Counts a call against the recursion limit for as long as it runs.
class CallDepth {
 public:
  explicit CallDepth(Machine& m) : m_(m) {
    if (m_.call_depth >= kMaxCallDepth)
      throw ScriptHalt{"256 levels of recursion were exceeded in one action list"};
    ++m_.call_depth;
  }
  ~CallDepth() { --m_.call_depth; }
  CallDepth(const CallDepth&) = delete;
  CallDepth& operator=(const CallDepth&) = delete;

 private:
  Machine& m_;
};

}  // namespace

// A script class whose prototype chain leads to a built-in class's
// (`class A extends Array`, or A.prototype = new XML()) makes objects of that
// built-in's kind, so the built-in's constructor, run by super(), and its
// methods find the data they keep.
Object* FunctionObject::allocate(Activation& act, Object* proto) {
  int depth = 0;
  for (Object* p = proto; p && depth < kMaxPrototypeChain; p = p->proto(), ++depth) {
    Property* c = p->own_property("__constructor__");
    auto* native = c && !c->accessor() ? dynamic_cast<NativeFunction*>(c->value.object()) : nullptr;
    if (native && native->allocator()) return native->allocator()(act, proto);
  }
  return act.heap().make<Object>(proto);
}

// `new`: the prototype comes from the constructor's `prototype` property;
// the object remembers its constructor in __constructor__ (and, before
// version 7, in `constructor` too).
Value FunctionObject::construct(Activation& act, std::span<const Value> args) {
  Value proto_value = get(act, "prototype");
  Object* instance = allocate(act, proto_value.object());
  // A prototype that is no object is still the instance's __proto__.
  if (!proto_value.is_object() && !proto_value.is_undefined())
    instance->define("__proto__", proto_value, attr::DontEnum | attr::DontDelete);
  instance->define("__constructor__", Value(this), attr::DontEnum);
  if (act.version() < 7) instance->define("constructor", Value(this), attr::DontEnum);
  call(act, Value(instance), args);
  return Value(instance);
}

Value NativeFunction::call(Activation& act, const Value& this_value, std::span<const Value> args) {
  CallDepth depth(act.machine());
  try {
    return fn_(act, this_value, args);
  } catch (const NoObject&) {
    return Value();
  }
}

Value NativeFunction::initialise(Activation& act, const Value& this_value,
                                 std::span<const Value> args) {
  try {
    return run_constructor(act, this_value, args);
  } catch (const NoObject&) {
    return Value();
  }
}

Value NativeFunction::run_constructor(Activation& act, const Value& this_value,
                                      std::span<const Value> args) {
  CallDepth depth(act.machine());
  return (constructor_ ? constructor_ : fn_)(act, this_value, args);
}

Object* NativeFunction::allocate(Activation& act, Object* proto) {
  return allocator_ ? allocator_(act, proto) : act.heap().make<Object>(proto);
}

Value NativeFunction::construct(Activation& act, std::span<const Value> args) {
  Value proto_value = get(act, "prototype");
  Object* instance = allocate(act, proto_value.object());
  // A prototype that is no object is still the instance's __proto__.
  if (!proto_value.is_object() && !proto_value.is_undefined())
    instance->define("__proto__", proto_value, attr::DontEnum | attr::DontDelete);
  instance->define("__constructor__", Value(this), attr::DontEnum);
  if (act.version() < 7) instance->define("constructor", Value(this), attr::DontEnum);
  Value result;
  try {
    result = run_constructor(act, Value(instance), args);
  } catch (const NoObject&) {
    return Value();
  }
  // A built-in constructor may hand back another object (or a primitive,
  // which `new` ignores).
  if (result.is_object()) return result;
  return Value(instance);
}

void ScriptFunction::trace(Tracer& tracer) {
  FunctionObject::trace(tracer);
  tracer.mark(scope_);
  tracer.mark(base_clip_);
}

Value ScriptFunction::call(Activation& act, const Value& this_value, std::span<const Value> args) {
  return call_with(act, this_value, args, nullptr, false);
}

namespace {

Object* make_arguments(Activation& act, std::span<const Value> args, FunctionObject* callee) {
  ArrayObject* arguments = act.new_array(args);
  arguments->define("callee", Value(callee), attr::DontEnum);
  arguments->define("caller", act.callee ? Value(act.callee) : Value::null(), attr::DontEnum);
  return arguments;
}

// The object `super` names inside a function called on `this_value`: its
// home is the prototype the method was found on (the object's own prototype
// for a constructor), so super() calls the home's __constructor__ and
// super.m() finds m above the home.
Object* make_super(Activation& act, const Value& this_value, Object* found_on) {
  Object* self = this_value.object();
  if (!self) return nullptr;
  Object* home = found_on ? found_on : self->proto();
  if (!home) return nullptr;
  return act.heap().make<SuperObject>(self, home);
}

}  // namespace

Value ScriptFunction::call_with(Activation& caller, const Value& this_value,
                                std::span<const Value> args, Object* found_on, bool constructing) {
  (void)constructing;
  Machine& m = caller.machine();
  CallDepth depth(m);
  const FunctionDefinition& def = definition_;

  // Timeline actions inside a function address the clip it was defined on;
  // while that clip is gone, the clip it was called on, or else the main
  // timeline.
  Object* target = base_clip_;
  auto* this_clip = dynamic_cast<ClipObject*>(this_value.object());
  if (auto* clip = dynamic_cast<ClipObject*>(base_clip_); clip && clip->removed())
    target = this_clip ? this_clip : clip_root(caller, clip).object();
  // Version 5 functions keep no closure: they see their locals, the clip
  // they were called on (or else the one they were defined on) and the
  // globals.
  Scope* outer = scope_;
  if (def.code.version < 6) {
    if (this_clip) target = this_clip;
    outer = m.clip_scope(target);
  }
  Object* locals = m.heap().make<Object>(nullptr);
  Scope* scope = m.heap().make<Scope>(Scope::Kind::Local, locals, outer);
  Activation act(m, def.code, scope, this_value, target, base_clip_);
  act.constants = def.constants;
  act.callee = this;
  if (def.has_registers) {
    act.local_registers.resize(def.register_count);
    act.registers = act.local_registers.data();
    act.register_count = act.local_registers.size();
  }

  // DefineFunction2 puts this, arguments, super, _root, _parent and _global
  // in registers 1, 2... in that order, each only when asked for.
  std::uint16_t f = def.has_registers ? def.flags : 0;
  std::size_t next_register = 1;
  auto preload = [&](const Value& v) {
    if (next_register < act.register_count) act.registers[next_register] = v;
    ++next_register;
  };
  if (f & function_flag::PreloadThis)
    preload(this_value);
  else if (!(f & function_flag::SuppressThis))
    locals->define("this", this_value);
  if (f & function_flag::PreloadArguments) {
    preload(Value(make_arguments(caller, args, this)));
  } else if (!(f & function_flag::SuppressArguments)) {
    locals->define("arguments", Value(make_arguments(caller, args, this)));
  }
  if (f & function_flag::PreloadSuper) {
    act.super_object = make_super(caller, this_value, found_on);
    preload(Value(act.super_object));
  } else if (!(f & function_flag::SuppressSuper)) {
    act.super_object = make_super(caller, this_value, found_on);
  }
  if (f & function_flag::PreloadRoot) preload(clip_root(act, target));
  if (f & function_flag::PreloadParent) preload(clip_parent(act, target));
  if (f & function_flag::PreloadGlobal) preload(Value(m.realm().global));

  for (std::size_t i = 0; i < def.parameters.size(); ++i) {
    const auto& p = def.parameters[i];
    Value v = i < args.size() ? args[i] : Value();
    if (def.has_registers && p.register_index != 0) {
      if (p.register_index < act.register_count) act.registers[p.register_index] = v;
    } else {
      locals->define(p.name, v);
    }
  }
  return interpret(act);
}

}  // namespace strandel::avm1
