// Puts a Cairo RGB24 image on the current FLTK drawable.
#pragma once

namespace strandel::platform::fltk {

// Draws width × height pixels of 32-bit 0x00RRGGBB words (Cairo's RGB24,
// rows `stride` bytes apart) at (x, y) of the drawable FLTK is drawing on.
void DrawRgb24(const unsigned char* data, int stride, int x, int y, int width, int height);

}  // namespace strandel::platform::fltk
