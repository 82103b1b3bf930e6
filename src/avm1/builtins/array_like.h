// How Array's methods see the object they run on. They are generic, as the
// vendor's are: any object with a `length` and elements named by index works,
// and only its own stored elements are read (no getters, no prototype).
// Each element read, written or removed counts as an action of the frame.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "avm1/array.h"
#include "avm1/object.h"

namespace strandel::avm1 {

class ArrayLike {
 public:
  ArrayLike(Activation& act, Object* object);

  std::uint32_t length() const { return length_; }
  // How many elements from the first a method visits: the length, at most
  // kMaxDenseElements.
  std::uint32_t visited() const { return std::min(length_, kMaxDenseElements); }
  Value element(std::uint32_t index) const;
  // The elements from `from` up to `to`, at most kMaxDenseElements of them.
  std::vector<Value> elements(std::uint32_t from, std::uint32_t to) const;
  // Deletes the element, when it may be deleted, then assigns it: the
  // element moves to the end of the enumeration order, and a read-only one
  // keeps its value.
  void replace(std::uint32_t index, const Value& value);
  void remove(std::uint32_t index);
  void set_length(std::int64_t length);

 private:
  Value stored(std::uint32_t index) const;

  Activation& act_;
  Object* object_;
  std::uint32_t length_ = 0;
};

class ClassBuilder;

// Array.prototype.sort and sortOn (array_sort.cpp), and the option constants
// they read (Array.NUMERIC and the others).
Value array_sort(Activation& act, const Value& self, std::span<const Value> args);
Value array_sort_on(Activation& act, const Value& self, std::span<const Value> args);
void add_sort_constants(ClassBuilder& array);

}  // namespace strandel::avm1
