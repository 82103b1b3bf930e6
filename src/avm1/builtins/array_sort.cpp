// Array.sort and Array.sortOn. The order of comparisons is the vendor's
// quicksort, which a script's compare function can observe: the first
// element of a range is the pivot and is always the compare function's
// first argument; a scan from the left stops at an element the pivot is not
// greater than, a scan from the right at one the pivot is greater than; the
// two are swapped and the scans resume at the same places; the pivot then
// goes between the two parts, and the left part is sorted first.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "avm1/builtins/array_like.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"

namespace strandel::avm1 {

namespace {

namespace option {
constexpr int CaseInsensitive = 1, Descending = 2, UniqueSort = 4, ReturnIndexedArray = 8,
              Numeric = 16;
}  // namespace option

// Comparisons the quicksort may make before the rest of the work goes to a
// merge sort: a compare function that answers at random, or an already
// sorted large array, would otherwise take quadratic time or never finish.
constexpr std::uint64_t kQuickSortComparisonsPerElement = 32;
constexpr std::uint64_t kQuickSortComparisonsBase = 1u << 16;

struct Entry {
  std::uint32_t index;      // where the element was
  Value element;            // what sort writes back
  std::vector<Value> keys;  // what is compared: the element, or sortOn's fields
};

// Negative, zero or positive; NaN when a compare function gives no number.
using Comparison = std::function<double(const Entry&, const Entry&)>;

class Sorter {
 public:
  Sorter(Machine& machine, std::vector<Entry>& entries, const Comparison& compare)
      : machine_(machine),
        entries_(entries),
        compare_(compare),
        budget_(kQuickSortComparisonsBase + kQuickSortComparisonsPerElement * entries.size()) {}

  void run() {
    if (entries_.size() < 2) return;
    if (!quick_sort()) merge_sort();
  }

 private:
  double compare(const Entry& a, const Entry& b) {
    ++used_;
    machine_.spend(1);
    return compare_(a, b);
  }

  // False when the budget ran out; the entries are then some permutation.
  bool quick_sort() {
    std::vector<std::pair<std::size_t, std::size_t>> ranges{{0, entries_.size() - 1}};
    while (!ranges.empty()) {
      auto [lo, hi] = ranges.back();
      ranges.pop_back();
      if (lo >= hi) continue;
      std::size_t i = lo + 1, j = hi;
      while (true) {
        while (i < j && compare(entries_[lo], entries_[i]) > 0) ++i;
        while (j > lo && compare(entries_[lo], entries_[j]) <= 0) --j;
        if (used_ > budget_) return false;
        if (i >= j) break;
        std::swap(entries_[i], entries_[j]);
      }
      std::swap(entries_[lo], entries_[j]);
      ranges.emplace_back(j + 1, hi);
      if (j > lo) ranges.emplace_back(lo, j - 1);
    }
    return true;
  }

  // Stable and safe with any comparison, consistent or not.
  void merge_sort() {
    std::vector<Entry> buffer(entries_.size());
    for (std::size_t width = 1; width < entries_.size(); width *= 2) {
      for (std::size_t lo = 0; lo < entries_.size(); lo += 2 * width) {
        std::size_t mid = std::min(lo + width, entries_.size());
        std::size_t hi = std::min(lo + 2 * width, entries_.size());
        std::size_t i = lo, j = mid, k = lo;
        while (i < mid && j < hi)
          buffer[k++] =
              std::move(compare(entries_[j], entries_[i]) < 0 ? entries_[j++] : entries_[i++]);
        while (i < mid) buffer[k++] = std::move(entries_[i++]);
        while (j < hi) buffer[k++] = std::move(entries_[j++]);
      }
      entries_.swap(buffer);
    }
  }

