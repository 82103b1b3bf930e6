// A piece of action bytecode and what keeps it alive: the movie that holds
// it, which a function defined in it may outlive.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "avm1/string.h"

namespace strandel::avm1 {

struct Code {
  std::shared_ptr<const void> owner;  // may be null when the caller keeps the bytes
  std::span<const std::uint8_t> bytes;
  int version = 0;  // of the movie the bytes come from
};

// The strings of a ConstantPool action, shared with the functions defined
// after it.
using ConstantPool = std::shared_ptr<const std::vector<String>>;

}  // namespace strandel::avm1
