// Array: the constructor and the methods of Array.prototype except sorting
// (array_sort.cpp). The methods work on any object through ArrayLike.
#include "avm1/array.h"

#include <algorithm>
#include <cmath>

#include "avm1/builtins/array_like.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Object* allocate_array(Activation& act, Object* proto) {
  return act.heap().make<ArrayObject>(proto);
}

// new Array(n) makes an empty array of length n; any other arguments are
// the elements.
Value array_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  auto* a = this_as<ArrayObject>(self);
  if (!a) return Value();
  if (args.size() == 1 && args[0].is_number()) {
    a->set_length(act, act.to_int32(args[0]));
  } else {
    a->assign(args);
  }
  return Value();
}

Value array_call(Activation& act, const Value&, std::span<const Value> args) {
  ArrayObject* a = act.new_array();
  array_constructor(act, Value(a), args);
  return Value(a);
}

Value push(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayLike a(act, self.object());
  if (!self.is_object()) return Value();
  std::int64_t n = a.length();
  for (const Value& v : args) a.replace(static_cast<std::uint32_t>(n++), v);
  a.set_length(n);
  return Value(static_cast<double>(n));
}

Value pop(Activation& act, const Value& self, std::span<const Value>) {
  ArrayLike a(act, self.object());
  if (a.length() == 0) {
    if (self.is_object()) a.set_length(0);
    return Value();
  }
  Value last = a.element(a.length() - 1);
  a.remove(a.length() - 1);
  a.set_length(a.length() - 1);
  return last;
}

Value shift(Activation& act, const Value& self, std::span<const Value>) {
  ArrayLike a(act, self.object());
  std::uint32_t n = a.length();
  if (n == 0) {
    if (self.is_object()) a.set_length(0);
    return Value();
  }
  Value first = a.element(0);
  for (std::uint32_t i = 1; i < a.visited(); ++i) a.replace(i - 1, a.element(i));
  a.remove(n - 1);
  a.set_length(n - 1);
  return first;
}

// Moves the elements up from the top, then writes the new ones in front.
Value unshift(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayLike a(act, self.object());
  if (!self.is_object()) return Value();
  std::int64_t n = a.length();
  auto count = static_cast<std::uint32_t>(std::min<std::size_t>(args.size(), kMaxDenseElements));
  for (std::uint32_t k = a.visited(); k-- > 0;) a.replace(k + count, a.element(k));
  for (std::uint32_t i = 0; i < count; ++i) a.replace(i, args[i]);
  a.set_length(n + count);
  return Value(static_cast<double>(n + count));
}

String join_elements(Activation& act, const ArrayLike& a, const String& separator) {
  std::string out;
  for (std::uint32_t i = 0; i < a.visited() && out.size() < kMaxStringBytes; ++i) {
    if (i) out.append(separator.view());
    out.append(act.to_string(a.element(i)).view());
  }
  if (out.size() > kMaxStringBytes) out.resize(kMaxStringBytes);
  return String(out);
}

Value join(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayLike a(act, self.object());
  String separator = args.empty() || args[0].is_undefined() ? String(",") : act.to_string(args[0]);
  return Value(join_elements(act, a, separator));
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  ArrayLike a(act, self.object());
  return Value(join_elements(act, a, ","));
}

// Swaps the ends pairwise towards the middle; holes become undefined.
Value reverse(Activation& act, const Value& self, std::span<const Value>) {
  ArrayLike a(act, self.object());
  std::uint32_t n = a.length();
  for (std::uint32_t i = 0; n > 0 && i < n - 1 - i && i < kMaxDenseElements / 2; ++i) {
    std::uint32_t j = n - 1 - i;
    Value low = a.element(i), high = a.element(j);
    a.replace(i, high);
    a.replace(j, low);
  }
  return self;
}

// A position argument of slice and splice: negative counts from the end.
std::uint32_t position(Activation& act, const Value& v, std::uint32_t length) {
  double d = act.to_integer(v);
  if (d < 0) d = std::max(0.0, static_cast<double>(length) + d);
  return static_cast<std::uint32_t>(std::min(d, static_cast<double>(length)));
}

Value slice(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayLike a(act, self.object());
  std::uint32_t from = args.empty() ? 0 : position(act, args[0], a.length());
  std::uint32_t to =
      args.size() < 2 || args[1].is_undefined() ? a.length() : position(act, args[1], a.length());
  return Value(act.new_array(a.elements(from, std::max(from, to))));
}

// splice(start, count, items...): removes `count` elements at `start`, puts
// the items there and returns what it removed.
Value splice(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayLike a(act, self.object());
  if (args.empty() || args[0].is_undefined() || !self.is_object()) return Value();
  std::uint32_t n = a.length();
  std::uint32_t from = position(act, args[0], n);
  std::uint32_t count = n - from;
  if (args.size() > 1) {
    // An undefined or negative count changes nothing and gives undefined.
    if (args[1].is_undefined()) return Value();
    double d = act.to_integer(args[1]);
    if (d < 0) return Value();
    count = static_cast<std::uint32_t>(std::min(d, static_cast<double>(count)));
  }
  std::vector<Value> removed = a.elements(from, from + count);
  std::vector<Value> tail = a.elements(from + count, n);
  std::span<const Value> items = args.size() > 2 ? args.subspan(2) : std::span<const Value>();
  std::uint32_t at = from;
  for (const Value& v : items) a.replace(at++, v);
  for (const Value& v : tail) a.replace(at++, v);
  for (std::uint32_t i = at; i < n && i - at < kMaxDenseElements; ++i) a.remove(i);
  a.set_length(at);
  return Value(act.new_array(removed));
}

// The object's own elements, then each argument: an array's elements, or
// the value itself.
Value concat(Activation& act, const Value& self, std::span<const Value> args) {
  std::vector<Value> out;
  if (self.is_object()) {
    ArrayLike a(act, self.object());
    out = a.elements(0, a.visited());
  }
  for (const Value& v : args) {
    if (auto* other = dynamic_cast<ArrayObject*>(v.object())) {
      ArrayLike b(act, other);
      std::vector<Value> more = b.elements(0, b.visited());
      out.insert(out.end(), more.begin(), more.end());
    } else {
      out.push_back(v);
    }
    if (out.size() > kMaxDenseElements) out.resize(kMaxDenseElements);
  }
  return Value(act.new_array(out));
}

}  // namespace

void register_array(Realm& realm, Activation& act) {
  ClassBuilder array(act, {"Array", array_constructor, array_call, allocate_array});
  array.method("push", push)
      .method("pop", pop)
      .method("concat", concat)
      .method("shift", shift)
      .method("unshift", unshift)
      .method("slice", slice)
      .method("join", join)
      .method("splice", splice)
      .method("toString", to_string)
      .method("sort", array_sort)
      .method("sortOn", array_sort_on)
      .method("reverse", reverse);
  add_sort_constants(array);
  array.install(realm.global);
  realm.array_proto = array.prototype();
  realm.array_ctor = array.constructor();
}

}  // namespace strandel::avm1
