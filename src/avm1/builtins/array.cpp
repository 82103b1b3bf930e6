// Array: the constructor and the methods of Array.prototype.
#include "avm1/array.h"

#include <algorithm>
#include <cmath>

#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// Array.sort and sortOn flags.
constexpr int kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kReturnIndexedArray = 8,
              kNumeric = 16;

Object* allocate_array(Activation& act, Object* proto) {
  return act.heap().make<ArrayObject>(proto);
}

ArrayObject* self_array(const Value& self) { return dynamic_cast<ArrayObject*>(self.object()); }

std::vector<Value> elements_of(Activation& act, ArrayObject* a) {
  std::vector<Value> out;
  std::uint32_t n = std::min(a->length(), kMaxDenseElements);
  out.reserve(n);
  for (std::uint32_t i = 0; i < n; ++i) out.push_back(a->at(act, i));
  return out;
}

// new Array(n) makes n empty slots; any other arguments are the elements.
Value array_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  if (args.size() == 1 && args[0].is_number()) {
    a->set_length(act, args[0].number());
  } else {
    a->assign(std::vector<Value>(args.begin(), args.end()));
  }
  return Value();
}

Value array_call(Activation& act, const Value&, std::span<const Value> args) {
  ArrayObject* a = act.new_array();
  array_constructor(act, Value(a), args);
  return Value(a);
}

Value push(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  for (const Value& v : args) a->push(v);
  (void)act;
  return Value(static_cast<double>(a->length()));
}

Value pop(Activation& act, const Value& self, std::span<const Value>) {
  ArrayObject* a = self_array(self);
  if (!a || a->length() == 0) return Value();
  Value last = a->at(act, a->length() - 1);
  a->set_length(act, a->length() - 1);
  return last;
}

Value shift(Activation& act, const Value& self, std::span<const Value>) {
  ArrayObject* a = self_array(self);
  if (!a || a->length() == 0) return Value();
  std::vector<Value> e = elements_of(act, a);
  Value first = e.front();
  e.erase(e.begin());
  a->assign(std::move(e));
  return first;
}

Value unshift(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  std::vector<Value> e = elements_of(act, a);
  e.insert(e.begin(), args.begin(), args.end());
  a->assign(std::move(e));
  return Value(static_cast<double>(a->length()));
}

String join_with(Activation& act, ArrayObject* a, const String& separator) {
  std::string out;
  for (std::uint32_t i = 0; i < std::min(a->length(), kMaxDenseElements); ++i) {
    if (i) out.append(separator.view());
    out.append(act.to_string(a->at(act, i)).view());
  }
  return String(out);
}

Value join(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  String separator = args.empty() || args[0].is_undefined() ? String(",") : act.to_string(args[0]);
  return Value(join_with(act, a, separator));
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  ArrayObject* a = self_array(self);
  if (!a) return Value("[object Object]");
  return Value(join_with(act, a, ","));
}

Value reverse(Activation& act, const Value& self, std::span<const Value>) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  std::vector<Value> e = elements_of(act, a);
  std::reverse(e.begin(), e.end());
  a->assign(std::move(e));
  return self;
}

// A position argument of slice and splice: negative counts from the end.
std::size_t position(Activation& act, const Value& v, std::size_t length, std::size_t fallback) {
  if (v.is_undefined()) return fallback;
  double d = act.to_integer(v);
  if (d < 0) d = std::max(0.0, static_cast<double>(length) + d);
  return static_cast<std::size_t>(std::min(d, static_cast<double>(length)));
}

Value slice(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  std::vector<Value> e = elements_of(act, a);
  std::size_t from = position(act, arg(args, 0), e.size(), 0);
  std::size_t to = position(act, arg(args, 1), e.size(), e.size());
  if (to < from) to = from;
  return Value(act.new_array(std::span<const Value>(e).subspan(from, to - from)));
}

Value splice(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a || args.empty()) return Value();
  std::vector<Value> e = elements_of(act, a);
  std::size_t from = position(act, args[0], e.size(), 0);
  std::size_t count = e.size() - from;
  if (args.size() > 1) {
    double d = act.to_integer(args[1]);
    count = d < 0 ? 0 : static_cast<std::size_t>(std::min(d, static_cast<double>(count)));
  }
  std::vector<Value> removed(e.begin() + static_cast<std::ptrdiff_t>(from),
                             e.begin() + static_cast<std::ptrdiff_t>(from + count));
  e.erase(e.begin() + static_cast<std::ptrdiff_t>(from),
          e.begin() + static_cast<std::ptrdiff_t>(from + count));
  if (args.size() > 2)
    e.insert(e.begin() + static_cast<std::ptrdiff_t>(from), args.begin() + 2, args.end());
  a->assign(std::move(e));
  return Value(act.new_array(removed));
}

