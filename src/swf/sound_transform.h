// How loud a clip's sounds play, as a Sound object sets it: a volume and the
// four channel gains in percent, each named by speaker then input (`lr`:
// the right input in the left speaker). Values are kept as scripts give
// them, out of range or not; what is heard clamps.
#pragma once

#include <cstdint>

namespace strandel::swf {

struct SoundTransform {
  std::int32_t volume = 100;
  std::int32_t ll = 100, lr = 0, rl = 0, rr = 100;
};

}  // namespace strandel::swf
