#include "avm1/builtins/array_like.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "avm1/activation.h"
#include "avm1/machine.h"

namespace strandel::avm1 {

namespace {

const String& length_name() {
  static const String name("length");
  return name;
}

// A write or a removal costs about three script actions; a read one.
constexpr std::uint64_t kWriteCost = 3;

// A length is a signed 32-bit number.
constexpr std::int64_t kMaxLength = 0x7FFFFFFF;

}  // namespace

ArrayLike::ArrayLike(Activation& act, Object* object) : act_(act), object_(object) {
  if (!object) return;
  double n;
  if (auto* array = dynamic_cast<ArrayObject*>(object)) {
    n = array->length();
  } else {
    n = act.to_int32(object->get(act, length_name()));
  }
  length_ = n <= 0 ? 0 : static_cast<std::uint32_t>(n);
}

Value ArrayLike::element(std::uint32_t index) const {
  if (!object_) return Value();
  act_.machine().spend(1);
  return stored(index);
}

Value ArrayLike::stored(std::uint32_t index) const {
  Property* p = object_->own_property(index_name(index), true);
  return p && !p->accessor() ? p->value : Value();
}

std::vector<Value> ArrayLike::elements(std::uint32_t from, std::uint32_t to) const {
  std::vector<Value> out;
  if (to <= from) return out;
  to = from + std::min(to - from, kMaxDenseElements);
  act_.machine().spend(to - from);
  out.reserve(to - from);
  for (std::uint32_t i = from; i < to; ++i) out.push_back(stored(i));
  return out;
}

void ArrayLike::replace(std::uint32_t index, const Value& value) {
  if (!object_) return;
  act_.machine().spend(kWriteCost);
  String name = index_name(index);
  object_->delete_property(act_, name);
  object_->set(act_, name, value);
}

void ArrayLike::remove(std::uint32_t index) {
  if (!object_) return;
  act_.machine().spend(kWriteCost);
  object_->delete_property(act_, index_name(index));
}

void ArrayLike::set_length(std::int64_t length) {
  if (!object_) return;
  object_->set(act_, length_name(), Value(static_cast<double>(length)));
  length_ =
      length <= 0 ? 0 : static_cast<std::uint32_t>(std::min<std::int64_t>(length, kMaxLength));
}

}  // namespace strandel::avm1
