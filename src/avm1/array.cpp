#include "avm1/array.h"

#include <algorithm>
#include <limits>
#include <string>

#include "avm1/activation.h"
#include "avm1/conversions.h"

namespace strandel::avm1 {

namespace {

const String& length_name() {
  static const String name("length");
  return name;
}

// Indices past this are ordinary names: the length stays a signed 32-bit
// number, as the vendor's player keeps it.
constexpr std::uint64_t kMaxIndex = std::numeric_limits<std::int32_t>::max() - 1;

}  // namespace

String index_name(std::uint32_t index) { return String(std::to_string(index)); }

std::optional<std::uint32_t> array_index(const String& name) {
  std::string_view s = name.view();
  if (s.empty() || s.size() > 10 || (s.size() > 1 && s[0] == '0')) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (n > kMaxIndex) return std::nullopt;
  return static_cast<std::uint32_t>(n);
}

void ArrayObject::remove_from(std::int64_t first) {
  std::vector<String> doomed;
  properties().for_each([&](const Property& p) {
    if (auto i = array_index(p.name); i && static_cast<std::int64_t>(*i) >= first)
      doomed.push_back(p.name);
  });
  for (const String& name : doomed) properties().remove(name, true);
}

void ArrayObject::set_length(Activation&, std::int32_t length) {
  if (length < length_) remove_from(length);
  length_ = length;
}

Value ArrayObject::at(Activation& act, std::uint32_t index) { return get(act, index_name(index)); }

void ArrayObject::put(Activation& act, std::uint32_t index, const Value& value) {
  set(act, index_name(index), value);
}

void ArrayObject::push(const Value& value) {
  if (length_ < 0 || static_cast<std::uint64_t>(length_) > kMaxIndex) return;
  define(index_name(static_cast<std::uint32_t>(length_)), value);
  ++length_;
}

void ArrayObject::assign(std::span<const Value> elements) {
  std::size_t n = std::min<std::size_t>(elements.size(), kMaxDenseElements);
  for (std::size_t i = 0; i < n; ++i)
    define(index_name(static_cast<std::uint32_t>(i)), elements[i]);
  if (static_cast<std::int64_t>(n) < length_) remove_from(static_cast<std::int64_t>(n));
  length_ = static_cast<std::int32_t>(n);
}

bool ArrayObject::get_builtin(Activation& act, const String& name, Value& out) {
  if (!name.equals(length_name(), act.case_sensitive())) return false;
  out = Value(static_cast<double>(length_));
  return true;
}

bool ArrayObject::set_builtin(Activation& act, const String& name, const Value& value) {
  if (auto i = array_index(name)) {
    if (static_cast<std::int64_t>(*i) >= length_) length_ = static_cast<std::int32_t>(*i + 1);
    return false;  // stored as an ordinary property
  }
  if (name.equals(length_name(), act.case_sensitive())) {
    set_length(act, act.to_int32(value));
    return true;
  }
  return false;
}

}  // namespace strandel::avm1
