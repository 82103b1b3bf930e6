// Shapes: fill and line style arrays, shape records, DefineShape 1–4.
#include <algorithm>
#include <cstdlib>

#include "swfwriter/swfwriter.h"

namespace swfw {

FillStyle FillStyle::solid(Rgba c) {
  FillStyle f;
  f.colour = c;
  return f;
}

FillStyle FillStyle::linear(const Matrix& m, const Gradient& g) {
  FillStyle f;
  f.type = Linear;
  f.matrix = m;
  f.gradient = g;
  return f;
}

FillStyle FillStyle::radial(const Matrix& m, const Gradient& g) {
  FillStyle f = linear(m, g);
  f.type = Radial;
  return f;
}

FillStyle FillStyle::focal(const Matrix& m, const Gradient& g) {
  FillStyle f = linear(m, g);
  f.type = FocalRadial;
  return f;
}

FillStyle FillStyle::bitmap(std::uint16_t id, const Matrix& m, bool repeat, bool smooth) {
  FillStyle f;
  f.type = repeat ? (smooth ? RepeatingBitmap : NonSmoothedRepeatingBitmap)
                  : (smooth ? ClippedBitmap : NonSmoothedClippedBitmap);
  f.bitmap_id = id;
  f.matrix = m;
  return f;
}

// The gradient square spans -16384..16384 twips on both axes.
Matrix gradient_box(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  return Matrix::scale(w / 32768.0, h / 32768.0, x + w / 2, y + h / 2);
}

std::uint16_t Shape::add_fill(const FillStyle& f) {
  auto& fills = current_styles().fills;
  fills.push_back(f);
  return static_cast<std::uint16_t>(fills.size());
}

std::uint16_t Shape::add_line(const LineStyle& l) {
  auto& lines = current_styles().lines;
  lines.push_back(l);
  max_line_width_ = std::max(max_line_width_, l.width);
  return static_cast<std::uint16_t>(lines.size());
}

Shape::Styles& Shape::current_styles() {
  return styles_item_ < 0 ? styles_ : *items_[static_cast<std::size_t>(styles_item_)].change.new_styles;
}

Shape::Change& Shape::pending() {
  if (items_.empty() || items_.back().is_edge) items_.push_back(Item{});
  return items_.back().change;
}

Shape& Shape::new_styles() {
  // A fresh item keeps the new arrays apart from index changes before them.
  items_.push_back(Item{});
  items_.back().change.new_styles = Styles{};
  styles_item_ = static_cast<int>(items_.size()) - 1;
  return *this;
}

Shape& Shape::set_fill0(std::uint16_t index) {
  pending().fill0 = index;
  return *this;
}

Shape& Shape::set_fill1(std::uint16_t index) {
  pending().fill1 = index;
  return *this;
}

Shape& Shape::set_line(std::uint16_t index) {
  pending().line = index;
  return *this;
}

Shape& Shape::move_to(std::int32_t x, std::int32_t y) {
  pending().move = std::pair{x, y};
  pen_x_ = x;
  pen_y_ = y;
  return *this;
}

Shape& Shape::line_to(std::int32_t x, std::int32_t y) {
  Item item;
  item.is_edge = true;
  item.edge = {false, 0, 0, x, y};
  items_.push_back(item);
  pen_x_ = x;
  pen_y_ = y;
  return *this;
}

Shape& Shape::curve_to(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y) {
  Item item;
  item.is_edge = true;
  item.edge = {true, cx, cy, x, y};
  items_.push_back(item);
  pen_x_ = x;
  pen_y_ = y;
  return *this;
}

Shape& Shape::rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  return move_to(x, y).line_to(x + w, y).line_to(x + w, y + h).line_to(x, y + h).line_to(x, y);
}

Rect Shape::edge_bounds() const {
  bool any = false;
  Rect r;
  auto add = [&](std::int32_t x, std::int32_t y) {
    if (!any) r = {x, x, y, y};
    r = {std::min(r.xmin, x), std::max(r.xmax, x), std::min(r.ymin, y), std::max(r.ymax, y)};
    any = true;
  };
  for (const auto& item : items_) {
    if (!item.is_edge && item.change.move) add(item.change.move->first, item.change.move->second);
    if (!item.is_edge) continue;
    if (item.edge.curve) add(item.edge.cx, item.edge.cy);
    add(item.edge.x, item.edge.y);
  }
  return r;
}

