// Action bytecode as text, one action a line, for the developer tools.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace strandel::avm1 {

// Each line: the offset, the action's name and its operands. Function
// bodies are listed where they lie, indented.
std::string disassemble(std::span<const std::uint8_t> code);

}  // namespace strandel::avm1
