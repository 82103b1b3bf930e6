// How to write a built-in: a method, a property or a whole class.
//
// A built-in is one C++ function of this shape (see NativeFn):
//
//   Value point_length(Activation& act, const Value& self, std::span<const Value> args) {
//     double x = act.to_number(act.get(self, "x")), y = act.to_number(act.get(self, "y"));
//     return std::hypot(x, y);
//   }
//
// It gets the caller's activation (conversions follow the caller's version;
// act.call() runs script functions; act.throw_value() throws), `this`, and
// the arguments given (arg(args, i) is undefined past the end). It returns
// the result, or Value() for undefined.
//
// A class lives in its own file under builtins/ with one registration
// function, listed in builtins/builtins.cpp:
//
//   Value point_constructor(Activation& act, const Value& self, std::span<const Value> args) {
//     act.set(self, "x", arg(args, 0));
//     act.set(self, "y", arg(args, 1));
//     return Value();
//   }
//
//   void register_point(Realm& realm, Activation& act) {
//     ClassBuilder point(act, "Point", {point_constructor});
//     point.method("length", point_length)
//          .property("area", point_area_get, point_area_set)
//          .static_method("distance", point_distance);
//     point.install(realm.global);  // _global.Point, don't-enumerate
//   }
//
// Methods and properties default to don't-enumerate and don't-delete, as the
// vendor's built-ins are; pass attributes (attr::*) to change that or to hide
// a name from older movies (attr::Version6...). A class whose instances are a
// C++ subclass of Object gives an allocator in its ClassSpec; its methods
// find their object with this_as<T>(self) (null when called on another kind).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "avm1/activation.h"
#include "avm1/function.h"
#include "avm1/object.h"
#include "avm1/value.h"

namespace strandel::avm1 {

struct Realm;

inline const Value& arg(std::span<const Value> args, std::size_t i) {
  static const Value undefined = Value();
  return i < args.size() ? args[i] : undefined;
}

template <class T>
T* this_as(const Value& self) {
  return dynamic_cast<T*>(self.object());
}

// A built-in function object with Function.prototype.
NativeFunction* make_native(Activation& act, NativeFn fn);

// Defines a method on an object (a prototype, a class, _global).
void define_method(Activation& act, Object* on, std::string_view name, NativeFn fn,
                   std::uint32_t attributes = attr::Hidden);
// Defines a getter/setter pair; a null setter makes the property read-only
// (assignments are ignored).
void define_property(Activation& act, Object* on, std::string_view name, NativeFn getter,
                     NativeFn setter = nullptr, std::uint32_t attributes = attr::Hidden);

struct ClassSpec {
  std::string_view name;
  NativeFn constructor = nullptr;  // `new Name(...)` and super(...): `self` is the new object
  NativeFn call = nullptr;         // `Name(...)` without new; the constructor when null
  Allocator allocator = nullptr;   // what `new` makes; a plain object when null
};

class ClassBuilder {
 public:
  // `parent_proto` is the prototype's own prototype: Object.prototype when null.
  ClassBuilder(Activation& act, const ClassSpec& info, Object* parent_proto = nullptr);

  ClassBuilder& method(std::string_view name, NativeFn fn, std::uint32_t attributes = attr::Hidden);
  ClassBuilder& property(std::string_view name, NativeFn getter, NativeFn setter = nullptr,
                         std::uint32_t attributes = attr::Hidden);
  ClassBuilder& static_method(std::string_view name, NativeFn fn,
                              std::uint32_t attributes = attr::Hidden);
  ClassBuilder& static_property(std::string_view name, NativeFn getter, NativeFn setter = nullptr,
                                std::uint32_t attributes = attr::Hidden);
  ClassBuilder& constant(std::string_view name, const Value& value,
                         std::uint32_t attributes = attr::Fixed);

  // Puts the constructor on `where` under the class name and registers the
  // prototype by that name (Realm::prototype).
  void install(Object* where, std::uint32_t attributes = attr::DontEnum);

  NativeFunction* constructor() const { return constructor_; }
  Object* prototype() const { return prototype_; }

 private:
  Activation& act_;
  std::string_view name_;
  NativeFunction* constructor_;
  Object* prototype_;
};

}  // namespace strandel::avm1
