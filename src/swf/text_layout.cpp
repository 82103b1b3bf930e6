#include "swf/text_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace strandel::swf {

void draw_static_text(cairo_t* cr, const Dictionary& dict, const TextDefinition& t, const Matrix& m,
                      const ColorTransform& cx, PaintMode mode) {
  Matrix text_to_device = t.matrix.then(m);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  for (const TextRun& run : t.runs) {
    const FontDefinition* font = dict.font(run.font_id);
    if (!font || run.height == 0) continue;
    double scale = run.height / font->em;
    cairo_new_path(cr);
    double x = run.x;
    for (const GlyphEntry& g : run.glyphs) {
      if (g.index < font->glyphs.size() && !font->glyphs[g.index].empty()) {
        Matrix gm = Matrix{scale, 0, 0, scale, x, double(run.y)}.then(text_to_device);
        if (usable(gm)) {
          set_matrix(cr, gm);
          font->glyphs[g.index].append_to(cr);
        }
      }
      x += g.advance;
    }
    cairo_identity_matrix(cr);
    if (mode == PaintMode::Mask)
      cairo_set_source_rgba(cr, 0, 0, 0, 1);
    else
      set_source(cr, transformed(run.color, cx));
    cairo_fill(cr);
  }
}

namespace {

// The rectangle in device pixels with its edges on whole pixels, when its
// corners, each put on the nearest whole pixel, still make an upright
// rectangle: a turn or skew too small to move a corner by half a pixel is
// drawn as none.
std::optional<Box> pixel_box(const Rect& r, const Matrix& m) {
  auto snapped = [&](double x, double y) {
    Point p = m.apply(x, y);
    return Point{std::round(p.x), std::round(p.y)};
  };
  Point tl = snapped(r.xmin, r.ymin), tr = snapped(r.xmax, r.ymin);
  Point bl = snapped(r.xmin, r.ymax), br = snapped(r.xmax, r.ymax);
  if (tl.x != bl.x || tr.x != br.x || tl.y != tr.y || bl.y != br.y) return std::nullopt;
  return Box{std::min(tl.x, tr.x), std::min(tl.y, bl.y), std::max(tl.x, tr.x),
             std::max(tl.y, bl.y)};
}

// The field's bounds as the current path: on whole device pixels when the
// field is upright, moved by `shift` pixels (a half to stroke pixel centres).
void bounds_path(cairo_t* cr, const TextField& f, const Matrix& m, double shift) {
  cairo_new_path(cr);
  if (auto box = pixel_box(f.bounds, m)) {
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, box->x0 + shift, box->y0 + shift, box->x1 - box->x0, box->y1 - box->y0);
    return;
  }
  set_matrix(cr, m);
  cairo_rectangle(cr, f.bounds.xmin, f.bounds.ymin, f.bounds.width(), f.bounds.height());
  cairo_identity_matrix(cr);
}

// Background and border, then a clip to the bounds for the text. Borders
// are one pixel wide, on whole pixels when the field is upright: the left
// and top ones on the bounds' first pixels, the right and bottom ones on the
// pixels just past them.
void draw_frame(cairo_t* cr, const TextField& f, const Matrix& m, const ColorTransform& cx) {
  if (f.background) {
    bounds_path(cr, f, m, 0);
    set_source(cr, transformed(f.background_color, cx));
    cairo_fill(cr);
  }
  if (f.border) {
    bounds_path(cr, f, m, 0.5);
    cairo_set_line_width(cr, 1);
    set_source(cr, transformed(f.border_color, cx));
    cairo_stroke(cr);
  }
  bounds_path(cr, f, m, 0);
  cairo_clip(cr);
}

void draw_run(cairo_t* cr, const LaidRun& run, const Matrix& m, PaintMode mode,
              const ColorTransform& cx) {
  if (mode == PaintMode::Mask)
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
  else
    set_source(cr, transformed(run.color, cx));
  if (run.embedded) {
    double scale = run.size / run.embedded->em;
    cairo_new_path(cr);
    for (const LaidRun::Glyph& g : run.glyphs) {
      if (g.index < 0 || static_cast<std::size_t>(g.index) >= run.embedded->glyphs.size()) continue;
      Matrix gm = Matrix{scale, 0, 0, scale, g.x, run.baseline}.then(m);
      if (!usable(gm)) continue;
      set_matrix(cr, gm);
      run.embedded->glyphs[g.index].append_to(cr);
    }
    cairo_identity_matrix(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
  } else if (run.device && !run.glyphs.empty()) {
    set_matrix(cr, m);
    cairo_set_font_face(cr, run.device->face());
    cairo_set_font_options(cr, run.device->options());
    cairo_set_font_size(cr, run.size);
    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(run.glyphs.size());
    for (const LaidRun::Glyph& g : run.glyphs)
      glyphs.push_back({static_cast<unsigned long>(g.index), g.x, run.baseline});
    cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  }
  if (run.underline) {
    set_matrix(cr, m);
    double y = run.baseline + run.size * 0.1;
    cairo_rectangle(cr, run.x0, y, run.x1 - run.x0, std::max(run.size / 20, 20.0));
    cairo_fill(cr);
  }
}

}  // namespace

void draw_text_field(cairo_t* cr, const TextField& field, const Matrix& m, const ColorTransform& cx,
                     PaintMode mode) {
  if (!usable(m)) return;
  cairo_save(cr);
  if (mode == PaintMode::Mask) {
    set_matrix(cr, m);
    const Rect& b = field.bounds;
    cairo_rectangle(cr, b.xmin, b.ymin, b.width(), b.height());
    cairo_clip(cr);
  } else {
    draw_frame(cr, field, m, cx);
  }
  // Layout positions are from the bounds' top-left corner.
  Matrix text_to_device =
      Matrix{1, 0, 0, 1, double(field.bounds.xmin), double(field.bounds.ymin)}.then(m);
  for (const LaidRun& run : field.layout().runs) draw_run(cr, run, text_to_device, mode, cx);
  cairo_restore(cr);
}

}  // namespace strandel::swf
