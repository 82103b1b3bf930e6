#include "swf/renderer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "swf/movie.h"
#include "swf/tags.h"

namespace strandel::swf {

namespace {

// Buttons and sprites may name each other in a loop, or fan out into each
// other many times over: a character already being drawn is not entered
// again, nesting stops this deep, and a frame draws at most this many
// characters.
constexpr int kMaxNesting = 24;
constexpr long kMaxCharactersPerFrame = 200000;

// The characters being drawn or hit-tested, from the outermost in.
class CharacterStack {
 public:
  // False when drawing `id` now would loop or exceed the budget.
  bool enter(std::uint16_t id) {
    if (--budget_ < 0 || std::find(ids_.begin(), ids_.end(), id) != ids_.end()) return false;
    ids_.push_back(id);
    return true;
  }
  void leave() { ids_.pop_back(); }
  bool spend() { return --budget_ >= 0; }

 private:
  std::vector<std::uint16_t> ids_;
  long budget_ = kMaxCharactersPerFrame;
};
// Edit text fields keep two pixels between their bounds and their text.
constexpr double kTextGutter = 40;

using PatternPtr = std::shared_ptr<cairo_pattern_t>;

PatternPtr own_pattern(cairo_pattern_t* p) { return PatternPtr(p, cairo_pattern_destroy); }

cairo_matrix_t to_cairo(const Matrix& m) { return {m.a, m.b, m.c, m.d, m.tx, m.ty}; }

bool usable(const Matrix& m) {
  double det = m.a * m.d - m.b * m.c;
  return std::isfinite(det) && std::isfinite(m.tx) && std::isfinite(m.ty) &&
         std::fabs(det) > 1e-12;
}

bool is_identity(const ColorTransform& cx) { return cx == ColorTransform{}; }

std::uint8_t channel(double v, double mult, double add) {
  return static_cast<std::uint8_t>(std::clamp(v * mult + add, 0.0, 255.0));
}

Rgba transformed(Rgba c, const ColorTransform& cx) {
  return {channel(c.r, cx.rm, cx.ra), channel(c.g, cx.gm, cx.ga), channel(c.b, cx.bm, cx.ba),
          channel(c.a, cx.am, cx.aa)};
}

void set_source(cairo_t* cr, Rgba c) {
  cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

// A copy of a premultiplied surface with the colour transform applied to
// every pixel.
PatternPtr transformed_bitmap(cairo_surface_t* s, const ColorTransform& cx) {
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_surface_flush(s);
  cairo_surface_flush(out);
  for (int y = 0; y < h; ++y) {
    auto* src = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                       y * cairo_image_surface_get_stride(s));
    auto* dst = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(out) +
                                                 y * cairo_image_surface_get_stride(out));
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = src[x];
      unsigned a = p >> 24;
      auto straight = [a](unsigned v) { return a ? std::min(255u, v * 255 / a) : 0u; };
      Rgba c = transformed({static_cast<std::uint8_t>(straight((p >> 16) & 0xFF)),
                            static_cast<std::uint8_t>(straight((p >> 8) & 0xFF)),
                            static_cast<std::uint8_t>(straight(p & 0xFF)),
                            static_cast<std::uint8_t>(a)},
                           cx);
      dst[x] = (unsigned(c.a) << 24) | ((c.r * c.a / 255) << 16) | ((c.g * c.a / 255) << 8) |
               (c.b * c.a / 255);
    }
  }
  cairo_surface_mark_dirty(out);
  PatternPtr p = own_pattern(cairo_pattern_create_for_surface(out));
  cairo_surface_destroy(out);
  return p;
}

// ---------------------------------------------------------------------------
// Fill sources

// Gradients live in a square from -16384 to 16384 twips in gradient space.
constexpr double kGradientHalf = 16384;

PatternPtr make_gradient(const FillStyle& f, const ColorTransform& cx, const Matrix& inverse) {
  cairo_pattern_t* p;
  if (f.kind == FillStyle::Kind::Linear)
    p = cairo_pattern_create_linear(-kGradientHalf, 0, kGradientHalf, 0);
  else
    p = cairo_pattern_create_radial(f.kind == FillStyle::Kind::Focal
                                        ? f.gradient.focal_point * kGradientHalf
                                        : 0,
                                    0, 0, 0, 0, kGradientHalf);
  for (const GradientStop& s : f.gradient.stops) {
    Rgba c = transformed(s.color, cx);
    cairo_pattern_add_color_stop_rgba(p, s.ratio / 255.0, c.r / 255.0, c.g / 255.0, c.b / 255.0,
                                      c.a / 255.0);
  }
  static constexpr cairo_extend_t kExtend[] = {CAIRO_EXTEND_PAD, CAIRO_EXTEND_REFLECT,
                                               CAIRO_EXTEND_REPEAT};
  cairo_pattern_set_extend(p, kExtend[static_cast<int>(f.gradient.spread)]);
  cairo_matrix_t cm = to_cairo(inverse);
  cairo_pattern_set_matrix(p, &cm);
  return own_pattern(p);
}

