#include "swf/morph_shape.h"

#include <algorithm>
#include <cmath>

#include "swf/records.h"

namespace strandel::swf {

namespace {

// Ratios kept built: a tween plays each ratio once, an object at rest
// keeps one, and a few objects may share a definition.
constexpr std::size_t kMadeShapes = 4;

// ---------------------------------------------------------------------------
// Reading

struct GradientPair {
  Gradient start, end;
};

// MORPHGRADIENT: a count (with the spread and interpolation bits of a
// gradient's first byte), then start and end ratio and colour per stop.
GradientPair read_morph_gradient(ByteReader& in, bool focal) {
  GradientPair g;
  std::uint8_t head = in.u8();
  unsigned spread = head >> 6;
  g.start.spread = g.end.spread = spread <= 2 ? static_cast<SpreadMode>(spread) : SpreadMode::Pad;
  g.start.linear_rgb = g.end.linear_rgb = ((head >> 4) & 3) == 1;
  unsigned count = head & 0x0F;
  for (unsigned i = 0; i < count; ++i) {
    GradientStop s, e;
    s.ratio = in.u8();
    s.color = read_rgba(in);
    e.ratio = in.u8();
    e.color = read_rgba(in);
    g.start.stops.push_back(s);
    g.end.stops.push_back(e);
  }
  if (focal) {
    g.start.focal_point = std::clamp(in.s16() / 256.0, -1.0, 1.0);
    g.end.focal_point = std::clamp(in.s16() / 256.0, -1.0, 1.0);
  }
  return g;
}

MorphFill read_morph_fill(ByteReader& in) {
  MorphFill f;
  std::uint8_t type = in.u8();
  switch (type) {
    case 0x00:
      f.start.color = read_rgba(in);
      f.end.color = read_rgba(in);
      return f;
    case 0x10:
    case 0x12:
    case 0x13: {
      auto kind = type == 0x10   ? FillStyle::Kind::Linear
                  : type == 0x12 ? FillStyle::Kind::Radial
                                 : FillStyle::Kind::Focal;
      f.start.kind = f.end.kind = kind;
      f.start.matrix = read_matrix(in);
      f.end.matrix = read_matrix(in);
      GradientPair g = read_morph_gradient(in, type == 0x13);
      f.start.gradient = std::move(g.start);
      f.end.gradient = std::move(g.end);
      return f;
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
      f.start.kind = f.end.kind = FillStyle::Kind::Bitmap;
      f.start.bitmap_id = f.end.bitmap_id = in.u16();
      f.start.matrix = read_matrix(in);
      f.end.matrix = read_matrix(in);
      f.start.repeat = f.end.repeat = type == 0x40 || type == 0x42;
      f.start.smooth = f.end.smooth = type <= 0x41;
      return f;
    default:
      throw ReadError("unknown morph fill style type " + std::to_string(type));
  }
}

// A count byte, or 0xFF and two bytes; every style takes at least
// `min_size` bytes, so the data bounds the count.
std::size_t read_count(ByteReader& in, std::size_t min_size) {
  std::size_t count = in.u8();
  if (count == 0xFF) count = in.u16();
  if (count * min_size > in.remaining()) throw ReadError("style count exceeds the data");
  return count;
}

// MORPHLINESTYLE2 shares LINESTYLE2's flag bytes.
MorphLine read_morph_line2(ByteReader& in) {
  MorphLine l;
  l.start.width = in.u16();
  l.end.width = in.u16();
  std::uint8_t b1 = in.u8(), b2 = in.u8();
  LineStyle& s = l.start;
  s.start_cap = static_cast<LineCap>(std::min(b1 >> 6, 2));
  s.join = static_cast<LineJoin>(std::min((b1 >> 4) & 3, 2));
  s.has_fill = (b1 & 0x08) != 0;
  s.no_close = (b2 & 0x04) != 0;
  s.end_cap = static_cast<LineCap>(std::min(b2 & 3, 2));
  if (s.join == LineJoin::Miter) s.miter_limit = std::max(1.0, in.u16() / 256.0);
  if (s.has_fill) {
    MorphFill f = read_morph_fill(in);
    s.fill = std::move(f.start);
    l.end.fill = std::move(f.end);
  } else {
    s.color = read_rgba(in);
    l.end.color = read_rgba(in);
  }
  std::uint16_t end_width = l.end.width;
  Rgba end_color = l.end.color;
  FillStyle end_fill = std::move(l.end.fill);
  l.end = s;
  l.end.width = end_width;
  l.end.color = end_color;
  l.end.fill = std::move(end_fill);
  return l;
}

MorphLine read_morph_line(ByteReader& in) {
  MorphLine l;
  l.start.width = in.u16();
  l.end.width = in.u16();
  l.start.color = read_rgba(in);
  l.end.color = read_rgba(in);
  return l;
}

// ---------------------------------------------------------------------------
// Interpolation

double mix(double a, double b, double t) { return a + (b - a) * t; }

std::uint8_t mix8(std::uint8_t a, std::uint8_t b, double t) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(mix(a, b, t)), 0L, 255L));
}

