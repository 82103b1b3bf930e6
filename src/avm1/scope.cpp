#include "avm1/scope.h"

#include "avm1/object.h"

namespace strandel::avm1 {

void Scope::trace(Tracer& tracer) {
  tracer.mark(values);
  tracer.mark(parent);
}

}  // namespace strandel::avm1