  Machine& machine_;
  std::vector<Entry>& entries_;
  const Comparison& compare_;
  std::uint64_t budget_;
  std::uint64_t used_ = 0;
};

int compare_strings(Activation& act, const Value& a, const Value& b, bool fold) {
  String x = act.to_string(a), y = act.to_string(b);
  std::string_view s = x.view(), t = y.view();
  std::size_t n = std::min(s.size(), t.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(fold ? fold_ascii(s[i]) : s[i]);
    auto d = static_cast<unsigned char>(fold ? fold_ascii(t[i]) : t[i]);
    if (c != d) return c < d ? -1 : 1;
  }
  return s.size() == t.size() ? 0 : (s.size() < t.size() ? -1 : 1);
}

// The built-in order: undefined last, then numbers by value (with NUMERIC,
// when both are numbers) or text by character codes.
int compare_by_options(Activation& act, const Value& a, const Value& b, int options) {
  if (a.is_undefined() || b.is_undefined()) {
    if (a.is_undefined() && b.is_undefined()) return 0;
    return a.is_undefined() ? 1 : -1;
  }
  if ((options & option::Numeric) && a.is_number() && b.is_number()) {
    double x = a.number(), y = b.number();
    if (x < y) return -1;
    if (x > y) return 1;
    if (x == y) return 0;
    // NaN: after every number, equal to another NaN.
    if (std::isnan(x) && std::isnan(y)) return 0;
    return std::isnan(x) ? 1 : -1;
  }
  return compare_strings(act, a, b, options & option::CaseInsensitive);
}

// Sorts the entries, writes them back or makes the index array, and gives
// what sort returns.
Value finish_sort(Activation& act, const Value& self, std::vector<Entry> entries,
                  const Comparison& compare, int options) {
  bool equal_seen = false;
  Comparison checked = [&](const Entry& a, const Entry& b) {
    double c = compare(a, b);
    if (c == 0) equal_seen = true;
    return (options & option::Descending) ? -c : c;
  };
  Sorter(act.machine(), entries, checked).run();
  if ((options & option::UniqueSort) && equal_seen) return Value(0);
  if (options & option::ReturnIndexedArray) {
    ArrayObject* indices = act.new_array();
    for (const Entry& e : entries) indices->push(Value(static_cast<double>(e.index)));
    return Value(indices);
  }
  ArrayLike a(act, self.object());
  for (std::size_t i = 0; i < entries.size(); ++i)
    a.replace(static_cast<std::uint32_t>(i), entries[i].element);
  return self;
}

std::vector<Entry> entries_of(const ArrayLike& a) {
  std::vector<Entry> entries(a.visited());
  for (std::uint32_t i = 0; i < a.visited(); ++i) {
    entries[i].index = i;
    entries[i].element = a.element(i);
  }
  return entries;
}

}  // namespace

// sort(), sort(options), sort(compareFunction), sort(compareFunction, options).
Value array_sort(Activation& act, const Value& self, std::span<const Value> args) {
  if (!self.is_object()) return Value();
  std::vector<Entry> entries = entries_of(ArrayLike(act, self.object()));
  Value function;
  int options;
  if (Object* f = arg(args, 0).object(); f && f->callable()) {
    function = args[0];
    options = act.to_int32(arg(args, 1));
  } else {
    options = act.to_int32(arg(args, 0));
  }
  Comparison compare;
  if (function.is_object()) {
    compare = [&](const Entry& a, const Entry& b) {
      return act.to_number(act.call(function, Value(), {a.element, b.element}));
    };
  } else {
    compare = [&](const Entry& a, const Entry& b) {
      return static_cast<double>(compare_by_options(act, a.element, b.element, options));
    };
  }
  return finish_sort(act, self, std::move(entries), compare, options);
}

// sortOn(field, options) or sortOn([fields], [options per field]): compares
// the elements' fields in turn.
Value array_sort_on(Activation& act, const Value& self, std::span<const Value> args) {
  if (!self.is_object()) return Value();
  std::vector<String> fields;
  std::vector<int> field_options;
  const Value& names = arg(args, 0);
  const Value& options_value = arg(args, 1);
  if (auto* list = dynamic_cast<ArrayObject*>(names.object())) {
    ArrayLike l(act, list);
    for (std::uint32_t i = 0; i < l.visited(); ++i) fields.push_back(act.to_string(l.element(i)));
  } else if (!names.is_undefined()) {
    fields.push_back(act.to_string(names));
  }
  if (fields.empty()) return self;
  int options = 0;
  if (auto* list = dynamic_cast<ArrayObject*>(options_value.object())) {
    ArrayLike l(act, list);
    if (l.length() == fields.size())
      for (std::uint32_t i = 0; i < l.visited(); ++i)
        field_options.push_back(act.to_int32(l.element(i)));
  } else {
    options = act.to_int32(options_value);
  }
  if (field_options.empty()) field_options.assign(fields.size(), options);
  options = field_options[0];

  std::vector<Entry> entries = entries_of(ArrayLike(act, self.object()));
  for (Entry& e : entries)
    for (const String& field : fields) e.keys.push_back(act.get(e.element, field));
  Comparison compare = [&](const Entry& a, const Entry& b) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
      int c = compare_by_options(act, a.keys[f], b.keys[f], field_options[f]);
      if (c != 0) {
        // The first field's direction is applied to the whole result.
        bool flip = ((field_options[f] ^ options) & option::Descending) != 0;
        return static_cast<double>(flip ? -c : c);
      }
    }
    return 0.0;
  };
  return finish_sort(act, self, std::move(entries), compare, options);
}

void add_sort_constants(ClassBuilder& array) {
  array.constant("CASEINSENSITIVE", Value(option::CaseInsensitive))
      .constant("DESCENDING", Value(option::Descending))
      .constant("UNIQUESORT", Value(option::UniqueSort))
      .constant("RETURNINDEXEDARRAY", Value(option::ReturnIndexedArray))
      .constant("NUMERIC", Value(option::Numeric));
}

}  // namespace strandel::avm1