Rgba mix(Rgba a, Rgba b, double t) {
  return {mix8(a.r, b.r, t), mix8(a.g, b.g, t), mix8(a.b, b.b, t), mix8(a.a, b.a, t)};
}

Matrix mix(const Matrix& a, const Matrix& b, double t) {
  return {mix(a.a, b.a, t), mix(a.b, b.b, t),   mix(a.c, b.c, t),
          mix(a.d, b.d, t), mix(a.tx, b.tx, t), mix(a.ty, b.ty, t)};
}

FillStyle mix(const FillStyle& a, const FillStyle& b, double t) {
  FillStyle f = a;
  f.cached_pattern.reset();
  f.color = mix(a.color, b.color, t);
  f.matrix = mix(a.matrix, b.matrix, t);
  f.gradient.focal_point = mix(a.gradient.focal_point, b.gradient.focal_point, t);
  for (std::size_t i = 0; i < f.gradient.stops.size() && i < b.gradient.stops.size(); ++i) {
    f.gradient.stops[i].ratio = mix8(a.gradient.stops[i].ratio, b.gradient.stops[i].ratio, t);
    f.gradient.stops[i].color = mix(a.gradient.stops[i].color, b.gradient.stops[i].color, t);
  }
  return f;
}

LineStyle mix(const LineStyle& a, const LineStyle& b, double t) {
  LineStyle l = a;
  l.width = static_cast<std::uint16_t>(std::lround(mix(a.width, b.width, t)));
  l.color = mix(a.color, b.color, t);
  if (a.has_fill) l.fill = mix(a.fill, b.fill, t);
  return l;
}

// Pen positions of the start and end shapes as they are walked together.
struct Pens {
  double sx = 0, sy = 0, ex = 0, ey = 0;
  std::int64_t x = 0, y = 0;  // the interpolated pen, in whole twips

  std::int32_t to_x(double t) const { return clamp32(std::llround(mix(sx, ex, t))); }
  std::int32_t to_y(double t) const { return clamp32(std::llround(mix(sy, ey, t))); }
  static std::int32_t clamp32(long long v) {
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  }
};

// A straight edge as the curve it equals: its control point at its middle.
void as_curve(const ShapeRecord& r, double& cdx, double& cdy, double& adx, double& ady) {
  if (r.kind == ShapeRecord::Kind::Curve) {
    cdx = r.cdx, cdy = r.cdy, adx = r.dx, ady = r.dy;
  } else {
    cdx = r.dx / 2.0, cdy = r.dy / 2.0, adx = r.dx / 2.0, ady = r.dy / 2.0;
  }
}

// The edge between a start edge and its end edge: lines stay lines when
// both are lines, otherwise both become curves. Written with whole-twip
// deltas taken from the interpolated absolute points, so rounding never
// drifts along a contour.
ShapeRecord mix_edge(const ShapeRecord& s, const ShapeRecord& e, Pens& p, double t) {
  ShapeRecord r;
  if (s.kind == ShapeRecord::Kind::Line && e.kind == ShapeRecord::Kind::Line) {
    p.sx += s.dx, p.sy += s.dy, p.ex += e.dx, p.ey += e.dy;
    r.kind = ShapeRecord::Kind::Line;
    std::int32_t x = p.to_x(t), y = p.to_y(t);
    r.dx = Pens::clamp32(x - p.x), r.dy = Pens::clamp32(y - p.y);
    p.x = x, p.y = y;
    return r;
  }
  double scx, scy, sax, say, ecx, ecy, eax, eay;
  as_curve(s, scx, scy, sax, say);
  as_curve(e, ecx, ecy, eax, eay);
  double cx = mix(p.sx + scx, p.ex + ecx, t), cy = mix(p.sy + scy, p.ey + ecy, t);
  p.sx += scx + sax, p.sy += scy + say, p.ex += ecx + eax, p.ey += ecy + eay;
  std::int64_t ccx = std::llround(cx), ccy = std::llround(cy);
  std::int32_t x = p.to_x(t), y = p.to_y(t);
  r.kind = ShapeRecord::Kind::Curve;
  r.cdx = Pens::clamp32(ccx - p.x), r.cdy = Pens::clamp32(ccy - p.y);
  r.dx = Pens::clamp32(x - ccx), r.dy = Pens::clamp32(y - ccy);
  p.x = x, p.y = y;
  return r;
}

