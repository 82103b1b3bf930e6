// Values in the AMF0 encoding, as video files carry them in their script
// data tags (onMetaData's information, cue points), made into script values.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;

// Values read from one tag; the rest are passed over.
inline constexpr std::size_t kMaxAmfValues = 1u << 16;
// Objects and arrays inside one another; deeper ones come out undefined.
inline constexpr int kMaxAmfNesting = 32;

// The values of `data` one after another, up to the first that cannot be
// read (a tag cut short yields those before the cut).
std::vector<Value> read_amf_values(Activation& act, std::span<const std::uint8_t> data);

}  // namespace strandel::avm1
