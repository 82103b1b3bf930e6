#include "swf/shape.h"

#include <algorithm>
#include <unordered_map>

#include "swf/records.h"

namespace strandel::swf {

// ---------------------------------------------------------------------------
// Path

void Path::point(double x, double y) {
  cairo_path_data_t d;
  d.point.x = x;
  d.point.y = y;
  data_.push_back(d);
  last_x_ = x;
  last_y_ = y;
}

void Path::move_to(double x, double y) {
  cairo_path_data_t h;
  h.header.type = CAIRO_PATH_MOVE_TO;
  h.header.length = 2;
  data_.push_back(h);
  point(x, y);
}

void Path::line_to(double x, double y) {
  cairo_path_data_t h;
  h.header.type = CAIRO_PATH_LINE_TO;
  h.header.length = 2;
  data_.push_back(h);
  point(x, y);
}

// A quadratic curve is the cubic whose control points lie two thirds of the
// way from each end towards the quadratic control point.
void Path::quad_to(double cx, double cy, double x, double y) {
  double x0 = last_x_, y0 = last_y_;
  cairo_path_data_t h;
  h.header.type = CAIRO_PATH_CURVE_TO;
  h.header.length = 4;
  data_.push_back(h);
  point(x0 + 2.0 / 3.0 * (cx - x0), y0 + 2.0 / 3.0 * (cy - y0));
  point(x + 2.0 / 3.0 * (cx - x), y + 2.0 / 3.0 * (cy - y));
  point(x, y);
}

void Path::close() {
  cairo_path_data_t h;
  h.header.type = CAIRO_PATH_CLOSE_PATH;
  h.header.length = 1;
  data_.push_back(h);
}

void Path::append_to(cairo_t* cr) const {
  if (data_.empty()) return;
  cairo_path_t p;
  p.status = CAIRO_STATUS_SUCCESS;
  p.data = const_cast<cairo_path_data_t*>(data_.data());
  p.num_data = static_cast<int>(data_.size());
  cairo_append_path(cr, &p);
}

namespace {

// ---------------------------------------------------------------------------
// Edges and their joining into contours

// Pen positions are kept in 64 bits: hostile deltas may add up past 32 bits.
struct Point {
  std::int64_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct PointHash {
  std::size_t operator()(const Point& p) const {
    return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(p.x) * 1000003u +
                                       static_cast<std::uint64_t>(p.y));
  }
};

struct Edge {
  Point control;  // curves only
  Point to;
  bool curve = false;
};

// A run of connected edges drawn with the same styles.
struct Segment {
  Point start;
  std::vector<Edge> edges;
  Point end() const { return edges.empty() ? start : edges.back().to; }
};

// The same edges walked the other way: a fill0 edge has its fill on the
// left, so reversed it borders the fill on the right like a fill1 edge.
Segment reversed(const Segment& s) {
  Segment r;
  r.start = s.end();
  r.edges.reserve(s.edges.size());
  for (std::size_t i = s.edges.size(); i-- > 0;) {
    Point from = i == 0 ? s.start : s.edges[i - 1].to;
    r.edges.push_back({s.edges[i].control, from, s.edges[i].curve});
  }
  return r;
}

void emit_edges(Path& path, const Segment& s) {
  for (const Edge& e : s.edges) {
    if (e.curve)
      path.quad_to(double(e.control.x), double(e.control.y), double(e.to.x), double(e.to.y));
    else
      path.line_to(double(e.to.x), double(e.to.y));
  }
}

// Links a fill's segments end to start into closed contours. Well-formed
// shapes close every contour; an unmatched end is closed with a straight line.
Path link_contours(const std::vector<Segment>& segments) {
  Path path;
  std::unordered_map<Point, std::vector<std::size_t>, PointHash> by_start;
  if (segments.size() > 1) {
    for (std::size_t i = segments.size(); i-- > 0;) by_start[segments[i].start].push_back(i);
  }
  std::vector<bool> used(segments.size(), false);
  auto next_from = [&](const Point& p) -> const Segment* {
    auto it = by_start.find(p);
    if (it == by_start.end()) return nullptr;
    auto& list = it->second;
    while (!list.empty() && used[list.back()]) list.pop_back();
    if (list.empty()) return nullptr;
    used[list.back()] = true;
    return &segments[list.back()];
  };
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (used[i]) continue;
    used[i] = true;
    const Segment& first = segments[i];
    path.move_to(double(first.start.x), double(first.start.y));
    emit_edges(path, first);
    Point end = first.end();
    while (!(end == first.start)) {
      const Segment* next = next_from(end);
      if (!next) break;
      emit_edges(path, *next);
      end = next->end();
    }
    path.close();
  }
  return path;
}

// Strokes need no joining: segments that continue where the previous one
// ended stay one sub-path so that their corners get joins, not caps.
struct LineBuilder {
  Path path;
  Point last_end, contour_start;
  bool open = false;

