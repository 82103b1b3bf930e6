// flash.geom: Point, Rectangle and Matrix keep their fields as ordinary
// properties, which scripts may set to anything; the methods read them as
// numbers. These make the objects for the other classes that hand them out.
#pragma once

#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;

// A Point whose x and y are the values given, as `new Point(x, y)` makes it.
Value make_point(Activation& act, const Value& x, const Value& y);
Value make_rectangle(Activation& act, const Value& x, const Value& y, const Value& width,
                     const Value& height);
Value make_matrix(Activation& act, double a, double b, double c, double d, double tx, double ty);

// A property of an object read as a number.
double number_field(Activation& act, const Value& object, const char* name);

}  // namespace strandel::avm1
