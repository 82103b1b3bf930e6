// Object: the root of every prototype chain, and Object.prototype's methods.
#include "avm1/boxed.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// Object(v) and new Object(v): an object stays itself, a primitive is boxed.
Value object_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& v = arg(args, 0);
  if (v.is_object()) return v;
  if (!v.is_nullish()) return Value(act.to_object(v));
  return self.is_object() ? self : Value(act.new_object());
}

Value object_call(Activation& act, const Value&, std::span<const Value> args) {
  const Value& v = arg(args, 0);
  if (v.is_object()) return v;
  if (!v.is_nullish()) return Value(act.to_object(v));
  return Value(act.new_object());
}

Value to_string(Activation&, const Value& self, std::span<const Value>) {
  if (Object* o = self.object(); o && o->callable()) return Value("[type Function]");
  return Value("[object Object]");
}

Value value_of(Activation&, const Value& self, std::span<const Value>) { return self; }

Value has_own_property(Activation& act, const Value& self, std::span<const Value> args) {
  Object* o = self.object();
  return Value(o && o->has_own_property(act, act.to_string(arg(args, 0))));
}

Value is_prototype_of(Activation&, const Value& self, std::span<const Value> args) {
  Object* proto = self.object();
  Object* o = arg(args, 0).object();
  if (!proto || !o) return Value(false);
  o = o->proto();
  for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth, o = o->proto())
    if (o == proto) return Value(true);
  return Value(false);
}

Value property_is_enumerable(Activation& act, const Value& self, std::span<const Value> args) {
  Object* o = self.object();
  if (!o) return Value(false);
  Property* p = o->own_property(act.to_string(arg(args, 0)), act.case_sensitive());
  return Value(p && !(p->attributes & attr::DontEnum));
}

// addProperty(name, getter, setter): the setter may be null for a property
// that ignores assignments.
Value add_property(Activation& act, const Value& self, std::span<const Value> args) {
  Object* o = self.object();
  if (!o || args.size() < 2) return Value(false);
  String name = act.to_string(args[0]);
  Object* getter = args[1].object();
  Object* setter = arg(args, 2).object();
  if (name.empty() || !getter || !getter->callable()) return Value(false);
  if (setter && !setter->callable()) return Value(false);
  if (!setter && !arg(args, 2).is_null()) return Value(false);
  Property* p = o->own_property(name, act.case_sensitive());
  std::uint32_t attributes = p ? p->attributes : 0;
  o->define_accessor(p ? p->name : name, getter, setter, attributes);
  return Value(true);
}

Value watch(Activation& act, const Value& self, std::span<const Value> args) {
  Object* o = self.object();
  Object* callback = arg(args, 1).object();
  if (!o || !callback || !callback->callable()) return Value(false);
  o->watch(act.to_string(arg(args, 0)), callback, arg(args, 2));
  return Value(true);
}

Value unwatch(Activation& act, const Value& self, std::span<const Value> args) {
  Object* o = self.object();
  return Value(o && o->unwatch(act.to_string(arg(args, 0))));
}

Value register_class(Activation& act, const Value&, std::span<const Value> args) {
  if (args.size() < 2) return Value(false);
  String name = act.to_string(args[0]);
  Object* ctor = args[1].object();
  // A constructor registers, null or undefined unregisters; anything else
  // is refused.
  if (ctor ? !ctor->callable() : !args[1].is_nullish()) return Value(false);
  if (ctor)
    act.realm().registered_classes[name.str()] = ctor;
  else
    act.realm().registered_classes.erase(name.str());
  return Value(true);
}

}  // namespace

void register_object(Realm& realm, Activation& act) {
  Heap& heap = act.heap();
  realm.object_proto = heap.make<Object>(nullptr);
  realm.function_proto = heap.make<Object>(realm.object_proto);
  // _global has no prototype: Object.prototype's names are not globals.
  realm.global = heap.make<Object>(nullptr);

  ClassBuilder object(act, {"Object", object_constructor, object_call});
  // Object.prototype is the one made above, the end of every chain.
  Object* proto = realm.object_proto;
  proto->define("constructor", Value(object.constructor()), attr::DontEnum);
  object.constructor()->define("prototype", Value(proto), attr::Hidden);
  define_method(act, proto, "toString", to_string);
  define_method(act, proto, "toLocaleString", to_string);
  define_method(act, proto, "valueOf", value_of);
  define_method(act, proto, "hasOwnProperty", has_own_property);
  define_method(act, proto, "isPrototypeOf", is_prototype_of);
  define_method(act, proto, "propertyIsEnumerable", property_is_enumerable);
  define_method(act, proto, "addProperty", add_property);
  define_method(act, proto, "watch", watch);
  define_method(act, proto, "unwatch", unwatch);
  object.static_method("registerClass", register_class);
  realm.global->define("Object", Value(object.constructor()), attr::DontEnum);
  realm.object_ctor = object.constructor();
  realm.prototypes["Object"] = proto;
}

}  // namespace strandel::avm1