Rect Shape::bounds() const {
  Rect r = edge_bounds();
  const std::int32_t half = max_line_width_ / 2;
  return {r.xmin - half, r.xmax + half, r.ymin - half, r.ymax + half};
}

// ---------------------------------------------------------------------------
// Style arrays

static void write_colour(Writer& w, Rgba c, int version) {
  if (version >= 3)
    w.rgba(c);
  else
    w.rgb(c);
}

static void write_gradient(Writer& w, const Gradient& g, int version, bool focal) {
  w.ub(2, version >= 4 ? static_cast<std::uint32_t>(g.spread) : 0);
  w.ub(2, version >= 4 ? static_cast<std::uint32_t>(g.interpolation) : 0);
  w.ub(4, static_cast<std::uint32_t>(g.records.size()));
  for (const auto& rec : g.records) {
    w.u8(rec.ratio);
    write_colour(w, rec.colour, version);
  }
  if (focal) w.fixed8(g.focal_point);
}

static void write_fill(Writer& w, const FillStyle& f, int version) {
  w.u8(f.type);
  if (f.type == FillStyle::Solid) {
    write_colour(w, f.colour, version);
  } else if (f.type >= FillStyle::Linear && f.type <= FillStyle::FocalRadial) {
    w.matrix(f.matrix);
    write_gradient(w, f.gradient, version, f.type == FillStyle::FocalRadial);
  } else {
    w.u16(f.bitmap_id);
    w.matrix(f.matrix);
  }
}

// LINESTYLE2: caps, join, flags and either a colour or a fill style.
static void write_line2(Writer& w, const LineStyle& l) {
  w.u16(l.width);
  w.ub(2, l.start_cap);
  w.ub(2, l.join);
  w.ub(1, l.fill.has_value());
  w.ub(1, l.no_hscale);
  w.ub(1, l.no_vscale);
  w.ub(1, l.pixel_hinting);
  w.ub(5, 0);
  w.ub(1, l.no_close);
  w.ub(2, l.end_cap);
  if (l.join == LineStyle::MiterJoin) w.fixed8(l.miter_limit);
  if (l.fill)
    write_fill(w, *l.fill, 4);
  else
    w.rgba(l.colour);
}

// Style counts are a UI8, or 0xFF then a UI16 from DefineShape2 on.
static void write_count(Writer& w, std::size_t n, int version) {
  if (n >= 0xFF && version >= 2) {
    w.u8(0xFF);
    w.u16(static_cast<std::uint16_t>(n));
  } else {
    w.u8(static_cast<std::uint8_t>(n));
  }
}

void Shape::write_styles(Writer& w, const Styles& s) const {
  write_count(w, s.fills.size(), version_);
  for (const auto& f : s.fills) write_fill(w, f, version_);
  write_count(w, s.lines.size(), version_);
  for (const auto& l : s.lines) {
    if (version_ >= 4) {
      write_line2(w, l);
    } else {
      w.u16(l.width);
      write_colour(w, l.colour, version_);
    }
  }
  w.ub(4, ubits(static_cast<std::uint32_t>(s.fills.size())));
  w.ub(4, ubits(static_cast<std::uint32_t>(s.lines.size())));
}

// ---------------------------------------------------------------------------
// Shape records

static void write_style_change(Writer& w, const std::optional<std::uint16_t>& fill0,
                               const std::optional<std::uint16_t>& fill1,
                               const std::optional<std::uint16_t>& line,
                               const std::optional<std::pair<std::int32_t, std::int32_t>>& move,
                               unsigned fill_bits, unsigned line_bits) {
  w.ub(1, 0);  // TypeFlag: non-edge
  w.ub(1, 0);  // StateNewStyles, written in a record of its own
  w.ub(1, line.has_value());
  w.ub(1, fill1.has_value());
  w.ub(1, fill0.has_value());
  w.ub(1, move.has_value());
  if (move) {
    const unsigned n = std::max(sbits(move->first), sbits(move->second));
    w.ub(5, n);
    w.sb(n, move->first);
    w.sb(n, move->second);
  }
  if (fill0) w.ub(fill_bits, *fill0);
  if (fill1) w.ub(fill_bits, *fill1);
  if (line) w.ub(line_bits, *line);
}