// A rectangle in device pixels.
struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// The device box around a rectangle of twips under a matrix, with a margin
// for lines and anti-aliasing.
Box device_box(const Rect& r, const Matrix& m, double margin) {
  double xs[4], ys[4];
  const double px[4] = {double(r.xmin), double(r.xmax), double(r.xmin), double(r.xmax)};
  const double py[4] = {double(r.ymin), double(r.ymin), double(r.ymax), double(r.ymax)};
  for (int i = 0; i < 4; ++i) {
    xs[i] = m.a * px[i] + m.c * py[i] + m.tx;
    ys[i] = m.b * px[i] + m.d * py[i] + m.ty;
  }
  return {*std::min_element(xs, xs + 4) - margin, *std::min_element(ys, ys + 4) - margin,
          *std::max_element(xs, xs + 4) + margin, *std::max_element(ys, ys + 4) + margin};
}

}  // namespace

// Cached shape images are keyed by the shape, the linear part of its matrix,
// its translation's fraction in eighths of a pixel and its colour transform; the
// whole-pixel part of the translation only moves the copy.
struct RenderCache::Impl {
  struct Key {
    const void* shape;
    double a, b, c, d;
    int fx, fy;
    ColorTransform cx;
    bool operator<(const Key& o) const {
      return std::tie(shape, a, b, c, d, fx, fy, cx.rm, cx.gm, cx.bm, cx.am, cx.ra, cx.ga, cx.ba,
                      cx.aa) < std::tie(o.shape, o.a, o.b, o.c, o.d, o.fx, o.fy, o.cx.rm,
                                        o.cx.gm, o.cx.bm, o.cx.am, o.cx.ra, o.cx.ga, o.cx.ba,
                                        o.cx.aa);
    }
  };
  // A key seen once is only noted: objects that turn or scale every frame
  // would otherwise fill the cache with images used once.
  struct Entry {
    std::weak_ptr<const int> token;
    std::shared_ptr<cairo_surface_t> image;  // null until the key comes again
    int ox = 0, oy = 0;  // image origin from the translation's whole pixels
    std::uint64_t last_used = 0;
    std::size_t pixels = 0;
  };
  static constexpr std::size_t kBudget = 16u << 20;  // pixels
  static constexpr double kMaxSide = 1024;
  static constexpr std::uint64_t kIdleFrames = 60;
  static constexpr int kSteps = 8;  // translation steps a pixel

  std::map<Key, Entry> entries;
  std::uint64_t frame = 1;
  std::size_t pixels = 0;

  // Drops entries of shapes that are gone, idle ones, and when over budget
  // every one not used this frame.
  void evict(bool all_unused) {
    for (auto it = entries.begin(); it != entries.end();) {
      const Entry& e = it->second;
      bool drop = e.token.expired() || e.last_used + kIdleFrames < frame ||
                  (all_unused && e.last_used < frame);
      if (drop) {
        pixels -= e.pixels;
        it = entries.erase(it);
      } else {
        ++it;
      }
    }
  }
  void end_frame() {
    evict(pixels > kBudget);
    ++frame;
  }
};

RenderCache::RenderCache() : impl_(std::make_unique<Impl>()) {}
RenderCache::~RenderCache() = default;
std::size_t RenderCache::pixels() const { return impl_->pixels; }
void RenderCache::clear() {
  impl_->entries.clear();
  impl_->pixels = 0;
}

namespace {

class Renderer {
 public:
  Renderer(cairo_t* cr, const Dictionary& dict, RenderCache::Impl* cache)
      : cr_(cr), dict_(dict), cache_(cache) {
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_clip_extents(cr_, &visible_.x0, &visible_.y0, &visible_.x1, &visible_.y1);
    cairo_restore(cr_);
  }

  void draw_list(const DisplayList& list, const Matrix& m, const ColorTransform& cx, int nesting);

