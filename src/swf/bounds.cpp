#include "swf/bounds.h"

#include <algorithm>
#include <functional>

#include "swf/bitmap_data.h"
#include "swf/drawing.h"
#include "swf/text_field.h"
#include "swf/traversal.h"

namespace strandel::swf {

namespace {

// Pixels added around shapes for lines and anti-aliasing.
constexpr double kMargin = 2;

std::optional<Box> join(std::optional<Box> a, std::optional<Box> b) {
  if (!a) return b;
  if (!b) return a;
  return Box{std::min(a->x0, b->x0), std::min(a->y0, b->y0), std::max(a->x1, b->x1),
             std::max(a->y1, b->y1)};
}

// A script's bitmap in twips, one pixel per twenty.
Rect bitmap_rect(const BitmapData& b) {
  return {0, b.width() * 20, 0, b.height() * 20};
}

Rect join(const Rect& a, const Rect& b) {
  return {std::min(a.xmin, b.xmin), std::max(a.xmax, b.xmax), std::min(a.ymin, b.ymin),
          std::max(a.ymax, b.ymax)};
}

class Bounds {
 public:
  explicit Bounds(const Dictionary& dict) : dict_(dict) {}

  std::optional<Box> object(const DisplayObject& obj, const Matrix& parent, int nesting) {
    return content(obj, obj.matrix.then(parent), nesting);
  }

  std::optional<Box> content(const DisplayObject& obj, const Matrix& m, int nesting) {
    if (nesting > kMaxNesting || !stack_.spend()) return std::nullopt;
    if (obj.sprite) {
      std::optional<Box> drawn;
      if (obj.drawing && !obj.drawing->empty() && usable(m))
        drawn = device_box(obj.drawing->bounds(), m, kMargin);
      const Dictionary& outer = dict_;
      dict_ = content_dictionary(obj, outer);
      auto children = list(obj.sprite->display_list, m, nesting + 1);
      dict_ = outer;
      return join(drawn, children);
    }
    if (obj.text_field) return device_box(obj.text_field->bounds, m, kMargin);
    if (obj.bitmap && usable(m)) return device_box(bitmap_rect(*obj.bitmap), m, kMargin);
    return character(obj.character_id, obj.button_state, m, nesting);
  }

 private:
  std::optional<Box> list(const DisplayList& l, const Matrix& m, int nesting) {
    std::optional<Box> box;
    for (const auto& [depth, obj] : l) box = join(box, object(*obj, m, nesting));
    return box;
  }

  std::optional<Box> character(std::uint16_t id, ButtonState state, const Matrix& m, int nesting) {
    const Character* c = dict_.get().find(id);
    if (!c || !usable(m)) return std::nullopt;
    if (auto* s = std::get_if<ShapeDefinition>(c)) return device_box(s->bounds, m, kMargin);
    if (auto* ms = std::get_if<MorphShapeDefinition>(c))
      return device_box(join(ms->start_bounds, ms->end_bounds), m, kMargin);
    if (auto* t = std::get_if<TextDefinition>(c))
      return device_box(t->bounds, t->matrix.then(m), kMargin);
    if (auto* e = std::get_if<EditTextDefinition>(c)) return device_box(e->bounds, m, kMargin);
    if (auto* b = std::get_if<BitmapDefinition>(c))
      return device_box(Rect{0, b->width * 20, 0, b->height * 20}, m, kMargin);
    if (auto* v = std::get_if<VideoDefinition>(c))
      return device_box(Rect{0, v->width * 20, 0, v->height * 20}, m, kMargin);
    if (!stack_.enter(id)) return std::nullopt;
    std::optional<Box> box;
    if (auto* b = std::get_if<ButtonDefinition>(c)) {
      for (const ButtonRecord& r : b->records)
        if (r.shown_in(state))
          box =
              join(box, character(r.character_id, ButtonState::Up, r.matrix.then(m), nesting + 1));
    } else if (auto* sp = std::get_if<SpriteDefinition>(c)) {
      box = list(first_frame(*sp), m, nesting + 1);
    }
    stack_.leave();
    return box;
  }

  std::reference_wrapper<const Dictionary> dict_;
  CharacterStack stack_;
};

}  // namespace

std::optional<Box> object_bounds(const Dictionary& dict, const DisplayObject& obj,
                                 const Matrix& m) {
  return Bounds(dict).object(obj, m, 0);
}

std::optional<Box> content_bounds(const Dictionary& dict, const DisplayObject& obj,
                                  const Matrix& m) {
  return Bounds(dict).content(obj, m, 0);
}

}  // namespace strandel::swf
