// Arrays: objects whose numbered properties and `length` are kept in a
// dense vector. Other properties are stored as on any object.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "avm1/object.h"

namespace strandel::avm1 {

// Elements an array keeps in its vector; a script that sets a larger length
// or index gets the length it asked for, and the elements past this cap are
// stored as ordinary properties (so a billion-element length costs nothing).
inline constexpr std::uint32_t kMaxDenseElements = 1u << 22;

class ArrayObject : public Object {
 public:
  explicit ArrayObject(Object* proto) : Object(proto) {}

  std::uint32_t length() const { return length_; }
  void set_length(Activation& act, double length);
  Value at(Activation& act, std::uint32_t index);
  void put(Activation& act, std::uint32_t index, const Value& value);
  void push(const Value& value);
  // The elements below the dense cap, holes as undefined.
  const std::vector<Value>& elements() const { return elements_; }
  // Replaces every element (sort, splice, reverse...).
  void assign(std::vector<Value> elements);

  bool get_builtin(Activation& act, const String& name, Value& out) override;
  bool set_builtin(Activation& act, const String& name, const Value& value) override;
  void enumerate_builtin(Activation& act, std::vector<String>& names) override;
  bool delete_property(Activation& act, const String& name) override;
  void trace(Tracer& tracer) override;

 private:
  std::vector<Value> elements_;
  std::uint32_t length_ = 0;
};

// The index a property name stands for ("0", "17"), if it is one.
std::optional<std::uint32_t> array_index(const String& name);

}  // namespace strandel::avm1