  void add(const Segment& s, bool no_close) {
    if (!open || !(s.start == last_end)) {
      finish(no_close);
      path.move_to(double(s.start.x), double(s.start.y));
      contour_start = s.start;
      open = true;
    }
    emit_edges(path, s);
    last_end = s.end();
  }
  void finish(bool no_close) {
    if (open && last_end == contour_start && !no_close) path.close();
    open = false;
  }
};

// Collects the edge records of one shape, layer by layer.
class ShapeBuilder {
 public:
  explicit ShapeBuilder(bool glyph) : glyph_(glyph) {}

  void begin_layer(ShapeLayer layer) {
    layer_ = std::move(layer);
    fill_segments_.assign(layer_.fills.size(), {});
    lines_.assign(layer_.lines.size(), {});
    fill0_ = fill1_ = line_ = 0;
  }

  void finish_layer(std::vector<ShapeLayer>& out) {
    flush();
    layer_.fill_paths.clear();
    for (const auto& segs : fill_segments_) layer_.fill_paths.push_back(link_contours(segs));
    layer_.line_paths.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      lines_[i].finish(layer_.lines[i].no_close);
      layer_.line_paths.push_back(std::move(lines_[i].path));
    }
    out.push_back(std::move(layer_));
    layer_ = {};
  }

  void move_to(std::int64_t x, std::int64_t y) {
    flush();
    pen_ = {x, y};
    current_.start = pen_;
  }
  void set_fill0(std::uint32_t i) { flush(), fill0_ = i; }
  void set_fill1(std::uint32_t i) { flush(), fill1_ = i; }
  void set_line(std::uint32_t i) { flush(), line_ = i; }

  void line(std::int64_t dx, std::int64_t dy) {
    pen_ = {pen_.x + dx, pen_.y + dy};
    current_.edges.push_back({{}, pen_, false});
  }
  void curve(std::int64_t cdx, std::int64_t cdy, std::int64_t adx, std::int64_t ady) {
    Point control{pen_.x + cdx, pen_.y + cdy};
    pen_ = {control.x + adx, control.y + ady};
    current_.edges.push_back({control, pen_, true});
  }

 private:
  // Glyphs have no style arrays: any fill index means the glyph's one fill.
  std::size_t fill_slot(std::uint32_t index) const {
    if (index == 0) return SIZE_MAX;
    if (glyph_) return 0;
    return index <= fill_segments_.size() ? index - 1 : SIZE_MAX;
  }

  void flush() {
    if (!current_.edges.empty()) {
      std::size_t f0 = fill_slot(fill0_), f1 = fill_slot(fill1_);
      if (f0 != SIZE_MAX) fill_segments_[f0].push_back(reversed(current_));
      if (f1 != SIZE_MAX) fill_segments_[f1].push_back(current_);
      if (line_ != 0 && line_ <= lines_.size())
        lines_[line_ - 1].add(current_, layer_.lines[line_ - 1].no_close);
    }
    current_.edges.clear();
    current_.start = pen_;
  }

  bool glyph_;
  ShapeLayer layer_;
  std::vector<std::vector<Segment>> fill_segments_;
  std::vector<LineBuilder> lines_;
  Segment current_;
  Point pen_;
  std::uint32_t fill0_ = 0, fill1_ = 0, line_ = 0;
};

// ---------------------------------------------------------------------------
// Style arrays

Rgba read_color(ByteReader& in, int version) {
  return version >= 3 ? read_rgba(in) : read_rgb(in);
}

Gradient read_gradient(ByteReader& in, int version, bool focal) {
  Gradient g;
  std::uint8_t head = in.u8();
  unsigned spread = head >> 6;
  g.spread = spread <= 2 ? static_cast<SpreadMode>(spread) : SpreadMode::Pad;
  g.linear_rgb = ((head >> 4) & 3) == 1;
  unsigned count = head & 0x0F;
  for (unsigned i = 0; i < count; ++i) {
    GradientStop s;
    s.ratio = in.u8();
    s.color = read_color(in, version);
    g.stops.push_back(s);
  }
  if (focal) g.focal_point = std::clamp(in.s16() / 256.0, -1.0, 1.0);
  return g;
}

}  // namespace

