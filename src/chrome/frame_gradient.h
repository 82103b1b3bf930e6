// The frame a framed window paints for itself: four 50-twip bands along the
// right, bottom, left and top edges, each 101 lines whose colour rises with a
// counter, so the bands run from dark blue (right, bottom) or a pale whitened
// blue (left, top) at the outer edge to the background blue at the inner edge.
#pragma once

#include <cstdint>

#include "platform/toolkit.h"

namespace strandel::chrome {

inline constexpr int kBandWidth = 50;            // twips
inline constexpr std::int16_t kLineFlags = 38;   // passed unchanged to Line
inline constexpr int kLinesPerBand = 101;

// Pale colour of the left and top bands: blue up to 255, then the excess goes
// equally into red and green.
platform::Colour PaleBandColour(int n);

// Paints the four bands into the window's retained image, so the frame stays
// when the window is covered, uncovered or restored.
void PaintFrameGradient(platform::FormWindow& window);

}  // namespace strandel::chrome