// Edge deltas get NumBits + 2 bits with NumBits in 4 bits: at most 17.
constexpr std::int32_t max_edge_delta = 65535;

static void write_straight(Writer& w, std::int32_t dx, std::int32_t dy) {
  if (std::abs(dx) > max_edge_delta || std::abs(dy) > max_edge_delta) {
    write_straight(w, dx / 2, dy / 2);
    write_straight(w, dx - dx / 2, dy - dy / 2);
    return;
  }
  const unsigned n = std::max({2u, sbits(dx), sbits(dy)});
  w.ub(1, 1);  // TypeFlag: edge
  w.ub(1, 1);  // StraightFlag
  w.ub(4, n - 2);
  const bool general = dx != 0 && dy != 0;
  w.ub(1, general);
  if (general) {
    w.sb(n, dx);
    w.sb(n, dy);
  } else {
    w.ub(1, dx == 0);  // VertLineFlag
    w.sb(n, dx == 0 ? dy : dx);
  }
}

static void write_curve(Writer& w, std::int32_t cdx, std::int32_t cdy, std::int32_t adx,
                        std::int32_t ady) {
  const unsigned n = std::max({2u, sbits(cdx), sbits(cdy), sbits(adx), sbits(ady)});
  w.ub(1, 1);  // TypeFlag: edge
  w.ub(1, 0);  // StraightFlag
  w.ub(4, n - 2);
  w.sb(n, cdx);
  w.sb(n, cdy);
  w.sb(n, adx);
  w.sb(n, ady);
}

void Shape::write_records(Writer& w, unsigned fill_bits, unsigned line_bits,
                          bool with_styles) const {
  std::int32_t x = 0, y = 0;
  for (const auto& item : items_) {
    if (item.is_edge) {
      const Edge& e = item.edge;
      if (e.curve)
        write_curve(w, e.cx - x, e.cy - y, e.x - e.cx, e.y - e.cy);
      else
        write_straight(w, e.x - x, e.y - y);
      x = e.x;
      y = e.y;
      continue;
    }
    const Change& c = item.change;
    if (c.new_styles && with_styles) {
      w.ub(1, 0);
      w.ub(5, 0x10);  // StateNewStyles only
      write_styles(w, *c.new_styles);
      fill_bits = ubits(static_cast<std::uint32_t>(c.new_styles->fills.size()));
      line_bits = ubits(static_cast<std::uint32_t>(c.new_styles->lines.size()));
    }
    if (!c.fill0 && !c.fill1 && !c.line && !c.move) continue;
    write_style_change(w, c.fill0, c.fill1, c.line, c.move, fill_bits, line_bits);
    if (c.move) {
      x = c.move->first;
      y = c.move->second;
    }
  }
  w.ub(6, 0);  // EndShapeRecord
  w.align();
}

Bytes Shape::shape_with_style() const {
  Writer w;
  write_styles(w, styles_);
  write_records(w, ubits(static_cast<std::uint32_t>(styles_.fills.size())),
                ubits(static_cast<std::uint32_t>(styles_.lines.size())), true);
  return w.take();
}

Bytes Shape::glyph_shape() const {
  Writer w;
  w.ub(4, 1);  // NumFillBits
  w.ub(4, 0);  // NumLineBits
  write_records(w, 1, 0, false);
  return w.take();
}

Shape rect_shape(std::int32_t w, std::int32_t h, Rgba fill, int version) {
  Shape s(version);
  s.set_fill1(s.add_fill(FillStyle::solid(fill)));
  s.rect(0, 0, w, h);
  return s;
}

// DefineShape4 adds the edge bounds and stroke flags before the shape.
void Movie::define_shape(std::uint16_t id, const Shape& s) {
  static constexpr std::uint16_t codes[] = {tag::DefineShape, tag::DefineShape2,
                                            tag::DefineShape3, tag::DefineShape4};
  const int v = std::clamp(s.version(), 1, 4);
  Writer w;
  w.u16(id);
  w.rect(s.bounds());
  if (v == 4) {
    w.rect(s.edge_bounds());
    w.u8(0x01);  // UsesScalingStrokes
  }
  w.append(s.shape_with_style());
  tag(codes[v - 1], w.take());
}

}  // namespace swfw