FillStyle read_fill_style(ByteReader& in, int version) {
  FillStyle f;
  std::uint8_t type = in.u8();
  switch (type) {
    case 0x00:
      f.kind = FillStyle::Kind::Solid;
      f.color = read_color(in, version);
      return f;
    case 0x10:
    case 0x12:
    case 0x13:
      f.kind = type == 0x10   ? FillStyle::Kind::Linear
               : type == 0x12 ? FillStyle::Kind::Radial
                              : FillStyle::Kind::Focal;
      f.matrix = read_matrix(in);
      f.gradient = read_gradient(in, version, type == 0x13);
      return f;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
      f.kind = FillStyle::Kind::Bitmap;
      f.bitmap_id = in.u16();
      f.matrix = read_matrix(in);
      f.repeat = type == 0x40 || type == 0x42;
      f.smooth = type <= 0x41;
      return f;
    default:
      throw ReadError("unknown fill style type " + std::to_string(type));
  }
}

namespace {

// Style counts are one byte, or 0xFF and then two bytes from DefineShape2 on.
// Every style takes at least min_size bytes, so the data bounds the count.
std::size_t read_style_count(ByteReader& in, int version, std::size_t min_size) {
  std::size_t count = in.u8();
  if (count == 0xFF && version >= 2) count = in.u16();
  if (count * min_size > in.remaining()) throw ReadError("style count exceeds the data");
  return count;
}

std::vector<FillStyle> read_fill_styles(ByteReader& in, int version) {
  std::size_t count = read_style_count(in, version, 1);
  std::vector<FillStyle> fills;
  fills.reserve(count);
  for (std::size_t i = 0; i < count; ++i) fills.push_back(read_fill_style(in, version));
  return fills;
}

LineStyle read_line_style2(ByteReader& in) {
  LineStyle l;
  l.width = in.u16();
  std::uint8_t b1 = in.u8(), b2 = in.u8();
  l.start_cap = static_cast<LineCap>(std::min(b1 >> 6, 2));
  l.join = static_cast<LineJoin>(std::min((b1 >> 4) & 3, 2));
  l.has_fill = (b1 & 0x08) != 0;
  l.no_close = (b2 & 0x04) != 0;
  l.end_cap = static_cast<LineCap>(std::min(b2 & 3, 2));
  if (l.join == LineJoin::Miter) l.miter_limit = std::max(1.0, in.u16() / 256.0);
  if (l.has_fill) {
    l.fill = read_fill_style(in, 4);
    l.color = l.fill.kind == FillStyle::Kind::Solid ? l.fill.color : Rgba{};
    if (!l.fill.gradient.stops.empty()) l.color = l.fill.gradient.stops.front().color;
  } else {
    l.color = read_rgba(in);
  }
  return l;
}

std::vector<LineStyle> read_line_styles(ByteReader& in, int version) {
  std::size_t count = read_style_count(in, version, 3);
  std::vector<LineStyle> lines;
  lines.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (version >= 4) {
      lines.push_back(read_line_style2(in));
    } else {
      LineStyle l;
      l.width = in.u16();
      l.color = read_color(in, version);
      lines.push_back(l);
    }
  }
  return lines;
}

ShapeLayer read_styles(ByteReader& in, int version) {
  ShapeLayer layer;
  layer.fills = read_fill_styles(in, version);
  layer.lines = read_line_styles(in, version);
  return layer;
}

// ---------------------------------------------------------------------------
// Shape records

constexpr unsigned kStateNewStyles = 0x10, kStateLineStyle = 0x08, kStateFillStyle1 = 0x04,
                   kStateFillStyle0 = 0x02, kStateMoveTo = 0x01;

void read_edge(BitReader& bits, ShapeBuilder& b) {
  bool straight = bits.flag();
  unsigned nbits = bits.ub(4) + 2;
  if (straight) {
    if (bits.flag()) {  // GeneralLineFlag
      std::int64_t dx = bits.sb(nbits);
      std::int64_t dy = bits.sb(nbits);
      b.line(dx, dy);
    } else if (bits.flag()) {  // VertLineFlag
      b.line(0, bits.sb(nbits));
    } else {
      b.line(bits.sb(nbits), 0);
    }
  } else {
    std::int64_t cdx = bits.sb(nbits), cdy = bits.sb(nbits);
    std::int64_t adx = bits.sb(nbits), ady = bits.sb(nbits);
    b.curve(cdx, cdy, adx, ady);
  }
}

