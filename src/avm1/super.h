// `super` inside a method or constructor: lookups start above the prototype
// the running function was found on (its home), calls keep the original
// `this`, and super(...) runs the home's __constructor__.
#pragma once

#include "avm1/object.h"

namespace strandel::avm1 {

class SuperObject : public Object {
 public:
  // Its own __proto__ is not shown: super.__proto__ is found above the home
  // too, like any other member.
  SuperObject(Object* self, Object* home) : Object(home->proto()), self_(self), home_(home) {
    properties().remove("__proto__", true);
  }

  Object* self() const { return self_; }
  Object* home() const { return home_; }
  // super(args)
  bool callable() const override { return true; }
  Value call(Activation& act, const Value& this_value, std::span<const Value> args) override;
  void trace(Tracer& tracer) override {
    Object::trace(tracer);
    tracer.mark(self_);
    tracer.mark(home_);
  }

 private:
  Object* self_;
  Object* home_;
};

}  // namespace strandel::avm1
