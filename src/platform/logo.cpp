#include "platform/logo.h"

#include <algorithm>

namespace strandel::platform {

namespace {

struct Colour {
  std::uint8_t r, g, b;
};
constexpr Colour kRim{0, 84, 84};  // dark teal
constexpr Colour kGreen{46, 170, 72};
constexpr Colour kHighlight{120, 214, 126};

}  // namespace

std::vector<std::uint8_t> LogoPixels(int size) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 3);
  int rim = std::max(1, size / 8);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int edge = std::min(std::min(x, y), std::min(size - 1 - x, size - 1 - y));
      Colour c = kGreen;
      if (edge < rim) {
        c = kRim;
      } else if (std::min(x, y) < rim + std::max(1, size / 16)) {
        c = kHighlight;  // a light inner edge at the top and left gives the square some depth
      }
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * size + x) * 3];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
    }
  }
  return pixels;
}

}  // namespace strandel::platform
