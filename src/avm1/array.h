// Arrays: ordinary objects whose elements are properties named by their
// index, as the vendor's player keeps them, plus a `length` that follows
// the highest index stored. Holes are missing properties, for..in shows the
// elements in the order they were made, and a large length costs nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "avm1/object.h"

namespace strandel::avm1 {

// Elements an array method visits at most: a script that sets a length past
// it gets that length, but join, sort, splice and the others stop here so a
// billion-element length never makes a billion-element copy (each element
// visited also counts as an action against the frame's budget).
inline constexpr std::uint32_t kMaxDenseElements = 1u << 18;

class ArrayObject : public Object {
 public:
  explicit ArrayObject(Object* proto) : Object(proto) {}

  // The length as scripts see it: negative after `new Array(-1)`.
  std::int32_t script_length() const { return length_; }
  // The length as a count of elements, 0 when negative.
  std::uint32_t length() const { return length_ > 0 ? static_cast<std::uint32_t>(length_) : 0; }
  // Sets the length; elements at or past a shorter one are removed.
  void set_length(Activation& act, std::int32_t length);
  // a[index] and a[index] = value, as the GetMember and SetMember actions do.
  Value at(Activation& act, std::uint32_t index);
  void put(Activation& act, std::uint32_t index, const Value& value);
  // Appends after the last element without any script running.
  void push(const Value& value);
  // Replaces every element by `elements`, in order, leaving other properties.
  void assign(std::span<const Value> elements);

  bool get_builtin(Activation& act, const String& name, Value& out) override;
  bool set_builtin(Activation& act, const String& name, const Value& value) override;

 private:
  // Removes the elements at `first` and above.
  void remove_from(std::int64_t first);

  std::int32_t length_ = 0;
};

// The index a property name stands for ("0", "17"), if it is one.
std::optional<std::uint32_t> array_index(const String& name);
String index_name(std::uint32_t index);

}  // namespace strandel::avm1
