#include "avm1/native.h"

#include "avm1/machine.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

NativeFunction* make_native(Activation& act, NativeFn fn) {
  return act.heap().make<NativeFunction>(act.realm().function_proto, fn);
}

void define_method(Activation& act, Object* on, std::string_view name, NativeFn fn,
                   std::uint32_t attributes) {
  on->define(String(name), Value(make_native(act, fn)), attributes);
}

namespace {

// A property with no setter ignores assignments.
Value ignore_assignment(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void define_property(Activation& act, Object* on, std::string_view name, NativeFn getter,
                     NativeFn setter, std::uint32_t attributes) {
  on->define_accessor(String(name), make_native(act, getter),
                      make_native(act, setter ? setter : ignore_assignment), attributes);
}

ClassBuilder::ClassBuilder(Activation& act, const ClassSpec& info, Object* parent_proto)
    : act_(act), name_(info.name) {
  Realm& realm = act.realm();
  NativeFn call = info.call ? info.call : info.constructor;
  if (!call) call = ignore_assignment;
  constructor_ =
      act.heap().make<NativeFunction>(realm.function_proto, call, info.constructor, info.allocator);
  prototype_ = act.heap().make<Object>(parent_proto ? parent_proto : realm.object_proto);
  prototype_->define("constructor", Value(constructor_), attr::DontEnum);
  constructor_->define("prototype", Value(prototype_), attr::DontEnum | attr::DontDelete);
}

ClassBuilder& ClassBuilder::method(std::string_view name, NativeFn fn, std::uint32_t attributes) {
  define_method(act_, prototype_, name, fn, attributes);
  return *this;
}

ClassBuilder& ClassBuilder::property(std::string_view name, NativeFn getter, NativeFn setter,
                                     std::uint32_t attributes) {
  define_property(act_, prototype_, name, getter, setter, attributes);
  return *this;
}

ClassBuilder& ClassBuilder::static_method(std::string_view name, NativeFn fn,
                                          std::uint32_t attributes) {
  define_method(act_, constructor_, name, fn, attributes);
  return *this;
}

ClassBuilder& ClassBuilder::static_property(std::string_view name, NativeFn getter, NativeFn setter,
                                            std::uint32_t attributes) {
  define_property(act_, constructor_, name, getter, setter, attributes);
  return *this;
}

ClassBuilder& ClassBuilder::constant(std::string_view name, const Value& value,
                                     std::uint32_t attributes) {
  constructor_->define(String(name), value, attributes);
  return *this;
}

void ClassBuilder::install(Object* where, std::uint32_t attributes) {
  where->define(String(name_), Value(constructor_), attributes);
  act_.realm().prototypes[std::string(name_)] = prototype_;
}

}  // namespace strandel::avm1
