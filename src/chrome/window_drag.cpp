#include "chrome/window_drag.h"

#include "platform/conversions.h"

namespace strandel::chrome {

void BeginDrag(DragState& drag, const platform::FormWindow& window, float x, float y) {
  drag.left_at_grab = window.Left();
  drag.top_at_grab = window.Top();
  drag.grab_x = platform::ToSingle(static_cast<double>(drag.left_at_grab) + x);
  drag.dragging = platform::kTrue;
  drag.grab_y = platform::ToSingle(static_cast<double>(drag.top_at_grab) + y);
}

void ContinueDrag(const DragState& drag, platform::FormWindow& window, float x, float y) {
  if (drag.dragging == platform::kFalse) return;
  // Each sum runs left to right in double and is rounded to single once.
  double left = static_cast<double>(window.Left()) + x - drag.grab_x + drag.left_at_grab;
  window.set_Left(platform::ToSingle(left));
  double top = static_cast<double>(window.Top()) + y - drag.grab_y + drag.top_at_grab;
  window.set_Top(platform::ToSingle(top));
}

void EndDrag(DragState& drag) { drag.dragging = platform::kFalse; }

}  // namespace strandel::chrome
