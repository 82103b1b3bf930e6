// Bitmap filters as a movie stores them (the filter lists of PlaceObject3
// and of DefineButton2's records): what each filter asks for, in the
// units of the file format (blur sizes and distances in pixels, angles in
// radians). Drawing them is filter_effects' concern; scripts may build
// the same values.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "swf/bytes.h"
#include "swf/geometry.h"
#include "swf/shape.h"

namespace strandel::swf {

struct BlurFilter {
  double blur_x = 4, blur_y = 4;
  int passes = 1;  // quality: box blurs run one after another, 0 to 31
};

struct DropShadowFilter {
  Rgba color{0, 0, 0, 255};
  double blur_x = 4, blur_y = 4;
  double angle = 0.785398, distance = 4;  // the shadow's offset
  double strength = 1;                    // alpha multiplier of the blurred coverage
  bool inner = false;                     // inside the object's outline
  bool knockout = false;                  // only the shadow shows, cut by the object
  bool hide_object = false;               // the shadow alone, without the object
  int passes = 1;
};

struct GlowFilter {
  Rgba color{255, 0, 0, 255};
  double blur_x = 6, blur_y = 6;
  double strength = 2;
  bool inner = false, knockout = false;
  bool hide_object = false;  // the glow alone, filling the object's outline too
  int passes = 1;
};

// Bevel and gradient bevel: light on one side, shadow on the other.
// Gradient glows and bevels colour the blurred coverage through stops.
struct BevelFilter {
  Rgba highlight{255, 255, 255, 255}, shadow{0, 0, 0, 255};
  double blur_x = 4, blur_y = 4;
  double angle = 0.785398, distance = 4, strength = 1;
  bool inner = true, knockout = false, on_top = false;
  int passes = 1;
};

struct GradientGlowFilter {
  std::vector<GradientStop> stops;
  double blur_x = 4, blur_y = 4;
  double angle = 0.785398, distance = 4, strength = 1;
  bool inner = false, knockout = false, on_top = false;
  int passes = 1;
};

struct GradientBevelFilter {
  std::vector<GradientStop> stops;
  double blur_x = 4, blur_y = 4;
  double angle = 0.785398, distance = 4, strength = 1;
  bool inner = true, knockout = false, on_top = false;
  int passes = 1;
};

struct ConvolutionFilter {
  int columns = 0, rows = 0;
  std::vector<float> matrix;  // rows × columns, row by row
  double divisor = 1, bias = 0;
  Rgba default_color{0, 0, 0, 0};  // for pixels beyond the edge unless clamped
  bool clamp = true, preserve_alpha = true;
};

// A 4×5 matrix over straight (not premultiplied) RGBA, row by row; the
// fifth column adds in 0..255 units.
struct ColorMatrixFilter {
  std::array<double, 20> matrix{1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
};

class BitmapData;

// DisplacementMapFilter, which only scripts make: the map's channels move
// the pixels. Kept on objects for scripts to read back; not drawn.
struct DisplacementMapFilter {
  std::shared_ptr<BitmapData> map;
  std::int32_t point_x = 0, point_y = 0, component_x = 0, component_y = 0;
  double scale_x = 0, scale_y = 0;
  std::uint8_t mode = 0;  // wrap, clamp, ignore, color
  Rgba color{0, 0, 0, 0};
};

using Filter =
    std::variant<DropShadowFilter, BlurFilter, GlowFilter, BevelFilter, GradientGlowFilter,
                 ConvolutionFilter, ColorMatrixFilter, GradientBevelFilter, DisplacementMapFilter>;

// FILTERLIST: a count byte, then each filter's id and fields. Throws
// ReadError on an unknown id or a record that runs past the data.
std::vector<Filter> read_filter_list(ByteReader& in);

}  // namespace strandel::swf
