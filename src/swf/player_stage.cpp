// What scripts do to the stage: objects they make and remove, depths they
// swap, and the geometry they ask about.
#include <algorithm>
#include <cmath>

#include "swf/bitmap_data.h"
#include "swf/drawing.h"
#include "swf/hit_test.h"
#include "swf/player.h"
#include "swf/text_field.h"
#include "swf/timeline.h"

namespace strandel::swf {

namespace {

// The depths scripts may use for objects they make, as the vendor's player allows.
constexpr std::int32_t kMinScriptDepth = -16384;
constexpr std::int32_t kMaxScriptDepth = 2130690044;
constexpr int kMaxClipNesting = 64;

bool valid_depth(std::int32_t depth) {
  return depth >= kMinScriptDepth && depth <= kMaxScriptDepth;
}

void grow(std::optional<Rect>& into, const Rect& r, const Matrix& m) {
  Point corners[] = {m.apply(r.xmin, r.ymin), m.apply(r.xmax, r.ymin), m.apply(r.xmin, r.ymax),
                     m.apply(r.xmax, r.ymax)};
  double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  Rect b{static_cast<std::int32_t>(std::floor(x0)), static_cast<std::int32_t>(std::ceil(x1)),
         static_cast<std::int32_t>(std::floor(y0)), static_cast<std::int32_t>(std::ceil(y1))};
  if (!into) {
    into = b;
    return;
  }
  into->xmin = std::min(into->xmin, b.xmin);
  into->xmax = std::max(into->xmax, b.xmax);
  into->ymin = std::min(into->ymin, b.ymin);
  into->ymax = std::max(into->ymax, b.ymax);
}

}  // namespace

// A script-made object joins the stage: a clip runs its first frame now.
void Player::start_object(const std::shared_ptr<DisplayObject>& object) {
  object->placed_by_script = true;
  if (!object->is_clip()) return;
  exec_.push_back(object);
  frame_of(*object);
}

// Room at `depth` of `parent` for an object a script makes: false when the
// parent has no timeline, the depth is out of range or this advance has made
// its share of objects; whatever held the depth leaves.
bool Player::make_room(DisplayObject& parent, std::int32_t depth) {
  if (!parent.sprite || !valid_depth(depth) || instances_left_ == 0) return false;
  --instances_left_;
  auto& list = parent.sprite->display_list;
  if (auto it = list.find(depth); it != list.end()) {
    auto old = it->second;
    detach(*old, true);
  }
  return true;
}

DisplayObject* Player::join(DisplayObject& parent, const std::shared_ptr<DisplayObject>& child) {
  adopt(parent, child);
  start_object(child);
  return child.get();
}

DisplayObject* Player::attach(DisplayObject& parent, std::uint16_t character_id,
                              const std::string& name, std::int32_t depth) {
  if (!parent.sprite || !dictionary_for(parent).find(character_id) || !make_room(parent, depth))
    return nullptr;
  auto child = instantiate(parent, character_id, depth);
  child->name = name;
  return join(parent, child);
}

DisplayObject* Player::create_empty_clip(DisplayObject& parent, const std::string& name,
                                         std::int32_t depth) {
  if (!make_room(parent, depth)) return nullptr;
  auto child = std::make_shared<DisplayObject>();
  child->kind = DisplayKind::MovieClip;
  child->sprite = std::make_unique<SpriteInstance>();
  child->depth = depth;
  child->version = parent.version;
  child->name = name;
  return join(parent, child);
}

DisplayObject* Player::create_text_field(DisplayObject& parent, const std::string& name,
                                         std::int32_t depth, const Rect& bounds, double x,
                                         double y) {
  if (!make_room(parent, depth)) return nullptr;
  auto child = std::make_shared<DisplayObject>();
  child->kind = DisplayKind::EditText;
  child->text_field = std::make_shared<TextField>(EditTextDefinition{}, dictionary_for(parent));
  child->text_field->bounds = bounds;
  child->text_field->version = parent.version;
  child->matrix.tx = x;
  child->matrix.ty = y;
  child->depth = depth;
  child->version = parent.version;
  child->name = name;
  return join(parent, child);
}

DisplayObject* Player::attach_bitmap(DisplayObject& parent, std::shared_ptr<BitmapData> bitmap,
                                     std::int32_t depth, bool smoothing) {
  if (!bitmap || !make_room(parent, depth)) return nullptr;
  auto child = std::make_shared<DisplayObject>();
  child->bitmap = std::move(bitmap);
  child->smoothing = smoothing;
  child->depth = depth;
  child->version = parent.version;
  return join(parent, child);
}

// A copy of a placed object beside it: its character, transform, colour,
// clip events and drawing, but none of the children or variables scripts
// gave it.
DisplayObject* Player::duplicate(DisplayObject& original, const std::string& name,
                                 std::int32_t depth) {
  DisplayObject* parent = original.parent;
  if (!parent || !parent->sprite || !valid_depth(depth) || instances_left_ == 0) return nullptr;
  if (original.character_id == 0 && !original.sprite) return nullptr;
  --instances_left_;
  auto& list = parent->sprite->display_list;
  if (auto it = list.find(depth); it != list.end()) {
    auto old = it->second;
    if (old.get() == &original) return nullptr;
    detach(*old, true);
  }
  std::shared_ptr<DisplayObject> copy;
  if (original.character_id == 0) {
    copy = std::make_shared<DisplayObject>();
    copy->kind = DisplayKind::MovieClip;
    copy->sprite = std::make_unique<SpriteInstance>();
    copy->version = original.version;
  } else {
    copy = instantiate(*parent, original.character_id, depth);
  }
  copy->depth = depth;
  copy->name = name;
  copy->matrix = original.matrix;
  copy->x_scale = original.x_scale;
  copy->y_scale = original.y_scale;
  copy->x_rotation = original.x_rotation;
  copy->y_rotation = original.y_rotation;
  copy->cxform = original.cxform;
  copy->clip_actions = original.clip_actions;
  copy->blend_mode = original.blend_mode;
  copy->filters = original.filters;
  copy->visible = original.visible;
  copy->clip_depth = original.clip_depth;
  copy->ratio = original.ratio;
  if (original.drawing) copy->drawing = std::make_shared<Drawing>(*original.drawing);
  adopt(*parent, copy);
  if (copy->is_clip()) {
    dispatch(*copy, clip_event::Initialize);
    dispatch(*copy, clip_event::Construct);
  }
  start_object(copy);
  return copy.get();
}

void Player::remove(DisplayObject& object) {
  if (object.removed || &object == root_.get() || !object.parent) return;
  detach(object, true);
}

void Player::swap_depths(DisplayObject& object, std::int32_t depth) {
  DisplayObject* parent = object.parent;
  if (!parent || !parent->sprite || !valid_depth(depth) || depth == object.depth) return;
  auto& list = parent->sprite->display_list;
  auto self = object.shared_from_this();
  std::int32_t old_depth = object.depth;
  list.erase(old_depth);
  if (auto it = list.find(depth); it != list.end()) {
    auto other = it->second;
    other->depth = old_depth;
    other->placed_by_script = true;
    list[old_depth] = other;
  }
  object.depth = depth;
  object.placed_by_script = true;
  list[depth] = self;
  dirty_ = true;
}

Matrix Player::to_stage(const DisplayObject& object) const {
  Matrix m = object.matrix;
  int n = 0;
  for (const DisplayObject* p = object.parent; p && n < kMaxClipNesting; p = p->parent, ++n)
    m = m.then(p->matrix);
  return m;
}

std::optional<Rect> Player::bounds(const DisplayObject& object) const {
  struct Measure {
    const Player& player;
    std::optional<Rect> of(const DisplayObject& obj, const Matrix& m, int nesting) {
      std::optional<Rect> out;
      if (nesting > kMaxClipNesting) return out;
      if (obj.sprite) {
        if (obj.drawing && !obj.drawing->empty()) grow(out, obj.drawing->bounds(), m);
        for (const auto& [depth, child] : obj.sprite->display_list) {
          if (auto b = of(*child, child->matrix.then(m), nesting + 1)) grow(out, *b, {});
        }
        return out;
      }
      if (obj.text_field) {  // scripts resize fields
        grow(out, obj.text_field->bounds, m);
        return out;
      }
      if (obj.bitmap) {
        grow(out, Rect{0, obj.bitmap->width() * 20, 0, obj.bitmap->height() * 20}, m);
        return out;
      }
      character(player.dictionary_for(obj), obj.character_id, m, out, nesting);
      return out;
    }
    void character(const Dictionary& dict, std::uint16_t id, const Matrix& m,
                   std::optional<Rect>& out, int nesting) {
      const Character* c = dict.find(id);
      if (!c || nesting > kMaxClipNesting) return;
      if (auto* s = std::get_if<ShapeDefinition>(c))
        grow(out, s->bounds, m);
      else if (auto* t = std::get_if<TextDefinition>(c))
        grow(out, t->bounds, t->matrix.then(m));
      else if (auto* e = std::get_if<EditTextDefinition>(c))
        grow(out, e->bounds, m);
      else if (auto* bm = std::get_if<BitmapDefinition>(c))
        grow(out, Rect{0, bm->width * 20, 0, bm->height * 20}, m);
      else if (auto* v = std::get_if<VideoDefinition>(c))
        grow(out, Rect{0, v->width * 20, 0, v->height * 20}, m);
      else if (auto* b = std::get_if<ButtonDefinition>(c)) {
        for (const ButtonRecord& r : b->records)
          if (r.shown_in(ButtonState::Up))
            character(dict, r.character_id, r.matrix.then(m), out, nesting + 1);
      }
    }
  } measure{*this};
  return measure.of(object, {}, 0);
}

bool Player::object_contains(const DisplayObject& object, double stage_x, double stage_y) const {
  Matrix parent = object.parent ? to_stage(*object.parent) : Matrix{};
  return object_at(dictionary_for(object), object, parent, stage_x, stage_y);
}

// The topmost visible object under the pointer outside `ignore`; a clip
// for what lies inside clips.
DisplayObject* Player::object_under_pointer(const DisplayObject* ignore) const {
  struct Finder {
    const Player& player;
    const DisplayObject* ignore;
    DisplayObject* find(const DisplayList& list, const Matrix& m, int nesting) {
      if (nesting > kMaxClipNesting) return nullptr;
      for (auto it = list.rbegin(); it != list.rend(); ++it) {
        DisplayObject& obj = *it->second;
        if (&obj == ignore || obj.clip_depth != 0 || !obj.visible) continue;
        if (obj.sprite) {
          if (DisplayObject* hit = find(obj.sprite->display_list, obj.matrix.then(m), nesting + 1))
            return hit;
          continue;
        }
        if (object_at(player.dictionary_for(obj), obj, m, player.mouse_x_, player.mouse_y_))
          return obj.parent;
      }
      return nullptr;
    }
  } finder{*this, ignore};
  return finder.find(root_->sprite->display_list, root_->matrix, 0);
}

}  // namespace strandel::swf
