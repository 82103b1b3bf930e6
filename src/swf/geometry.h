// Value types shared by the movie reader, the player and the renderer.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace strandel::swf {

// Rectangle in twips, as the RECT record stores it.
struct Rect {
  std::int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  std::int32_t width() const { return xmax - xmin; }
  std::int32_t height() const { return ymax - ymin; }
  bool operator==(const Rect&) const = default;
};

struct Point {
  double x = 0, y = 0;
};

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

// Affine transform of the MATRIX record: x' = a·x + c·y + tx, y' = b·x + d·y + ty,
// with tx, ty in twips.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  Matrix then(const Matrix& outer) const {  // this, followed by outer
    return {outer.a * a + outer.c * b,        outer.b * a + outer.d * b,
            outer.a * c + outer.c * d,        outer.b * c + outer.d * d,
            outer.a * tx + outer.c * ty + outer.tx, outer.b * tx + outer.d * ty + outer.ty};
  }
  Point apply(double x, double y) const { return {a * x + c * y + tx, b * x + d * y + ty}; }
  Point apply(Point p) const { return apply(p.x, p.y); }
  double determinant() const { return a * d - b * c; }
  // The transform that undoes this one; none when it squeezes the plane to
  // a line or a point, or holds values that are not finite.
  std::optional<Matrix> inverse() const {
    double det = determinant();
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return std::nullopt;
    Matrix i{d / det, -b / det, -c / det, a / det, 0, 0};
    i.tx = -(i.a * tx + i.c * ty);
    i.ty = -(i.b * tx + i.d * ty);
    for (double v : {i.a, i.b, i.c, i.d, i.tx, i.ty})
      if (!std::isfinite(v)) return std::nullopt;
    return i;
  }
  bool operator==(const Matrix&) const = default;
};

// Colour transform of the CXFORM records: channel' = channel·mult + add,
// multipliers as 8.8 fixed point turned into doubles.
struct ColorTransform {
  double rm = 1, gm = 1, bm = 1, am = 1;
  double ra = 0, ga = 0, ba = 0, aa = 0;
  ColorTransform then(const ColorTransform& outer) const {
    return {rm * outer.rm, gm * outer.gm, bm * outer.bm, am * outer.am,
            ra * outer.rm + outer.ra, ga * outer.gm + outer.ga,
            ba * outer.bm + outer.ba, aa * outer.am + outer.aa};
  }
  bool operator==(const ColorTransform&) const = default;
};

}  // namespace strandel::swf
