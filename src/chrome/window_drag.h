// Moving the borderless window by dragging its title strip, and the window
// buttons. Pointer positions are twips measured from the strip's top-left
// corner at the moment of the event.
#pragma once

#include <cstdint>

#include "platform/toolkit.h"

namespace strandel::chrome {

inline constexpr std::int16_t kKeyEscape = 27;

// The drag fields of the window object; all zero until the first press.
struct DragState {
  platform::Truth dragging = platform::kFalse;
  float grab_x = 0;  // window Left at the press + pointer x at the press
  float grab_y = 0;
  float left_at_grab = 0;
  float top_at_grab = 0;
};

void BeginDrag(DragState& drag, const platform::FormWindow& window, float x, float y);
// Moves the window so the grabbed point of the strip comes back under the
// pointer: across first, then down, as two separate settings.
void ContinueDrag(const DragState& drag, platform::FormWindow& window, float x, float y);
void EndDrag(DragState& drag);

}  // namespace strandel::chrome
