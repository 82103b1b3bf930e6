// The scope chain a script resolves names in: innermost first, each link an
// object whose properties are the variables: `with` objects, a function
// call's locals, the timeline the code runs on, and last the globals.
#pragma once

#include <cstdint>

#include "avm1/heap.h"

namespace strandel::avm1 {

class Object;

class Scope : public Cell {
 public:
  enum class Kind : std::uint8_t { Global, Target, Local, With };

  Scope(Kind kind, Object* values, Scope* parent) : kind(kind), values(values), parent(parent) {}

  void trace(Tracer& tracer) override;

  Kind kind;
  Object* values;
  Scope* parent;
};

}  // namespace strandel::avm1
