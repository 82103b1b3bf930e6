#include "swf/records.h"

namespace strandel::swf {

namespace {

// Colour transform multipliers are 8.8 fixed point.
double fixed8(std::int32_t v) { return v / 256.0; }

ColorTransform read_cxform_terms(ByteReader& in, bool with_alpha) {
  BitReader bits(in);
  bool has_add = bits.flag();
  bool has_mult = bits.flag();
  unsigned nbits = bits.ub(4);
  ColorTransform cx;
  if (has_mult) {
    cx.rm = fixed8(bits.sb(nbits));
    cx.gm = fixed8(bits.sb(nbits));
    cx.bm = fixed8(bits.sb(nbits));
    if (with_alpha) cx.am = fixed8(bits.sb(nbits));
  }
  if (has_add) {
    cx.ra = bits.sb(nbits);
    cx.ga = bits.sb(nbits);
    cx.ba = bits.sb(nbits);
    if (with_alpha) cx.aa = bits.sb(nbits);
  }
  return cx;
}

}  // namespace

Rect read_rect(ByteReader& in) {
  BitReader bits(in);
  unsigned nbits = bits.ub(5);
  Rect r;
  r.xmin = bits.sb(nbits);
  r.xmax = bits.sb(nbits);
  r.ymin = bits.sb(nbits);
  r.ymax = bits.sb(nbits);
  return r;
}

// MATRIX maps x' = ScaleX·x + RotateSkew1·y + TranslateX and
// y' = RotateSkew0·x + ScaleY·y + TranslateY.
Matrix read_matrix(ByteReader& in) {
  BitReader bits(in);
  Matrix m;
  if (bits.flag()) {  // HasScale
    unsigned nbits = bits.ub(5);
    m.a = bits.fb(nbits);
    m.d = bits.fb(nbits);
  }
  if (bits.flag()) {  // HasRotate
    unsigned nbits = bits.ub(5);
    m.b = bits.fb(nbits);
    m.c = bits.fb(nbits);
  }
  unsigned nbits = bits.ub(5);
  m.tx = bits.sb(nbits);
  m.ty = bits.sb(nbits);
  return m;
}

ColorTransform read_cxform(ByteReader& in) { return read_cxform_terms(in, false); }

ColorTransform read_cxform_with_alpha(ByteReader& in) { return read_cxform_terms(in, true); }

Rgba read_rgb(ByteReader& in) {
  Rgba c;
  c.r = in.u8();
  c.g = in.u8();
  c.b = in.u8();
  return c;
}

Rgba read_rgba(ByteReader& in) {
  Rgba c = read_rgb(in);
  c.a = in.u8();
  return c;
}

Rgba read_argb(ByteReader& in) {
  Rgba c;
  c.a = in.u8();
  c.r = in.u8();
  c.g = in.u8();
  c.b = in.u8();
  return c;
}

}  // namespace strandel::swf
