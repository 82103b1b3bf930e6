// The two placement rules: they size the window and the movie control, and in
// one case show and place the backdrop, from the screen metrics and the
// settings. Both run while the settings file is read, so each sees the framed
// and full-screen flags as they stand at its line, and a later application
// overwrites what an earlier one set.
//
// Arithmetic: products and differences are formed in double precision from
// single operands and rounded to single once, when stored; nothing is rounded
// to whole pixels or twips. A value beyond the single range is error 6.
#pragma once

#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace strandel::layout {

// Margin of the framed window around the movie, in pixels.
inline constexpr int kMarginLeft = 4;
inline constexpr int kMarginTop = 26;
inline constexpr int kMarginsAcross = 8;  // left + right
inline constexpr int kMarginsDown = 30;   // top + bottom
// In framed full screen the movie's centre sits this many pixels, halved,
// above the screen's centre.
inline constexpr int kFramedCentringLift = 22;
inline constexpr platform::Colour kBackdropColour = platform::RGB(0, 0, 220);

// The window covers the screen; the movie fills it, less the margin when framed.
void ApplyFullScreenRule(platform::Form& form, platform::Truth framed);

// The movie takes the given size in pixels. Outside full screen the window is
// sized around it; in full screen the movie is centred on the screen and, when
// framed, the backdrop fills the area inside the margin behind it.
// pieces: the "sizes:" value split at "x"; piece 0 is the width text, piece 1
// the height text (missing: error 9), further pieces are ignored.
void ApplySizesRule(platform::Form& form, const std::vector<std::string>& pieces,
                    platform::Truth framed, bool full_screen);

}  // namespace strandel::layout