 private:
  using Iter = DisplayList::const_iterator;
  void draw_range(Iter first, Iter last, const Matrix& m, const ColorTransform& cx, int nesting);
  void draw_clipped(const DisplayObject& mask, Iter first, Iter last, const Matrix& m,
                    const ColorTransform& cx, int nesting);
  void draw_object(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                   int nesting);
  void draw_character(std::uint16_t id, ButtonState state, const Matrix& m,
                      const ColorTransform& cx, int nesting);
  void draw_shape(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx);
  bool draw_cached(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx,
                   const Box& box);
  std::shared_ptr<cairo_surface_t> shape_image(const ShapeDefinition& s, Matrix m,
                                               const ColorTransform& cx, int w, int h);
  void draw_shape_paths(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx);
  void draw_fill(const FillStyle& f, const Path& path, const ColorTransform& cx);
  void draw_line(const LineStyle& l, const Path& path, const Matrix& m,
                 const ColorTransform& cx);
  bool set_fill_source(const FillStyle& f, const ColorTransform& cx, double& alpha);
  void draw_bitmap(const BitmapDefinition& b, const Matrix& m, const ColorTransform& cx);
  void draw_text(const TextDefinition& t, const Matrix& m, const ColorTransform& cx);
  void draw_edit_text(const EditTextDefinition& e, const Matrix& m, const ColorTransform& cx);
  void draw_button(const ButtonDefinition& b, ButtonState state, const Matrix& m,
                   const ColorTransform& cx, int nesting);
  void set_matrix(const Matrix& m) {
    cairo_matrix_t cm = to_cairo(m);
    cairo_set_matrix(cr_, &cm);
  }

