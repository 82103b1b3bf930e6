#include "swf/renderer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <iterator>

#include "swf/bitmap_data.h"
#include "swf/blend.h"
#include "swf/bounds.h"
#include "swf/drawing.h"
#include "swf/filter_effects.h"
#include "swf/mask.h"
#include "swf/paint.h"
#include "swf/text_layout.h"
#include "swf/traversal.h"

namespace strandel::swf {

namespace {

class Renderer {
 public:
  Renderer(cairo_t* cr, const Dictionary& dict, ShapeCache* cache, double stage_scale)
      : cr_(cr), dict_(dict), cache_(cache), stage_scale_(stage_scale) {
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_clip_extents(cr_, &visible_.x0, &visible_.y0, &visible_.x1, &visible_.y1);
    cairo_restore(cr_);
  }

  void draw_list(const DisplayList& list, const Matrix& m, const ColorTransform& cx, int nesting);
  void draw_content(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                    int nesting);

 private:
  using Iter = DisplayList::const_iterator;
  void draw_range(Iter first, Iter last, const Matrix& m, const ColorTransform& cx, int nesting);
  void draw_clipped(const DisplayObject& mask, Iter first, Iter last, const Matrix& m,
                    const ColorTransform& cx, int nesting);
  void draw_object(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                   int nesting);
  void draw_framed(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                   int nesting);
  void draw_transformed(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                        int nesting);
  void draw_with_effects(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                         int nesting);
  void draw_character(std::uint16_t id, ButtonState state, std::uint16_t ratio, const Matrix& m,
                      const ColorTransform& cx, int nesting);
  void draw_shape(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx);
  void draw_button(const ButtonDefinition& b, ButtonState state, const Matrix& m,
                   const ColorTransform& cx, int nesting);
  PaintMode mode() const { return masking_ ? PaintMode::Mask : PaintMode::Colour; }
  Box object_box(const DisplayObject& obj, const Box& drawn) const;
  static Matrix on_pixel_centre(const Matrix& m);

