#include "swf/blend.h"

namespace strandel::swf {

BlendMode blend_mode_from_byte(std::uint8_t value) {
  if (value < static_cast<std::uint8_t>(BlendMode::Normal) ||
      value > static_cast<std::uint8_t>(BlendMode::HardLight))
    return BlendMode::Normal;
  return static_cast<BlendMode>(value);
}

}  // namespace strandel::swf
