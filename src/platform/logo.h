// The product logo, drawn by the program itself: a green square with a dark
// teal rim. The window icon is the 48-pixel version, the icon box shows a
// 17-pixel miniature, and the icon files are written from the same drawing.
#pragma once

#include <cstdint>
#include <vector>

namespace strandel::platform {

inline constexpr int kWindowIconSize = 48;
inline constexpr int kIconBoxPictureSize = 17;

// size × size pixels, 3 bytes each (red, green, blue), rows top to bottom.
std::vector<std::uint8_t> LogoPixels(int size);

}  // namespace strandel::platform
