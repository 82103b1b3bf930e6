// The launcher window as designed: its caption, its size and the place of
// each of its six controls when the window is created. Every toolkit builds
// the window from this one table, and the movie control's saved state
// records the control's size from it.
#pragma once

#include "platform/toolkit.h"

namespace strandel::platform::design {

// Left, top, width, height in twips, in the window's client area.
struct Rect {
  Twips left, top, width, height;
};

inline constexpr char kCaption[] = "Velmoran Strandel";
inline constexpr Twips kFormWidth = 10500;
inline constexpr Twips kFormHeight = 7500;

// Front to back, as the window stacks them.
inline constexpr Rect kIconPic{0, 0, 255, 255};
inline constexpr Rect kBtnMin{9960, 0, 255, 255};
inline constexpr Rect kBtnClose{10250, 0, 255, 255};
inline constexpr Rect kPicBack{0, 0, 615, 375};
inline constexpr Rect kShockwaveFlash{0, 0, 10500, 7500};
inline constexpr Rect kWorkFlash{0, 0, 9735, 6615};

}  // namespace strandel::platform::design
