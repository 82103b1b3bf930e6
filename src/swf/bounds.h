// Where a display object draws: the device box around everything it holds,
// so that offscreen pictures (filters, blend modes) stay as small as it.
#pragma once

#include <optional>

#include "swf/dictionary.h"
#include "swf/display_list.h"
#include "swf/geometry.h"
#include "swf/paint.h"

namespace strandel::swf {

// The device box of the object under `m` (its parent's space → device);
// nothing when it draws nothing. Lines and anti-aliasing are covered.
std::optional<Box> object_bounds(const Dictionary& dict, const DisplayObject& obj, const Matrix& m);
// The same for what the object holds under `m`, its own matrix included.
std::optional<Box> content_bounds(const Dictionary& dict, const DisplayObject& obj,
                                  const Matrix& m);

}  // namespace strandel::swf
