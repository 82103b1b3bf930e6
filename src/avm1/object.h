// Script objects: a property map, a prototype, and the hooks a built-in kind
// (a function, an array, a clip) overrides.
//
// Lookup as the vendor's player does it: an object's own stored properties,
// then its built-in ones (get_builtin: a clip's _x or its child named so),
// then the prototype chain; a property made by addProperty calls its getter
// with the object the lookup started from; when nothing is found, a
// `__resolve` function found the same way is asked. Names fold case for code
// below version 7 (the Activation says which).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "avm1/heap.h"
#include "avm1/property_map.h"
#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;

// How far a lookup follows __proto__, so a cycle made by a script ends.
inline constexpr int kMaxPrototypeChain = 256;

class Object : public Cell {
 public:
  explicit Object(Object* proto = nullptr);

  Object* proto() const { return proto_; }
  // Interfaces an AS2 class's prototype implements (ImplementsOp).
  std::vector<Object*>& interfaces();
  bool has_interfaces() const { return interfaces_ != nullptr; }
  // Sets the prototype and the __proto__ property that shows it.
  void set_proto(Object* proto);

  // As scripts see them.
  Value get(Activation& act, const String& name);
  // get() without the __resolve fallback: false when nothing has the name.
  bool lookup(Activation& act, const String& name, Value& out);
  void set(Activation& act, const String& name, const Value& value);
  bool has_property(Activation& act, const String& name);
  bool has_own_property(Activation& act, const String& name);
  virtual bool delete_property(Activation& act, const String& name);
  // The names for..in visits: own then inherited, newest first, each once,
  // without the don't-enumerate ones.
  std::vector<String> enumerate(Activation& act);

  // For the built-ins: store without setters, watchers or read-only checks.
  void define(const String& name, const Value& value, std::uint32_t attributes = 0);
  void define_accessor(const String& name, Object* getter, Object* setter,
                       std::uint32_t attributes = 0);
  Property* own_property(const String& name, bool case_sensitive = false) {
    return props_.find(name, case_sensitive);
  }
  PropertyMap& properties() { return props_; }

  // Object.watch / unwatch: a function called with (name, old, new, data)
  // whose result is what the assignment stores.
  void watch(const String& name, Object* callback, const Value& data);
  bool unwatch(const String& name);

  // The object that property access on this one goes to: itself, except for
  // a removed clip's script object, which stands for what replaced it.
  virtual Object* redirect(Activation& act) {
    (void)act;
    return this;
  }

  // What typeof says.
  virtual std::string_view type_of() const { return "object"; }
  virtual bool callable() const { return false; }
  // A call of the object as a function; undefined for plain objects.
  virtual Value call(Activation& act, const Value& this_value, std::span<const Value> args);
  // `new` with this object as the constructor.
  virtual Value construct(Activation& act, std::span<const Value> args);
  // A property that is not stored: looked up after the stored ones. True when
  // the name is one; `out` is then its value.
  virtual bool get_builtin(Activation& act, const String& name, Value& out);
  // Asked before storing: true when the name is a built-in property and the
  // assignment went to it.
  virtual bool set_builtin(Activation& act, const String& name, const Value& value);
  // Built-in names for..in shows besides the stored ones (a clip's children).
  virtual void enumerate_builtin(Activation& act, std::vector<String>& names);
  // The object as a primitive for arithmetic: what valueOf gives, or the
  // object itself when that is not a primitive (a clip is always itself).
  virtual Value default_value(Activation& act);
  // The object as text: what toString gives ("[type Object]" when it gives
  // no string); a clip is its path.
  virtual String default_string(Activation& act);

  void trace(Tracer& tracer) override;

 protected:
  // A stored property visible to the running code, on this object only.
  Property* find_own(Activation& act, const String& name);

 private:
  struct Watcher {
    String name;
    Object* callback;
    Value data;
    std::uint32_t serial = 0;  // for the nesting limit while its property does not exist
  };
  Value run_watcher(Activation& act, const String& name, const Value& old_value,
                    const Value& new_value, bool& watched);
  void store(Activation& act, Property& p, const Value& value);
  // set() once the watchers have had their say.
  void assign(Activation& act, const String& name, const Value& value);

  Object* proto_ = nullptr;
  PropertyMap props_;
  std::unique_ptr<std::vector<Watcher>> watchers_;
  std::unique_ptr<std::vector<Object*>> interfaces_;
};

// Whether `name` is "__proto__" for code of this case sensitivity.
bool is_proto_name(const String& name, bool case_sensitive);

}  // namespace strandel::avm1