Value concat(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  std::vector<Value> e = a ? elements_of(act, a) : std::vector<Value>{self};
  for (const Value& v : args) {
    if (auto* other = dynamic_cast<ArrayObject*>(v.object())) {
      std::vector<Value> more = elements_of(act, other);
      e.insert(e.end(), more.begin(), more.end());
    } else {
      e.push_back(v);
    }
  }
  return Value(act.new_array(e));
}

// A merge sort: safe with any comparison a script supplies, consistent or not.
template <class Less>
void merge_sort(std::vector<std::size_t>& order, Less less) {
  std::vector<std::size_t> buffer(order.size());
  for (std::size_t width = 1; width < order.size(); width *= 2) {
    for (std::size_t lo = 0; lo < order.size(); lo += 2 * width) {
      std::size_t mid = std::min(lo + width, order.size()),
                  hi = std::min(lo + 2 * width, order.size());
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) buffer[k++] = less(order[j], order[i]) ? order[j++] : order[i++];
      while (i < mid) buffer[k++] = order[i++];
      while (j < hi) buffer[k++] = order[j++];
    }
    order.swap(buffer);
  }
}

int compare_values(Activation& act, const Value& a, const Value& b, int flags) {
  if (flags & kNumeric) {
    double x = act.to_number(a), y = act.to_number(b);
    if (x < y) return -1;
    if (x > y) return 1;
    return 0;
  }
  std::string x = act.to_string(a).str(), y = act.to_string(b).str();
  if (flags & kCaseInsensitive) {
    for (char& c : x) c = fold_ascii(c);
    for (char& c : y) c = fold_ascii(c);
  }
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Sorts by `key` (element → what is compared); returns the sorted order of
// indices, or empty when UNIQUESORT found equal keys.
Value sort_elements(Activation& act, ArrayObject* a, std::vector<Value> keys, const Value& compare,
                    int flags) {
  std::vector<Value> e = elements_of(act, a);
  std::vector<std::size_t> order(e.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  bool equal_seen = false;
  auto cmp = [&](std::size_t x, std::size_t y) {
    int c;
    if (compare.is_object()) {
      c = static_cast<int>(
          std::clamp(act.to_number(act.call(compare, Value(), {keys[x], keys[y]})), -1.0, 1.0));
    } else {
      c = compare_values(act, keys[x], keys[y], flags);
    }
    if (c == 0) equal_seen = true;
    if (flags & kDescending) c = -c;
    return c < 0;
  };
  merge_sort(order, cmp);
  if ((flags & kUniqueSort) && equal_seen) return Value(0);
  if (flags & kReturnIndexedArray) {
    std::vector<Value> indices;
    for (std::size_t i : order) indices.push_back(Value(static_cast<double>(i)));
    return Value(act.new_array(indices));
  }
  std::vector<Value> sorted;
  for (std::size_t i : order) sorted.push_back(e[i]);
  a->assign(std::move(sorted));
  return Value(a);
}

Value sort(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  Value compare;
  int flags = 0;
  if (Object* f = arg(args, 0).object(); f && f->callable()) {
    compare = args[0];
    flags = act.to_int32(arg(args, 1));
  } else {
    flags = act.to_int32(arg(args, 0));
  }
  return sort_elements(act, a, elements_of(act, a), compare, flags);
}

Value sort_on(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* a = self_array(self);
  if (!a) return Value();
  String field = act.to_string(arg(args, 0));
  int flags = act.to_int32(arg(args, 1));
  std::vector<Value> keys;
  for (const Value& v : elements_of(act, a)) keys.push_back(act.get(v, field));
  return sort_elements(act, a, std::move(keys), Value(), flags);
}

}  // namespace

void register_array(Realm& realm, Activation& act) {
  ClassBuilder array(act, {"Array", array_constructor, array_call, allocate_array});
  array.method("push", push)
      .method("pop", pop)
      .method("shift", shift)
      .method("unshift", unshift)
      .method("join", join)
      .method("toString", to_string)
      .method("reverse", reverse)
      .method("slice", slice)
      .method("splice", splice)
      .method("concat", concat)
      .method("sort", sort)
      .method("sortOn", sort_on)
      .constant("CASEINSENSITIVE", Value(kCaseInsensitive))
      .constant("DESCENDING", Value(kDescending))
      .constant("UNIQUESORT", Value(kUniqueSort))
      .constant("RETURNINDEXEDARRAY", Value(kReturnIndexedArray))
      .constant("NUMERIC", Value(kNumeric));
  array.install(realm.global);
  realm.array_proto = array.prototype();
  realm.array_ctor = array.constructor();
}

}  // namespace strandel::avm1
