#include "avm1/activation.h"

#include <algorithm>

#include "avm1/array.h"
#include "avm1/calls.h"
#include "avm1/errors.h"
#include "avm1/function.h"
#include "avm1/machine.h"

namespace strandel::avm1 {

Activation::Activation(Machine& machine, const Code& code, Scope* scope, Value this_value,
                       Object* target, Object* base_clip)
    : this_value(std::move(this_value)),
      scope(scope),
      target(target),
      base_clip(base_clip),
      registers(machine.global_registers.data()),
      machine_(machine),
      code_(code) {}

Activation::~Activation() = default;

Heap& Activation::heap() const { return machine_.heap(); }
Realm& Activation::realm() const { return machine_.realm(); }
Object* Activation::global() const { return machine_.realm().global; }

Value Activation::call(const Value& function, const Value& this_value,
                       std::span<const Value> args) {
  Object* f = function.object();
  if (!f || !f->callable()) return Value();
  return f->call(*this, this_value, args);
}

Value Activation::call_method(const Value& object, const String& name,
                              std::span<const Value> args) {
  return call_member(*this, object, name, args);
}

Value Activation::construct(const Value& constructor, std::span<const Value> args) {
  Object* f = constructor.object();
  if (!f || !f->callable()) return Value();
  return f->construct(*this, args);
}

Value Activation::get(const Value& object, const String& name) {
  if (object.is_nullish()) return Value();
  Object* o = to_object(object);
  return o ? o->get(*this, name) : Value();
}

void Activation::set(const Value& object, const String& name, const Value& value) {
  if (Object* o = object.object()) o->set(*this, name, value);
}

Object* Activation::new_object() { return heap().make<Object>(realm().object_proto); }

ArrayObject* Activation::new_array(std::span<const Value> elements) {
  auto* array = heap().make<ArrayObject>(realm().array_proto);
  array->assign(std::vector<Value>(elements.begin(), elements.end()));
  return array;
}

Value Activation::construct_class(std::string_view class_name, std::span<const Value> args) {
  Property* p = global()->own_property(String(class_name), true);
  if (!p) return Value();
  return construct(p->value, args);
}

void Activation::throw_value(const Value& value) { throw ScriptException{value}; }

// Strings of movies before version 6 are bytes in the system's code page,
// taken here as Latin-1: the output is UTF-8.
void Activation::trace(std::string_view line) {
  if (!machine_.on_trace) return;
  bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return (c & 0x80) == 0; });
  if (version() >= 6 || ascii) {
    machine_.on_trace(line);
    return;
  }
  std::u16string units;
  units.reserve(line.size());
  for (char c : line) units += static_cast<char16_t>(static_cast<unsigned char>(c));
  machine_.on_trace(to_utf8(units));
}

}  // namespace strandel::avm1