  cairo_t* cr_;
  std::reference_wrapper<const Dictionary> dict_;
  bool masking_ = false;  // drawing a clip layer: fills only, opaque
  CharacterStack stack_;
  int layers_ = 0;  // enclosing objects drawn on layers of their own (blend modes)
  Box visible_;     // the surface (or its clip) in device pixels
  ShapeCache* cache_;
  double stage_scale_;  // device pixels per stage pixel, for filter sizes
  double filter_work_left_ = kMaxFrameFilterWork;  // for the filters of this frame
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
    const DisplayObject& obj = *it->second;
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
  std::optional<MaskBounds> bounds;
  if (const ShapeDefinition* s = dict_.get().shape(mask.character_id))
    bounds = MaskBounds{s->bounds, mask.matrix.then(m)};
  draw_masked(
      cr_, bounds, [&] { draw_range(first, last, m, cx, nesting); },
      [&] {
        masking_ = true;
        draw_object(mask, m, {}, nesting);
        masking_ = false;
      });
}

void Renderer::draw_object(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                           int nesting) {
  if (nesting > kMaxNesting || (!obj.visible && !masking_)) return;
  Matrix mm = obj.matrix.then(m);
  ColorTransform cc = obj.cxform.then(cx);
  // Fully transparent objects are skipped, except as masks, which ignore colour.
  if (!masking_ && ((cc.am <= 0 && cc.aa <= 0) || !obj.visible)) return;
  if (obj.scroll_rect || obj.opaque_background) return draw_framed(obj, mm, cc, nesting);
  draw_transformed(obj, mm, cc, nesting);
}

// The object under its full matrix and colour transform: through a picture
// of its own when it has effects.
void Renderer::draw_transformed(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                                int nesting) {
  if (!masking_ && (obj.blend_mode != BlendMode::Normal || !obj.filters.empty()))
    return draw_with_effects(obj, m, cx, nesting);
  draw_content(obj, m, cx, nesting);
}

// An object with a scroll rectangle shows that part of itself at its own
// origin, clipped to it; an opaque background fills its bounds (or the
// scroll rectangle) behind it.
void Renderer::draw_framed(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                           int nesting) {
  cairo_save(cr_);
  Matrix content = m;
  if (obj.scroll_rect) {
    const Rect& r = *obj.scroll_rect;
    content = Matrix{1, 0, 0, 1, -double(r.xmin), -double(r.ymin)}.then(m);
    if (usable(m)) {
      set_matrix(cr_, m);
      cairo_rectangle(cr_, 0, 0, r.width(), r.height());
      cairo_identity_matrix(cr_);
      cairo_clip(cr_);
    }
  }
  if (obj.opaque_background && !masking_ && usable(m)) {
    set_matrix(cr_, m);
    if (obj.scroll_rect) {
      cairo_rectangle(cr_, 0, 0, obj.scroll_rect->width(), obj.scroll_rect->height());
    } else if (auto box = content_bounds(dict_, obj, m)) {
      cairo_identity_matrix(cr_);
      cairo_rectangle(cr_, box->x0, box->y0, box->x1 - box->x0, box->y1 - box->y0);
    }
    set_source(cr_, transformed(*obj.opaque_background, cx));
    cairo_fill(cr_);
  }
  // Matrix and colour transform are applied already.
  draw_transformed(obj, content, cx, nesting);
  cairo_restore(cr_);
}

void Renderer::draw_content(const DisplayObject& obj, const Matrix& m, const ColorTransform& cx,
                            int nesting) {
  if (obj.sprite) {
    if (obj.drawing && !obj.drawing->empty()) draw_shape(*obj.drawing->shape(), m, cx);
    const Dictionary& outer = dict_;
    dict_ = content_dictionary(obj, outer);
    draw_list(obj.sprite->display_list, m, cx, nesting + 1);
    dict_ = outer;
    return;
  }
  if (obj.text_field) return draw_text_field(cr_, *obj.text_field, m, cx, mode());
  if (obj.bitmap) return paint_image(cr_, obj.bitmap->surface(), obj.smoothing, m, cx, mode());
  if (obj.video_stream)
    if (const VideoDefinition* v = dict_.get().video(obj.character_id))
      return paint_streamed_video(cr_, *v, *obj.video_stream, obj.smoothing, m, cx, mode());
  draw_character(obj.character_id, obj.button_state, obj.ratio, m, cx, nesting);
}

// The object is drawn on a picture of its own, which is then blended onto
// what lies beneath. An object in any blend mode but Normal is a layer for
// what it holds: Alpha and Erase act on the nearest such layer, and with
// none (on the stage itself) they draw nothing.
void Renderer::draw_with_effects(const DisplayObject& obj, const Matrix& placed,
                                 const ColorTransform& cx, int nesting) {
  if (cuts_layer(obj.blend_mode) && layers_ == 0) return;
  bool layer = obj.blend_mode != BlendMode::Normal;
  const Matrix m = obj.filters.empty() ? placed : on_pixel_centre(placed);
  cairo_save(cr_);
  // The picture is as large as the object and what its filters add.
  if (auto box = content_bounds(dict_, obj, m)) {
    Box within = object_box(obj, *box);
    if (!within.overlaps(visible_)) return cairo_restore(cr_);
    cairo_identity_matrix(cr_);
    cairo_rectangle(cr_, within.x0, within.y0, within.x1 - within.x0, within.y1 - within.y0);
    cairo_clip(cr_);
  }
  cairo_push_group(cr_);
  layers_ += layer;
  draw_content(obj, m, cx, nesting);
  layers_ -= layer;
  PatternPtr picture = own_pattern(cairo_pop_group(cr_));
  cairo_surface_t* image = nullptr;
  if (!obj.filters.empty() &&
      cairo_pattern_get_surface(picture.get(), &image) == CAIRO_STATUS_SUCCESS)
    apply_filters(image, obj.filters, stage_scale_, filter_work_left_);
  composite(cr_, picture.get(), obj.blend_mode);
  cairo_restore(cr_);
}

// The player draws a filtered object on a bitmap of whole pixels, with the
// object's origin on the corner of the device pixel it falls in, and takes
// each pixel's sample at its corner. Sampling at pixel centres as Cairo
// does, the same edges come from putting the origin on that pixel's centre.
Matrix Renderer::on_pixel_centre(const Matrix& m) {
  Matrix snapped = m;
  snapped.tx = std::floor(m.tx) + 0.5;
  snapped.ty = std::floor(m.ty) + 0.5;
  return snapped;
}

// The device box an object's picture needs: its own, grown by how far its
// filters spread, on whole pixels.
Box Renderer::object_box(const DisplayObject& obj, const Box& drawn) const {
  double margin = filter_margin(obj.filters, stage_scale_) + 1;
  return {std::floor(drawn.x0 - margin), std::floor(drawn.y0 - margin),
          std::ceil(drawn.x1 + margin), std::ceil(drawn.y1 + margin)};
}

void Renderer::draw_character(std::uint16_t id, ButtonState state, std::uint16_t ratio,
                              const Matrix& m, const ColorTransform& cx, int nesting) {
  const Character* c = dict_.get().find(id);
  if (!c || nesting > kMaxNesting || !stack_.spend()) return;
  if (auto* s = std::get_if<ShapeDefinition>(c)) {
    draw_shape(*s, m, cx);
  } else if (auto* ms = std::get_if<MorphShapeDefinition>(c)) {
    draw_shape(*ms->at(ratio), m, cx);
  } else if (auto* t = std::get_if<TextDefinition>(c)) {
    draw_static_text(cr_, dict_, *t, m, cx, mode());
  } else if (auto* e = std::get_if<EditTextDefinition>(c)) {
    draw_text_field(cr_, TextField(*e, dict_), m, cx, mode());
  } else if (auto* b = std::get_if<ButtonDefinition>(c)) {
    if (!stack_.enter(id)) return;
    draw_button(*b, state, m, cx, nesting + 1);
    stack_.leave();
  } else if (auto* sp = std::get_if<SpriteDefinition>(c)) {
    if (!stack_.enter(id)) return;
    draw_list(first_frame(*sp), m, cx, nesting + 1);
    stack_.leave();
  } else if (auto* bm = std::get_if<BitmapDefinition>(c)) {
    paint_bitmap(cr_, *bm, m, cx, mode());
  } else if (auto* v = std::get_if<VideoDefinition>(c)) {
    paint_video(cr_, *v, ratio, m, cx, mode());
  }
}

// Shapes wholly outside the surface are not drawn. The bounds include half
// the widest line; the margin covers hairlines and anti-aliasing. With a
// cache, a shape seen in the last frame is copied from its image.
void Renderer::draw_shape(const ShapeDefinition& s, const Matrix& m, const ColorTransform& cx) {
  if (!usable(m)) return;
  Box box = device_box(s.bounds, m, 2);
  if (!box.overlaps(visible_)) return;
  if (cache_ && !masking_ && !s.live) {
    auto paint = [&](cairo_t* cr, const Matrix& local) {
      cairo_set_antialias(cr, cairo_get_antialias(cr_));
      paint_shape(cr, dict_, s, local, cx, PaintMode::Colour);
    };
    if (auto copy = cache_->image(s, m, cx, box, paint)) {
      cairo_identity_matrix(cr_);
      cairo_set_source_surface(cr_, copy->image, copy->x, copy->y);
      cairo_paint(cr_);
      return;
    }
  }
  paint_shape(cr_, dict_, s, m, cx, mode());
}

void Renderer::draw_button(const ButtonDefinition& b, ButtonState state, const Matrix& m,
                           const ColorTransform& cx, int nesting) {
  for (const ButtonRecord& r : b.records) {
    if (!r.shown_in(state)) continue;
    if (r.blend_mode == BlendMode::Normal && r.filters.empty()) {
      draw_character(r.character_id, ButtonState::Up, 0, r.matrix.then(m),
                     r.cxform.then(b.cxform).then(cx), nesting);
      continue;
    }
    // A record with effects is drawn as an object of its own.
    DisplayObject obj;
    obj.character_id = r.character_id;
    obj.matrix = r.matrix;
    obj.cxform = r.cxform;
    obj.blend_mode = r.blend_mode;
    obj.filters = r.filters;
    draw_object(obj, m, b.cxform.then(cx), nesting);
  }
}

}  // namespace

Matrix show_all(Rect stage, int width_px, int height_px) {
  return stage_transform(stage, width_px, height_px, ScaleMode::ShowAll);
}

void render_display_list(cairo_t* cr, const Dictionary& dict, const DisplayList& list,
                         const Matrix& to_device, const ColorTransform& cxform,
                         RenderCache* cache) {
  cairo_save(cr);
  // Stage pixels are twenty twips.
  double stage_scale = std::sqrt(std::fabs(to_device.determinant())) * 20;
  Renderer(cr, dict, cache ? &cache->shapes() : nullptr, stage_scale)
      .draw_list(list, to_device, cxform, 0);
  cairo_restore(cr);
  if (cache) cache->shapes().end_frame();
}

void render_object(cairo_t* cr, const Dictionary& dict, const DisplayObject& obj,
                   const Matrix& to_device, const ColorTransform& cxform) {
  cairo_save(cr);
  double stage_scale = std::sqrt(std::fabs(to_device.determinant())) * 20;
  Renderer(cr, dict, nullptr, stage_scale).draw_content(obj, to_device, cxform, 0);
  cairo_restore(cr);
}

ScaleMode scale_mode_named(const std::string& name) {
  std::string n;
  for (char c : name) n.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  if (n == "noborder") return ScaleMode::NoBorder;
  if (n == "exactfit") return ScaleMode::ExactFit;
  if (n == "noscale") return ScaleMode::NoScale;
  return ScaleMode::ShowAll;
}

bool antialias_for_quality(const std::string& quality) {
  std::string q;
  for (char c : quality)
    q.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return q != "low" && q != "autolow";
}

Matrix stage_transform(Rect stage, int width_px, int height_px, ScaleMode mode) {
  if (stage.width() <= 0 || stage.height() <= 0) return {0.05, 0, 0, 0.05, 0, 0};
  double sx = double(width_px) / stage.width(), sy = double(height_px) / stage.height();
  switch (mode) {
    case ScaleMode::ShowAll:
      sx = sy = std::min(sx, sy);
      break;
    case ScaleMode::NoBorder:
      sx = sy = std::max(sx, sy);
      break;
    case ScaleMode::NoScale:
      sx = sy = 1.0 / 20;
      break;
    case ScaleMode::ExactFit:
      break;
  }
  double tx = (width_px - stage.width() * sx) / 2 - stage.xmin * sx;
  double ty = (height_px - stage.height() * sy) / 2 - stage.ymin * sy;
  return {sx, 0, 0, sy, tx, ty};
}

void render_frame(cairo_t* cr, int width_px, int height_px, const Dictionary& dict,
                  const DisplayList& list, Rect stage, Rgba background, RenderCache* cache,
                  const RenderOptions& options) {
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  background.a = 255;  // the stage colour is always opaque
  set_source(cr, background);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_restore(cr);
  cairo_save(cr);
  cairo_set_antialias(cr, options.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  render_display_list(cr, dict, list, stage_transform(stage, width_px, height_px, options.scale),
                      {}, cache);
  cairo_restore(cr);
}

}  // namespace strandel::swf