  cairo_t* cr_;
  const Dictionary& dict_;
  bool masking_ = false;  // drawing a clip layer: fills only, opaque
  CharacterStack stack_;
  Box visible_;  // the surface (or its clip) in device pixels
  RenderCache::Impl* cache_;
};

void Renderer::draw_list(const DisplayList& list, const Matrix& m, const ColorTransform& cx,
                         int nesting) {
  draw_range(list.begin(), list.end(), m, cx, nesting);
}

// A clip layer masks the depths above it up to its clip depth and is not
// drawn itself.
void Renderer::draw_range(Iter first, Iter last, const Matrix& m, const ColorTransform& cx,
                          int nesting) {
  for (Iter it = first; it != last;) {
    const DisplayObject& obj = it->second;
    if (obj.clip_depth == 0) {
      draw_object(obj, m, cx, nesting);
      ++it;
      continue;
    }
    Iter end = std::next(it);
    while (end != last && end->first <= obj.clip_depth) ++end;
    if (!masking_) draw_clipped(obj, std::next(it), end, m, cx, nesting);
    it = end;
  }
}

void Renderer::draw_clipped(const DisplayObject& mask, Iter first, Iter last, const Matrix& m,
                            const ColorTransform& cx, int nesting) {
  if (first == last) return;
  cairo_save(cr_);
  // Groups as small as the mask's shape keep clipping cheap.
  if (const ShapeDefinition* s = dict_.shape(mask.character_id); s && usable(mask.matrix.then(m))) {
    set_matrix(mask.matrix.then(m));
    cairo_rectangle(cr_, s->bounds.xmin, s->bounds.ymin, s->bounds.width(), s->bounds.height());
    cairo_identity_matrix(cr_);
    cairo_clip(cr_);
  }
  cairo_push_group(cr_);
  draw_range(first, last, m, cx, nesting);
  cairo_pattern_t* content = cairo_pop_group(cr_);
  cairo_push_group(cr_);
  masking_ = true;
  draw_object(mask, m, {}, nesting);
  masking_ = false;
  cairo_pattern_t* alpha = cairo_pop_group(cr_);
  cairo_identity_matrix(cr_);
  cairo_set_source(cr_, content);
  cairo_mask(cr_, alpha);
  cairo_pattern_destroy(alpha);
  cairo_pattern_destroy(content);
  cairo_restore(cr_);
}

// The first frame of a sprite that has no timeline of its own (one that a
// button shows), from its PlaceObject and RemoveObject tags.
DisplayList first_frame(const SpriteDefinition& sprite) {
  DisplayList list;
  TagList tags = read_tag_list(sprite.tags);
  for (const TagRecord& t : tags.tags) {
    if (t.code == code(TagCode::ShowFrame)) break;
    auto body = tag_body(sprite.tags, t);
    if (auto p = read_placement(t.code, body))
      apply_placement(list, *p);
    else if (auto depth = read_removal_depth(t.code, body))
      list.erase(*depth);
  }
  return list;
}

void Renderer::draw_object(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                           int nesting) {
  if (nesting > kMaxNesting) return;
  Matrix mm = obj.matrix.then(m);
  ColorTransform cc = obj.cxform.then(cx);
  // Fully transparent objects are skipped, except as masks, which ignore colour.
  if (!masking_ && cc.am <= 0 && cc.aa <= 0) return;
  if (obj.sprite) {
    draw_list(obj.sprite->display_list, mm, cc, nesting + 1);
    return;
  }
  draw_character(obj.character_id, obj.button_state, mm, cc, nesting);
}

void Renderer::draw_character(std::uint16_t id, ButtonState state, const Matrix& m,
                              const ColorTransform& cx, int nesting) {
  const Character* c = dict_.find(id);
  if (!c || nesting > kMaxNesting || !stack_.spend()) return;
  if (auto* s = std::get_if<ShapeDefinition>(c)) {
    draw_shape(*s, m, cx);
  } else if (auto* t = std::get_if<TextDefinition>(c)) {
    draw_text(*t, m, cx);
  } else if (auto* e = std::get_if<EditTextDefinition>(c)) {
    if (!masking_) draw_edit_text(*e, m, cx);
  } else if (auto* b = std::get_if<ButtonDefinition>(c)) {
    if (!stack_.enter(id)) return;
    draw_button(*b, state, m, cx, nesting + 1);
    stack_.leave();
  } else if (auto* sp = std::get_if<SpriteDefinition>(c)) {
    if (!stack_.enter(id)) return;
    draw_list(first_frame(*sp), m, cx, nesting + 1);
    stack_.leave();
  } else if (auto* bm = std::get_if<BitmapDefinition>(c)) {
    draw_bitmap(*bm, m, cx);
  }
}

// ---------------------------------------------------------------------------
// Shapes

// Shapes wholly outside the surface are not drawn. The bounds include half
// the widest line; the margin covers hairlines and anti-aliasing.
void Renderer::draw_shape(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx) {
  if (!usable(m)) return;
  Box box = device_box(s.bounds, m, 2);
  if (!box.overlaps(visible_)) return;
  if (cache_ && !masking_ && draw_cached(s, m, cx, box)) return;
  draw_shape_paths(s, m, cx);
}

// Copies the shape's cached image into place; false when the shape is to be
// drawn directly (first sight of this key, too large, cache full).
bool Renderer::draw_cached(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx,
                           const Box& box) {
  using Impl = RenderCache::Impl;
  if (box.x1 - box.x0 > Impl::kMaxSide || box.y1 - box.y0 > Impl::kMaxSide) return false;
  // Translations are rounded to an eighth of a pixel: edges move at most a
  // sixteenth, and an object at rest always finds its image.
  double tx = std::round(m.tx * Impl::kSteps) / Impl::kSteps;
  double ty = std::round(m.ty * Impl::kSteps) / Impl::kSteps;
  double ix = std::floor(tx), iy = std::floor(ty);
  Impl::Key key{s.token.get(), m.a, m.b, m.c, m.d, static_cast<int>((tx - ix) * Impl::kSteps),
                static_cast<int>((ty - iy) * Impl::kSteps), cx};
  auto [it, fresh] = cache_->entries.try_emplace(key);
  Impl::Entry& e = it->second;
  bool seen_before = !fresh && e.last_used + 1 >= cache_->frame && !e.token.expired();
  e.token = s.token;
  e.last_used = cache_->frame;
  if (!e.image) {
    if (!seen_before) return false;
    e.ox = static_cast<int>(std::floor(box.x0 - ix));
    e.oy = static_cast<int>(std::floor(box.y0 - iy));
    int w = static_cast<int>(std::ceil(box.x1 - ix)) - e.ox + 1;
    int h = static_cast<int>(std::ceil(box.y1 - iy)) - e.oy + 1;
    std::size_t pixels = static_cast<std::size_t>(w) * h;
    if (cache_->pixels + pixels > Impl::kBudget) return false;
    Matrix local = m;
    local.tx = double(key.fx) / Impl::kSteps - e.ox;
    local.ty = double(key.fy) / Impl::kSteps - e.oy;
    e.image = shape_image(s, local, cx, w, h);
    e.pixels = pixels;
    cache_->pixels += pixels;
  }
  cairo_identity_matrix(cr_);
  cairo_set_source_surface(cr_, e.image.get(), ix + e.ox, iy + e.oy);
  cairo_paint(cr_);
  return true;
}

// The shape drawn alone into a new w×h image under m.
std::shared_ptr<cairo_surface_t> Renderer::shape_image(const ShapeDefinition& s, Matrix m,
                                                       const ColorTransform& cx, int w, int h) {
  auto image = own_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  cairo_t* cr = cairo_create(image.get());
  std::swap(cr_, cr);
  Box visible = visible_;
  visible_ = {0, 0, double(w), double(h)};
  draw_shape_paths(s, m, cx);
  visible_ = visible;
  std::swap(cr_, cr);
  cairo_destroy(cr);
  cairo_surface_flush(image.get());
  return image;
}

void Renderer::draw_shape_paths(const ShapeDefinition& s, const Matrix& m,
                                const ColorTransform& cx) {
  set_matrix(m);
  cairo_set_fill_rule(cr_, s.nonzero_winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  for (const ShapeLayer& layer : s.layers) {
    for (std::size_t i = 0; i < layer.fills.size() && i < layer.fill_paths.size(); ++i)
      if (!layer.fill_paths[i].empty()) draw_fill(layer.fills[i], layer.fill_paths[i], cx);
    if (masking_) continue;  // clip layers use the fills alone
    for (std::size_t i = 0; i < layer.lines.size() && i < layer.line_paths.size(); ++i)
      if (!layer.line_paths[i].empty()) draw_line(layer.lines[i], layer.line_paths[i], m, cx);
  }
}

void Renderer::draw_fill(const FillStyle& f, const Path& path, const ColorTransform& cx) {
  cairo_new_path(cr_);
  path.append_to(cr_);
  if (masking_) {
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    cairo_fill(cr_);
    return;
  }
  double alpha = 1;
  if (!set_fill_source(f, cx, alpha)) return cairo_new_path(cr_);
  if (alpha >= 1) return cairo_fill(cr_);
  // A faded bitmap: paint through the path with the fade as alpha.
  cairo_save(cr_);
  cairo_clip(cr_);
  cairo_paint_with_alpha(cr_, alpha);
  cairo_restore(cr_);
}

// Sets the source for a fill; false when it draws nothing. Bitmaps faded by
// an alpha-only colour transform keep their pattern and return the fade.
bool Renderer::set_fill_source(const FillStyle& f, const ColorTransform& cx, double& alpha) {
  switch (f.kind) {
    case FillStyle::Kind::Solid:
      set_source(cr_, transformed(f.color, cx));
      return true;
    case FillStyle::Kind::Linear:
    case FillStyle::Kind::Radial:
    case FillStyle::Kind::Focal: {
      const auto& stops = f.gradient.stops;
      if (stops.empty()) return false;
      Matrix inverse;
      // A gradient squeezed to nothing shows its outermost colour.
      if (stops.size() == 1 || !invert(f.matrix, inverse)) {
        set_source(cr_, transformed(stops.back().color, cx));
        return true;
      }
      if (!is_identity(cx)) {
        cairo_set_source(cr_, make_gradient(f, cx, inverse).get());
      } else {
        if (!f.cached_pattern) f.cached_pattern = make_gradient(f, cx, inverse);
        cairo_set_source(cr_, f.cached_pattern.get());
      }
      return true;
    }
    case FillStyle::Kind::Bitmap: {
      const BitmapDefinition* b = dict_.bitmap(f.bitmap_id);
      Matrix inverse;
      if (!b || !b->surface || !invert(f.matrix, inverse)) return false;
      bool fade_only = cx.rm == 1 && cx.gm == 1 && cx.bm == 1 && cx.ra == 0 && cx.ga == 0 &&
                       cx.ba == 0 && cx.aa == 0;
      PatternPtr p = fade_only ? own_pattern(cairo_pattern_create_for_surface(b->surface.get()))
                               : transformed_bitmap(b->surface.get(), cx);
      if (fade_only) alpha = std::clamp(cx.am, 0.0, 1.0);
      cairo_matrix_t cm = to_cairo(inverse);
      cairo_pattern_set_matrix(p.get(), &cm);
      cairo_pattern_set_extend(p.get(), f.repeat ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
      cairo_pattern_set_filter(p.get(), f.smooth ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
      cairo_set_source(cr_, p.get());
      return true;
    }
  }
  return false;
}

void Renderer::draw_line(const LineStyle& l, const Path& path, const Matrix& m,
                         const ColorTransform& cx) {
  double alpha = 1;
  if (l.has_fill) {
    if (!set_fill_source(l.fill, cx, alpha)) return;
  } else {
    set_source(cr_, transformed(l.color, cx));
  }
  // Lines scale with the object but are never thinner than one pixel.
  double scale = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
  double width = std::max<double>(l.width, 1.0 / scale);
  static constexpr cairo_line_cap_t kCaps[] = {CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_BUTT,
                                               CAIRO_LINE_CAP_SQUARE};
  static constexpr cairo_line_join_t kJoins[] = {CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL,
                                                 CAIRO_LINE_JOIN_MITER};
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, kCaps[static_cast<int>(l.start_cap)]);
  cairo_set_line_join(cr_, kJoins[static_cast<int>(l.join)]);
  cairo_set_miter_limit(cr_, l.miter_limit);
  cairo_new_path(cr_);
  path.append_to(cr_);
  cairo_stroke(cr_);
}

// Bitmaps placed as characters show one pixel per twenty twips.
void Renderer::draw_bitmap(const BitmapDefinition& b, const Matrix& m, const ColorTransform& cx) {
  Matrix mm = Matrix{20, 0, 0, 20, 0, 0}.then(m);
  if (!usable(mm) || !b.surface) return;
  set_matrix(mm);
  cairo_rectangle(cr_, 0, 0, b.width, b.height);
  if (masking_) {
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    cairo_fill(cr_);
    return;
  }
  cairo_set_source_surface(cr_, b.surface.get(), 0, 0);
  cairo_save(cr_);
  cairo_clip(cr_);
  cairo_paint_with_alpha(cr_, std::clamp(cx.am, 0.0, 1.0));
  cairo_restore(cr_);
}

// ---------------------------------------------------------------------------
// Text

void Renderer::draw_text(const TextDefinition& t, const Matrix& m, const ColorTransform& cx) {
  Matrix text_to_device = t.matrix.then(m);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  for (const TextRun& run : t.runs) {
    const FontDefinition* font = dict_.font(run.font_id);
    if (!font || run.height == 0) continue;
    double scale = run.height / font->em;
    cairo_new_path(cr_);
    double x = run.x;
    for (const GlyphEntry& g : run.glyphs) {
      if (g.index < font->glyphs.size() && !font->glyphs[g.index].empty()) {
        Matrix gm = Matrix{scale, 0, 0, scale, x, double(run.y)}.then(text_to_device);
        if (usable(gm)) {
          set_matrix(gm);
          font->glyphs[g.index].append_to(cr_);
        }
      }
      x += g.advance;
    }
    cairo_identity_matrix(cr_);
    if (masking_)
      cairo_set_source_rgba(cr_, 0, 0, 0, 1);
    else
      set_source(cr_, transformed(run.color, cx));
    cairo_fill(cr_);
  }
}

// Decodes UTF-8 (which to_utf8 made valid) into code points.
std::vector<std::uint32_t> code_points(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (std::size_t k = 1; k < n && i + k < s.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

// How an edit field's text is measured and drawn: with the embedded font's
// outlines, or with a system sans-serif font.
struct TextFace {
  cairo_t* cr;
  const FontDefinition* outlines;  // null: system font
  double height;
  double ascent, line_height;

  double width(const std::string& s) const {
    if (!outlines) {
      cairo_text_extents_t e;
      cairo_text_extents(cr, s.c_str(), &e);
      return e.x_advance;
    }
    double w = 0;
    for (std::uint32_t cp : code_points(s)) w += advance(cp);
    return w;
  }
  double advance(std::uint32_t cp) const {
    int g = cp <= 0xFFFF ? outlines->glyph_for(static_cast<std::uint16_t>(cp)) : -1;
    if (g < 0 || static_cast<std::size_t>(g) >= outlines->advances.size()) return height / 2;
    return outlines->advances[g] * height / outlines->em;
  }
  void draw(const std::string& s, double x, double y, const Matrix& m) const {
    if (!outlines) {
      cairo_move_to(cr, x, y);
      cairo_show_text(cr, s.c_str());
      return;
    }
    double scale = height / outlines->em;
    for (std::uint32_t cp : code_points(s)) {
      int g = cp <= 0xFFFF ? outlines->glyph_for(static_cast<std::uint16_t>(cp)) : -1;
      if (g >= 0 && static_cast<std::size_t>(g) < outlines->glyphs.size()) {
        Matrix gm = Matrix{scale, 0, 0, scale, x, y}.then(m);
        if (usable(gm)) {
          cairo_matrix_t cm = to_cairo(gm);
          cairo_set_matrix(cr, &cm);
          outlines->glyphs[g].append_to(cr);
        }
      }
      x += advance(cp);
    }
    cairo_matrix_t cm = to_cairo(m);
    cairo_set_matrix(cr, &cm);
    cairo_fill(cr);
  }
};

// Breaks text into lines at line breaks and, with word wrap, at the last
// space that keeps a line within `width`.
std::vector<std::string> layout_lines(const std::string& text, bool wrap, double width,
                                      const TextFace& face) {
  std::vector<std::string> paragraphs{""};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n')
      paragraphs.emplace_back();
    else
      paragraphs.back().push_back(text[i]);
  }
  if (!wrap) return paragraphs;
  std::vector<std::string> lines;
  for (const std::string& p : paragraphs) {
    std::string line;
    double line_width = 0;  // summed word by word: long paragraphs stay linear
    std::size_t start = 0;
    while (start <= p.size()) {
      std::size_t space = p.find(' ', start);
      std::string word = p.substr(start, space == std::string::npos ? std::string::npos
                                                                    : space - start);
      double word_width = face.width(line.empty() ? word : " " + word);
      if (!line.empty() && line_width + word_width > width) {
        lines.push_back(line);
        line = word;
        line_width = face.width(word);
      } else {
        line += line.empty() ? word : " " + word;
        line_width += word_width;
      }
      if (space == std::string::npos) break;
      start = space + 1;
    }
    lines.push_back(line);
  }
  return lines;
}

// The system family for a device font: the three generic names movies use,
// and sans-serif for every named font (which fontconfig may not have).
const char* system_family(const std::string& name) {
  if (name == "_serif") return "serif";
  if (name == "_typewriter") return "monospace";
  return "sans-serif";
}

// The field's embedded outlines when it asks for them and the font has
// them with a code table; otherwise the system font, selected on cr.
TextFace text_face(cairo_t* cr, const EditTextDefinition& e, const FontDefinition* font) {
  bool outlines = font && e.use_outlines && !font->glyphs.empty() && !font->codes.empty();
  TextFace face{cr, outlines ? font : nullptr, double(e.height), 0, 0};
  if (outlines) {
    face.ascent = font->ascent * e.height / font->em;
    face.line_height = (font->ascent + font->descent) * e.height / font->em;
    if (face.line_height <= 0) face.ascent = face.line_height = e.height;
    return face;
  }
  cairo_select_font_face(cr, system_family(font ? font->name : ""),
                         font && font->italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         font && font->bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, std::max<double>(e.height, 1));
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  face.ascent = fe.ascent;
  face.line_height = fe.ascent + fe.descent;
  return face;
}

void Renderer::draw_edit_text(const EditTextDefinition& e, const Matrix& m,
                              const ColorTransform& cx) {
  if (!usable(m)) return;
  cairo_save(cr_);
  set_matrix(m);
  const Rect& b = e.bounds;
  cairo_rectangle(cr_, b.xmin, b.ymin, b.width(), b.height());
  if (e.border) {
    set_source(cr_, transformed({255, 255, 255, 255}, cx));
    cairo_fill_preserve(cr_);
    set_source(cr_, transformed({0, 0, 0, 255}, cx));
    cairo_set_line_width(cr_, 20);
    cairo_stroke_preserve(cr_);
  }
  cairo_clip(cr_);
  TextFace face = text_face(cr_, e, e.has_font ? dict_.font(e.font_id) : nullptr);
  std::string text = e.password ? std::string(code_points(e.text).size(), '*') : e.text;
  double left = b.xmin + kTextGutter + e.left_margin;
  double right = b.xmax - kTextGutter - e.right_margin;
  set_source(cr_, transformed(e.color, cx));
  double y = b.ymin + kTextGutter + face.ascent;
  for (const std::string& line : layout_lines(text, e.word_wrap && e.multiline, right - left, face)) {
    double w = face.width(line);
    double x = e.align == TextAlign::Right    ? right - w
               : e.align == TextAlign::Center ? (left + right - w) / 2
                                              : left;
    face.draw(line, x, y, m);
    y += face.line_height + e.leading;
    if (y - face.ascent > b.ymax) break;
  }
  cairo_restore(cr_);
}

// ---------------------------------------------------------------------------
// Buttons

void Renderer::draw_button(const ButtonDefinition& b, ButtonState state, const Matrix& m,
                           const ColorTransform& cx, int nesting) {
  for (const ButtonRecord& r : b.records) {
    if (!r.shown_in(state)) continue;
    draw_character(r.character_id, ButtonState::Up, r.matrix.then(m),
                   r.cxform.then(b.cxform).then(cx), nesting);
  }
}

// ---------------------------------------------------------------------------
// Hit testing

class HitTester {
 public:
  HitTester(const Dictionary& dict, double x, double y)
      : dict_(dict),
        surface_(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)),
        cr_(cairo_create(surface_)),
        x_(x),
        y_(y) {}
  ~HitTester() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  HitTester(const HitTester&) = delete;
  HitTester& operator=(const HitTester&) = delete;

  ButtonHit find(DisplayList& list, const Matrix& m, SpriteInstance* timeline, int nesting) {
    if (nesting > kMaxNesting) return {};
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      DisplayObject& obj = it->second;
      if (obj.clip_depth != 0) continue;
      Matrix mm = obj.matrix.then(m);
      if (obj.sprite) {
        if (ButtonHit hit = find(obj.sprite->display_list, mm, obj.sprite.get(), nesting + 1))
          return hit;
        continue;
      }
      const ButtonDefinition* b = dict_.button(obj.character_id);
      if (b && button_contains(*b, mm, nesting)) return {&obj, b, timeline};
    }
    return {};
  }

 private:
  bool button_contains(const ButtonDefinition& b, const Matrix& m, int nesting) {
    for (const ButtonRecord& r : b.records)
      if (r.shown_in(ButtonState::HitTest) && contains(r.character_id, r.matrix.then(m), nesting))
        return true;
    return false;
  }

  bool contains(std::uint16_t id, const Matrix& m, int nesting) {
    const Character* c = dict_.find(id);
    Matrix inverse;
    if (!c || nesting > kMaxNesting || !invert(m, inverse) || !stack_.spend()) return false;
    double lx = inverse.a * x_ + inverse.c * y_ + inverse.tx;
    double ly = inverse.b * x_ + inverse.d * y_ + inverse.ty;
    if (auto* s = std::get_if<ShapeDefinition>(c)) return shape_contains(*s, lx, ly);
    if (auto* t = std::get_if<TextDefinition>(c)) return in_rect(t->bounds, t->matrix, lx, ly);
    if (auto* e = std::get_if<EditTextDefinition>(c)) return in_rect(e->bounds, {}, lx, ly);
    if (std::holds_alternative<ButtonDefinition>(*c) ||
        std::holds_alternative<SpriteDefinition>(*c)) {
      if (!stack_.enter(id)) return false;
      bool hit = container_contains(*c, m, nesting + 1);
      stack_.leave();
      return hit;
    }
    return false;
  }

  bool container_contains(const Character& c, const Matrix& m, int nesting) {
    if (auto* b = std::get_if<ButtonDefinition>(&c)) return button_contains(*b, m, nesting);
    DisplayList list = first_frame(std::get<SpriteDefinition>(c));
    for (const auto& [depth, obj] : list)
      if (obj.clip_depth == 0 && contains(obj.character_id, obj.matrix.then(m), nesting))
        return true;
    return false;
  }

  static bool in_rect(const Rect& r, const Matrix& m, double x, double y) {
    Matrix inverse;
    if (!invert(m, inverse)) return false;
    double lx = inverse.a * x + inverse.c * y + inverse.tx;
    double ly = inverse.b * x + inverse.d * y + inverse.ty;
    return lx >= r.xmin && lx <= r.xmax && ly >= r.ymin && ly <= r.ymax;
  }

  bool shape_contains(const ShapeDefinition& s, double x, double y) {
    if (x < s.bounds.xmin || x > s.bounds.xmax || y < s.bounds.ymin || y > s.bounds.ymax)
      return false;
    cairo_set_fill_rule(cr_, s.nonzero_winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    for (const ShapeLayer& layer : s.layers) {
      for (const Path& p : layer.fill_paths) {
        cairo_new_path(cr_);
        p.append_to(cr_);
        if (cairo_in_fill(cr_, x, y)) return true;
      }
      for (std::size_t i = 0; i < layer.line_paths.size() && i < layer.lines.size(); ++i) {
        cairo_new_path(cr_);
        layer.line_paths[i].append_to(cr_);
        cairo_set_line_width(cr_, std::max<double>(layer.lines[i].width, 20));
        if (cairo_in_stroke(cr_, x, y)) return true;
      }
    }
    return false;
  }

  const Dictionary& dict_;
  CharacterStack stack_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
  double x_, y_;
};

}  // namespace

bool invert(const Matrix& m, Matrix& inverse) {
  double det = m.a * m.d - m.b * m.c;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  inverse.a = m.d / det;
  inverse.b = -m.b / det;
  inverse.c = -m.c / det;
  inverse.d = m.a / det;
  inverse.tx = -(inverse.a * m.tx + inverse.c * m.ty);
  inverse.ty = -(inverse.b * m.tx + inverse.d * m.ty);
  return std::isfinite(inverse.a) && std::isfinite(inverse.b) && std::isfinite(inverse.c) &&
         std::isfinite(inverse.d) && std::isfinite(inverse.tx) && std::isfinite(inverse.ty);
}

Matrix show_all(Rect stage, int width_px, int height_px) {
  if (stage.width() <= 0 || stage.height() <= 0) return {0.05, 0, 0, 0.05, 0, 0};
  double scale = std::min(double(width_px) / stage.width(), double(height_px) / stage.height());
  double tx = (width_px - stage.width() * scale) / 2 - stage.xmin * scale;
  double ty = (height_px - stage.height() * scale) / 2 - stage.ymin * scale;
  return {scale, 0, 0, scale, tx, ty};
}

void render_display_list(cairo_t* cr, const Dictionary& dict, const DisplayList& list,
                         const Matrix& to_device, const ColorTransform& cxform,
                         RenderCache* cache) {
  cairo_save(cr);
  Renderer(cr, dict, cache ? &cache->impl() : nullptr).draw_list(list, to_device, cxform, 0);
  cairo_restore(cr);
  if (cache) cache->impl().end_frame();
}

void render_frame(cairo_t* cr, int width_px, int height_px, const Dictionary& dict,
                  const DisplayList& list, Rect stage, Rgba background, RenderCache* cache) {
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  background.a = 255;  // the stage colour is always opaque
  set_source(cr, background);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_restore(cr);
  render_display_list(cr, dict, list, show_all(stage, width_px, height_px), {}, cache);
}

ButtonHit button_at(const Dictionary& dict, DisplayList& list, double stage_x, double stage_y) {
  return HitTester(dict, stage_x, stage_y).find(list, {}, nullptr, 0);
}

}  // namespace strandel::swf
