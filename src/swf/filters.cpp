#include "swf/filters.h"

#include <string>

#include "swf/records.h"

namespace strandel::swf {

namespace {

// The flag bits that close the shadow, glow and bevel records: inner,
// knockout, composite source, then either on-top and four bits of passes
// (bevels) or five bits of passes.
struct Closing {
  bool inner, knockout, composite_source, on_top;
  int passes;
};

Closing read_closing(ByteReader& in, bool with_on_top) {
  std::uint8_t b = in.u8();
  Closing c{(b & 0x80) != 0, (b & 0x40) != 0, (b & 0x20) != 0, false, b & 0x1F};
  if (with_on_top) {
    c.on_top = (b & 0x10) != 0;
    c.passes = b & 0x0F;
  }
  return c;
}

DropShadowFilter read_drop_shadow(ByteReader& in) {
  DropShadowFilter f;
  f.color = read_rgba(in);
  f.blur_x = in.fixed16();
  f.blur_y = in.fixed16();
  f.angle = in.fixed16();
  f.distance = in.fixed16();
  f.strength = in.fixed8();
  Closing c = read_closing(in, false);
  f.inner = c.inner;
  f.knockout = c.knockout;
  f.hide_object = !c.composite_source;
  f.passes = c.passes;
  return f;
}

BlurFilter read_blur(ByteReader& in) {
  BlurFilter f;
  f.blur_x = in.fixed16();
  f.blur_y = in.fixed16();
  f.passes = in.u8() >> 3;
  return f;
}

GlowFilter read_glow(ByteReader& in) {
  GlowFilter f;
  f.color = read_rgba(in);
  f.blur_x = in.fixed16();
  f.blur_y = in.fixed16();
  f.strength = in.fixed8();
  Closing c = read_closing(in, false);
  f.inner = c.inner;
  f.knockout = c.knockout;
  f.hide_object = !c.composite_source;
  f.passes = c.passes;
  return f;
}

// The fields that bevels and the gradient filters share after their colours.
template <typename F>
void read_bevel_fields(ByteReader& in, F& f) {
  f.blur_x = in.fixed16();
  f.blur_y = in.fixed16();
  f.angle = in.fixed16();
  f.distance = in.fixed16();
  f.strength = in.fixed8();
  Closing c = read_closing(in, true);
  f.inner = c.inner;
  f.knockout = c.knockout;
  f.on_top = c.on_top;
  f.passes = c.passes;
}

// The highlight colour comes first in the file, before the shadow colour.
BevelFilter read_bevel(ByteReader& in) {
  BevelFilter f;
  f.highlight = read_rgba(in);
  f.shadow = read_rgba(in);
  read_bevel_fields(in, f);
  return f;
}

// All colours first, then all ratios.
std::vector<GradientStop> read_filter_stops(ByteReader& in) {
  std::size_t count = in.u8();
  std::vector<GradientStop> stops(count);
  for (GradientStop& s : stops) s.color = read_rgba(in);
  for (GradientStop& s : stops) s.ratio = in.u8();
  return stops;
}

template <typename F>
F read_gradient_filter(ByteReader& in) {
  F f;
  f.stops = read_filter_stops(in);
  read_bevel_fields(in, f);
  return f;
}

ConvolutionFilter read_convolution(ByteReader& in) {
  ConvolutionFilter f;
  f.columns = in.u8();
  f.rows = in.u8();
  f.divisor = in.f32();
  f.bias = in.f32();
  std::size_t cells = std::size_t(f.columns) * f.rows;  // at most 255 × 255
  if (cells * 4 > in.remaining()) throw ReadError("convolution matrix exceeds the data");
  f.matrix.resize(cells);
  for (float& v : f.matrix) v = in.f32();
  f.default_color = read_rgba(in);
  std::uint8_t flags = in.u8();
  f.clamp = (flags & 0x02) != 0;
  f.preserve_alpha = (flags & 0x01) != 0;
  return f;
}

ColorMatrixFilter read_color_matrix(ByteReader& in) {
  ColorMatrixFilter f;
  for (double& v : f.matrix) v = in.f32();
  return f;
}

Filter read_filter(ByteReader& in) {
  std::uint8_t id = in.u8();
  switch (id) {
    case 0:
      return read_drop_shadow(in);
    case 1:
      return read_blur(in);
    case 2:
      return read_glow(in);
    case 3:
      return read_bevel(in);
    case 4:
      return read_gradient_filter<GradientGlowFilter>(in);
    case 5:
      return read_convolution(in);
    case 6:
      return read_color_matrix(in);
    case 7:
      return read_gradient_filter<GradientBevelFilter>(in);
    default:
      throw ReadError("unknown filter " + std::to_string(id));
  }
}

}  // namespace

std::vector<Filter> read_filter_list(ByteReader& in) {
  std::size_t count = in.u8();  // at most 255 filters
  std::vector<Filter> filters;
  filters.reserve(count);
  for (std::size_t i = 0; i < count; ++i) filters.push_back(read_filter(in));
  return filters;
}

}  // namespace strandel::swf
