// flash.geom.ColorTransform: the object keeps its eight terms as numbers,
// which its properties read and write.
#pragma once

#include "avm1/object.h"
#include "swf/geometry.h"

namespace strandel::avm1 {

class Activation;

class ColorTransformObject : public Object {
 public:
  using Object::Object;
  swf::ColorTransform value;
};

// A new ColorTransform holding `value`.
Value make_color_transform(Activation& act, const swf::ColorTransform& value);

}  // namespace strandel::avm1
