#include "avm1/builtins/flash_package.h"

#include <cmath>

#include "avm1/activation.h"
#include "avm1/machine.h"
#include "avm1/object.h"
#include "avm1/property_map.h"

namespace strandel::avm1 {

namespace {

Object* package_in(Activation& act, Object* parent, std::string_view name,
                   std::uint32_t attributes) {
  if (Property* p = parent->own_property(String(name), true))
    if (Object* existing = p->value.object()) return existing;
  Object* package = act.new_object();
  parent->define(String(name), Value(package), attributes);
  return package;
}

}  // namespace

Object* flash_package(Activation& act, std::string_view name) {
  // The package exists for version 8 movies and later.
  Object* flash = package_in(act, act.global(), "flash", attr::DontEnum | attr::Version8);
  return package_in(act, flash, name, 0);
}

bool inherits_from(const Value& value, const Object* proto) {
  Object* o = value.object();
  if (!o || !proto) return false;
  o = o->proto();
  for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth, o = o->proto())
    if (o == proto) return true;
  return false;
}

Value less(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return Value();
  return Value(a < b);
}

Value greater(double a, double b) { return less(b, a); }

Value greater_or_equal(double a, double b) {
  Value lt = less(a, b);
  return Value(!lt.boolean());
}

Value less_or_equal(double a, double b) {
  Value gt = less(b, a);
  return Value(!gt.boolean());
}

}  // namespace strandel::avm1
