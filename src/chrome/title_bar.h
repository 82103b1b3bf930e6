// Dresses a framed window: the painted frame, the icon box, the title strip
// with the title printed in bold, and the "-" and "X" buttons at the strip's
// right end. All positions are twips from the window's top-left corner.
#pragma once

#include <string>

#include "platform/toolkit.h"

namespace strandel::chrome {

inline constexpr float kIconLeft = 60, kIconTop = 80;
inline constexpr float kStripLeft = 60, kStripTop = 60, kStripHeight = 270;
inline constexpr float kStripWidthLess = 125;     // strip width = window width − this
inline constexpr float kTitleX = 300;             // where the title starts in the strip
inline constexpr float kCloseInset = 10;          // close button's right edge inside the strip
inline constexpr float kMinimiseInset = 50;       // 10 + the 40-twip gap between the buttons
inline constexpr float kButtonDrop = 30;          // buttons' top below the strip's top

// Returns 0; the caller ignores it. A window with a border style other than
// none is left untouched.
int LayoutTitleBar(platform::FormWindow& window, platform::PictureBox& icon,
                   platform::PictureBox& strip, const std::string& colour_text,
                   platform::PushButton& minimise, platform::PushButton& close, std::string title);

}  // namespace strandel::chrome
