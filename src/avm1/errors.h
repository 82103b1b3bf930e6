// How a script stops early. Both unwind through C++ code that calls into
// scripts, so that code keeps its state in RAII objects.
#pragma once

#include <string>

#include "avm1/value.h"

namespace strandel::avm1 {

// A script's `throw`: caught by the nearest try block of a running script, or
// ending the outermost action block quietly, as the vendor's player does.
struct ScriptException {
  Value value;
};

// Stops every running script of this frame (too deep recursion, the work
// limit, the heap limit); scripts cannot catch it. The reason is reported
// once as a diagnostic.
struct ScriptHalt {
  std::string reason;
};

}  // namespace strandel::avm1
