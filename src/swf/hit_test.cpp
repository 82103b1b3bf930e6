#include "swf/hit_test.h"

#include <cairo.h>

#include <algorithm>
#include <functional>

#include "swf/drawing.h"
#include "swf/traversal.h"

namespace strandel::swf {

namespace {

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

  ButtonHit find(DisplayList& list, const Matrix& m, int nesting) {
    if (nesting > kMaxNesting) return {};
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      DisplayObject& obj = *it->second;
      if (obj.clip_depth != 0 || !obj.visible) continue;
      Matrix mm = obj.matrix.then(m);
      if (obj.sprite) {
        const Dictionary& outer = dict_;
        dict_ = content_dictionary(obj, outer);
        ButtonHit hit = find(obj.sprite->display_list, mm, nesting + 1);
        dict_ = outer;
        if (hit) return hit;
        continue;
      }
      const ButtonDefinition* b =
          obj.kind == DisplayKind::Button ? dict_.get().button(obj.character_id) : nullptr;
      if (b && button_contains(*b, mm, nesting)) return {&obj, b};
    }
    return {};
  }

  // Whether the point is on what the object shows (its shapes, its
  // children's, a button's hit area).
  bool object_contains(const DisplayObject& obj, const Matrix& m, int nesting) {
    if (nesting > kMaxNesting || !obj.visible) return false;
    Matrix mm = obj.matrix.then(m);
    if (obj.sprite) {
      if (obj.drawing && !obj.drawing->empty() && drawing_contains(*obj.drawing, mm)) return true;
      const Dictionary& outer = dict_;
      dict_ = content_dictionary(obj, outer);
      bool hit = false;
      for (const auto& [depth, child] : obj.sprite->display_list)
        if (!hit && child->clip_depth == 0) hit = object_contains(*child, mm, nesting + 1);
      dict_ = outer;
      return hit;
    }
    if (obj.kind == DisplayKind::Button) {
      const ButtonDefinition* b = dict_.get().button(obj.character_id);
      return b && button_contains(*b, mm, nesting);
    }
    return contains(obj.character_id, mm, nesting);
  }

 private:
  bool button_contains(const ButtonDefinition& b, const Matrix& m, int nesting) {
    for (const ButtonRecord& r : b.records)
      if (r.shown_in(ButtonState::HitTest) && contains(r.character_id, r.matrix.then(m), nesting))
        return true;
    return false;
  }

  bool contains(std::uint16_t id, const Matrix& m, int nesting) {
    const Character* c = dict_.get().find(id);
    if (!c || nesting > kMaxNesting || !stack_.spend()) return false;
    auto inverse = m.inverse();
    if (!inverse) return false;
    Point local = inverse->apply(x_, y_);
    if (auto* s = std::get_if<ShapeDefinition>(c)) return shape_contains(*s, local);
    if (auto* ms = std::get_if<MorphShapeDefinition>(c)) return shape_contains(*ms->at(0), local);
    if (auto* t = std::get_if<TextDefinition>(c)) return in_rect(t->bounds, t->matrix, local);
    if (auto* e = std::get_if<EditTextDefinition>(c)) return in_rect(e->bounds, {}, local);
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
      if (obj->clip_depth == 0 && contains(obj->character_id, obj->matrix.then(m), nesting))
        return true;
    return false;
  }

  bool drawing_contains(const Drawing& d, const Matrix& m) {
    auto inverse = m.inverse();
    return inverse && shape_contains(*d.shape(), inverse->apply(x_, y_));
  }

  static bool in_rect(const Rect& r, const Matrix& m, Point p) {
    auto inverse = m.inverse();
    if (!inverse) return false;
    Point l = inverse->apply(p);
    return l.x >= r.xmin && l.x <= r.xmax && l.y >= r.ymin && l.y <= r.ymax;
  }

  bool shape_contains(const ShapeDefinition& s, Point p) {
    auto [x, y] = p;
    if (x < s.bounds.xmin || x > s.bounds.xmax || y < s.bounds.ymin || y > s.bounds.ymax)
      return false;
    cairo_set_fill_rule(cr_,
                        s.nonzero_winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
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

  std::reference_wrapper<const Dictionary> dict_;
  CharacterStack stack_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
  double x_, y_;
};

}  // namespace

ButtonHit button_at(const Dictionary& dict, DisplayList& list, double stage_x, double stage_y) {
  return HitTester(dict, stage_x, stage_y).find(list, {}, 0);
}

bool object_at(const Dictionary& dict, const DisplayObject& object, const Matrix& to_stage,
               double stage_x, double stage_y) {
  return HitTester(dict, stage_x, stage_y).object_contains(object, to_stage, 0);
}

}  // namespace strandel::swf
