#include "avm1/array.h"

#include <cmath>

#include "avm1/activation.h"
#include "avm1/conversions.h"

namespace strandel::avm1 {

namespace {

const String& length_name() {
  static const String name("length");
  return name;
}

String index_name(std::uint32_t i) { return String(std::to_string(i)); }

}  // namespace

std::optional<std::uint32_t> array_index(const String& name) {
  std::string_view s = name.view();
  if (s.empty() || s.size() > 10 || (s.size() > 1 && s[0] == '0')) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (n >= 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(n);
}

void ArrayObject::set_length(Activation& act, double length) {
  if (std::isnan(length) || length < 0) length = 0;
  std::uint32_t n = length >= 4294967295.0 ? 0xFFFFFFFEu : static_cast<std::uint32_t>(length);
  if (n < length_) {
    // Elements past the new end go, stored ones too.
    if (n < elements_.size()) elements_.resize(n);
    if (length_ > kMaxDenseElements) {
      std::vector<String> doomed;
      properties().for_each([&](const Property& p) {
        if (auto i = array_index(p.name); i && *i >= n) doomed.push_back(p.name);
      });
      for (const String& name : doomed) properties().remove(name, true);
    }
  }
  length_ = n;
  (void)act;
}

Value ArrayObject::at(Activation& act, std::uint32_t index) {
  if (index < elements_.size()) return elements_[index];
  if (index < kMaxDenseElements) return Value();
  Property* p = own_property(index_name(index), true);
  (void)act;
  return p ? p->value : Value();
}

void ArrayObject::put(Activation& act, std::uint32_t index, const Value& value) {
  (void)act;
  if (index < kMaxDenseElements) {
    if (index >= elements_.size()) elements_.resize(index + 1);
    elements_[index] = value;
  } else {
    define(index_name(index), value);
  }
  if (index >= length_) length_ = index + 1;
}

void ArrayObject::push(const Value& value) {
  if (length_ < kMaxDenseElements && elements_.size() == length_) {
    elements_.push_back(value);
    ++length_;
  } else if (length_ < 0xFFFFFFFEu) {
    if (length_ < kMaxDenseElements) {
      elements_.resize(length_ + 1);
      elements_[length_] = value;
    } else {
      define(index_name(length_), value);
    }
    ++length_;
  }
}

void ArrayObject::assign(std::vector<Value> elements) {
  if (elements.size() > kMaxDenseElements) elements.resize(kMaxDenseElements);
  elements_ = std::move(elements);
  length_ = static_cast<std::uint32_t>(elements_.size());
}

bool ArrayObject::get_builtin(Activation& act, const String& name, Value& out) {
  if (auto i = array_index(name)) {
    if (*i < elements_.size()) {
      out = elements_[*i];
      return true;
    }
    return false;
  }
  if (name.equals(length_name(), act.case_sensitive())) {
    out = Value(static_cast<double>(length_));
    return true;
  }
  return false;
}

bool ArrayObject::set_builtin(Activation& act, const String& name, const Value& value) {
  if (auto i = array_index(name)) {
    if (*i < kMaxDenseElements) {
      put(act, *i, value);
      return true;
    }
    if (*i >= length_) length_ = *i + 1;
    return false;  // stored as an ordinary property
  }
  if (name.equals(length_name(), act.case_sensitive())) {
    set_length(act, act.to_number(value));
    return true;
  }
  return false;
}

void ArrayObject::enumerate_builtin(Activation&, std::vector<String>& names) {
  for (std::uint32_t i = 0; i < elements_.size(); ++i)
    if (!elements_[i].is_undefined()) names.push_back(index_name(i));
}

bool ArrayObject::delete_property(Activation& act, const String& name) {
  if (auto i = array_index(name); i && *i < elements_.size()) {
    elements_[*i] = Value();
    return true;
  }
  return Object::delete_property(act, name);
}

void ArrayObject::trace(Tracer& tracer) {
  Object::trace(tracer);
  for (const Value& v : elements_) tracer.mark(v);
}

}  // namespace strandel::avm1