bool is_edge(const ShapeRecord& r) { return r.kind != ShapeRecord::Kind::StyleChange; }

// Walks both record lists together: style changes come from the start
// list (their moves meet the end list's moves), edges pair up in order.
std::vector<ShapeRecord> mix_records(const std::vector<ShapeRecord>& start,
                                     const std::vector<ShapeRecord>& end, double t) {
  std::vector<ShapeRecord> out;
  out.reserve(start.size());
  Pens p;
  std::size_t j = 0;
  for (const ShapeRecord& s : start) {
    // Moves in the end list between edges set its pen.
    while (j < end.size() && !is_edge(end[j]) && is_edge(s)) {
      if (end[j].move) p.ex = end[j].x, p.ey = end[j].y;
      ++j;
    }
    if (!is_edge(s)) {
      ShapeRecord r = s;
      if (j < end.size() && !is_edge(end[j])) {
        if (end[j].move) p.ex = end[j].x, p.ey = end[j].y;
        ++j;
      }
      if (s.move) {
        p.sx = s.x, p.sy = s.y;
        r.x = p.to_x(t), r.y = p.to_y(t);
        p.x = r.x, p.y = r.y;
      }
      out.push_back(r);
      continue;
    }
    // A start edge without its end edge keeps its own shape.
    const ShapeRecord& e = j < end.size() ? end[j] : s;
    if (j < end.size()) ++j;
    out.push_back(mix_edge(s, e, p, t));
  }
  return out;
}

Rect mix(const Rect& a, const Rect& b, double t) {
  auto m = [t](std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(std::llround(mix(x, y, t)));
  };
  return {m(a.xmin, b.xmin), m(a.xmax, b.xmax), m(a.ymin, b.ymin), m(a.ymax, b.ymax)};
}

}  // namespace

std::shared_ptr<const ShapeDefinition> MorphShapeDefinition::at(std::uint16_t ratio) const {
  for (auto it = made_->begin(); it != made_->end(); ++it) {
    if (it->ratio != ratio) continue;
    made_->splice(made_->begin(), *made_, it);
    return made_->front().shape;
  }
  double t = ratio / 65535.0;
  ShapeLayer styles;
  for (const MorphFill& f : fills) styles.fills.push_back(mix(f.start, f.end, t));
  for (const MorphLine& l : lines) styles.lines.push_back(mix(l.start, l.end, t));
  auto shape = std::make_shared<const ShapeDefinition>(
      build_shape(mix(start_bounds, end_bounds, t), std::move(styles),
                  mix_records(start_records, end_records, t)));
  made_->push_front({ratio, shape});
  if (made_->size() > kMadeShapes) made_->pop_back();
  return shape;
}

MorphShapeDefinition read_define_morph_shape(ByteReader& in, int version) {
  MorphShapeDefinition m;
  m.start_bounds = read_rect(in);
  m.end_bounds = read_rect(in);
  if (version >= 2) {
    read_rect(in);  // StartEdgeBounds
    read_rect(in);  // EndEdgeBounds
    in.u8();        // stroke scaling flags
  }
  std::uint32_t offset = in.u32();  // from here to the end edges
  std::size_t end_edges = in.position() + offset;
  std::size_t fill_count = read_count(in, 1);
  for (std::size_t i = 0; i < fill_count; ++i) m.fills.push_back(read_morph_fill(in));
  std::size_t line_count = read_count(in, version >= 2 ? 6 : 12);
  for (std::size_t i = 0; i < line_count; ++i)
    m.lines.push_back(version >= 2 ? read_morph_line2(in) : read_morph_line(in));
  m.start_records = read_shape_record_list(in);
  if (offset != 0 && end_edges >= in.position() && end_edges < in.data().size())
    in.skip(end_edges - in.position());
  m.end_records = read_shape_record_list(in);
  return m;
}

}  // namespace strandel::swf