// Reads records up to EndShapeRecord. version 0 reads a glyph: no new styles.
void read_shape_records(ByteReader& in, int version, ShapeBuilder& b,
                        std::vector<ShapeLayer>& layers) {
  BitReader bits(in);
  unsigned fill_bits = bits.ub(4), line_bits = bits.ub(4);
  for (;;) {
    if (bits.flag()) {
      read_edge(bits, b);
      continue;
    }
    unsigned flags = bits.ub(5);
    if (flags == 0) break;  // EndShapeRecord
    if (flags & kStateMoveTo) {
      unsigned nbits = bits.ub(5);
      std::int64_t x = bits.sb(nbits);
      std::int64_t y = bits.sb(nbits);
      b.move_to(x, y);
    }
    std::uint32_t fill0 = 0, fill1 = 0, line = 0;
    if (flags & kStateFillStyle0) fill0 = bits.ub(fill_bits);
    if (flags & kStateFillStyle1) fill1 = bits.ub(fill_bits);
    if (flags & kStateLineStyle) line = bits.ub(line_bits);
    // New style arrays replace the old ones, and the indices of this same
    // record already refer to the new arrays.
    if ((flags & kStateNewStyles) && version >= 2) {
      b.finish_layer(layers);
      bits.align();
      b.begin_layer(read_styles(in, version));
      fill_bits = bits.ub(4);
      line_bits = bits.ub(4);
    }
    if (flags & kStateFillStyle0) b.set_fill0(fill0);
    if (flags & kStateFillStyle1) b.set_fill1(fill1);
    if (flags & kStateLineStyle) b.set_line(line);
  }
  b.finish_layer(layers);
}

// Reads records into a list, without new styles (a morph shape has none).
void collect_records(ByteReader& in, std::vector<ShapeRecord>& out) {
  BitReader bits(in);
  unsigned fill_bits = bits.ub(4), line_bits = bits.ub(4);
  for (;;) {
    ShapeRecord r;
    if (bits.flag()) {
      bool straight = bits.flag();
      unsigned nbits = bits.ub(4) + 2;
      if (straight) {
        r.kind = ShapeRecord::Kind::Line;
        if (bits.flag()) {
          r.dx = bits.sb(nbits);
          r.dy = bits.sb(nbits);
        } else if (bits.flag()) {
          r.dy = bits.sb(nbits);
        } else {
          r.dx = bits.sb(nbits);
        }
      } else {
        r.kind = ShapeRecord::Kind::Curve;
        r.cdx = bits.sb(nbits);
        r.cdy = bits.sb(nbits);
        r.dx = bits.sb(nbits);
        r.dy = bits.sb(nbits);
      }
      out.push_back(r);
      continue;
    }
    unsigned flags = bits.ub(5);
    if (flags == 0) return;  // EndShapeRecord
    if (flags & kStateMoveTo) {
      unsigned nbits = bits.ub(5);
      r.move = true;
      r.x = bits.sb(nbits);
      r.y = bits.sb(nbits);
    }
    if (flags & kStateFillStyle0) r.fill0 = bits.ub(fill_bits);
    if (flags & kStateFillStyle1) r.fill1 = bits.ub(fill_bits);
    if (flags & kStateLineStyle) r.line = bits.ub(line_bits);
    out.push_back(r);
  }
}

}  // namespace

std::vector<ShapeRecord> read_shape_record_list(ByteReader& in) {
  std::vector<ShapeRecord> records;
  collect_records(in, records);
  return records;
}

ShapeDefinition build_shape(const Rect& bounds, ShapeLayer styles,
                            const std::vector<ShapeRecord>& records) {
  ShapeDefinition s;
  s.bounds = bounds;
  ShapeBuilder b(false);
  b.begin_layer(std::move(styles));
  for (const ShapeRecord& r : records) {
    switch (r.kind) {
      case ShapeRecord::Kind::Line:
        b.line(r.dx, r.dy);
        break;
      case ShapeRecord::Kind::Curve:
        b.curve(r.cdx, r.cdy, r.dx, r.dy);
        break;
      case ShapeRecord::Kind::StyleChange:
        if (r.move) b.move_to(r.x, r.y);
        if (r.fill0) b.set_fill0(*r.fill0);
        if (r.fill1) b.set_fill1(*r.fill1);
        if (r.line) b.set_line(*r.line);
        break;
    }
  }
  b.finish_layer(s.layers);
  return s;
}

ShapeDefinition read_define_shape(ByteReader& in, int version) {
  ShapeDefinition s;
  s.bounds = read_rect(in);
  if (version >= 4) {
    read_rect(in);  // EdgeBounds
    s.nonzero_winding = (in.u8() & 0x04) != 0;
  }
  ShapeBuilder b(false);
  b.begin_layer(read_styles(in, version));
  read_shape_records(in, version, b, s.layers);
  return s;
}

Path read_glyph_shape(std::span<const std::uint8_t> bytes) {
  ByteReader in(bytes);
  ShapeBuilder b(true);
  ShapeLayer layer;
  layer.fills.resize(1);
  b.begin_layer(std::move(layer));
  std::vector<ShapeLayer> layers;
  read_shape_records(in, 0, b, layers);
  return std::move(layers.front().fill_paths.front());
}

}  // namespace strandel::swf
