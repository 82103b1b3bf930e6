// A primitive held by an object: new String("a"), new Number(5), new
// Boolean(true), and the wrapper a primitive gets for a method call.
#pragma once

#include "avm1/object.h"

namespace strandel::avm1 {

class BoxedValue : public Object {
 public:
  BoxedValue(Object* proto, Value value) : Object(proto), value_(std::move(value)) {}
  const Value& value() const { return value_; }
  void set_value(Value v) { value_ = std::move(v); }

 private:
  Value value_;  // a primitive: nothing to trace
};

// The wrapper of a primitive with the realm's String, Number or Boolean
// prototype; a string's wrapper has its length.
BoxedValue* box_primitive(Activation& act, const Value& primitive);
// Length of a string as scripts count it: UTF-16 code units.
std::size_t script_length(const String& s);

}  // namespace strandel::avm1
