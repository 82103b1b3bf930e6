// The pointer and the keyboard: buttons and clips with mouse handlers go
// through the button transitions the file format defines; every clip hears
// mouse and key events; the Mouse and Key listeners are told.
#include <utility>

#include "avm1/clip.h"
#include "avm1/machine.h"
#include "swf/button.h"
#include "swf/hit_test.h"
#include "swf/player.h"

namespace strandel::swf {

namespace {

constexpr int kMaxClipNesting = 64;

// Clip events that make a clip behave as a button.
constexpr std::uint32_t kButtonEvents =
    clip_event::Press | clip_event::Release | clip_event::ReleaseOutside | clip_event::RollOver |
    clip_event::RollOut | clip_event::DragOver | clip_event::DragOut;
constexpr const char* kButtonMethods[] = {"onPress",    "onRelease", "onReleaseOutside",
                                          "onRollOver", "onRollOut", "onDragOver",
                                          "onDragOut"};

// The key a button's KeyPress condition names: the arrows and editing keys
// have small codes of their own, printable keys their character.
int button_key(int key_code, int ascii) {
  switch (key_code) {
    case 37:
      return 1;  // left
    case 39:
      return 2;  // right
    case 36:
      return 3;  // home
    case 35:
      return 4;  // end
    case 45:
      return 5;  // insert
    case 46:
      return 6;  // delete
    case 8:
      return 8;  // backspace
    case 13:
      return 13;  // enter
    case 38:
      return 14;  // up
    case 40:
      return 15;  // down
    case 33:
      return 16;  // page up
    case 34:
      return 17;  // page down
    case 9:
      return 18;  // tab
    case 27:
      return 19;  // escape
    default:
      return ascii >= 32 && ascii <= 126 ? ascii : 0;
  }
}

}  // namespace

// Whether a pointer event changed the stage, whatever was pending before it.
class ChangeWatch {
 public:
  explicit ChangeWatch(bool& dirty) : dirty_(dirty), before_(std::exchange(dirty, false)) {}
  bool changed() const { return dirty_; }
  ~ChangeWatch() { dirty_ = dirty_ || before_; }
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

 private:
  bool& dirty_;
  bool before_;
};

bool Player::wants_mouse(const DisplayObject& clip) const {
  for (const ClipAction& a : clip.clip_actions)
    if (a.events & kButtonEvents) return true;
  if (!clip.script) return false;
  for (const char* method : kButtonMethods)
    if (machine_->has_handler(clip.script, method)) return true;
  return false;
}

// The topmost button, or clip with mouse handlers, under a stage point. A
// clip with handlers takes the pointer for everything inside it.
DisplayObject* Player::interactive_at(double x, double y) const {
  struct Finder {
    const Player& player;
    double x, y;
    DisplayObject* find(const DisplayList& list, const Matrix& m, int nesting) {
      if (nesting > kMaxClipNesting) return nullptr;
      for (auto it = list.rbegin(); it != list.rend(); ++it) {
        DisplayObject& obj = *it->second;
        if (obj.clip_depth != 0 || !obj.visible) continue;
        if (obj.kind == DisplayKind::Button || (obj.is_clip() && player.wants_mouse(obj))) {
          if (object_at(player.dictionary_for(obj), obj, m, x, y)) return &obj;
          continue;
        }
        if (obj.sprite) {
          if (DisplayObject* hit = find(obj.sprite->display_list, obj.matrix.then(m), nesting + 1))
            return hit;
        }
      }
      return nullptr;
    }
  } finder{*this, x, y};
  return finder.find(root_->sprite->display_list, root_->matrix, 0);
}

bool Player::over_button() const { return !hovered_.expired(); }

void Player::set_button_state(DisplayObject* object, ButtonState state) {
  if (!object || object->kind != DisplayKind::Button || object->button_state == state) return;
  object->button_state = state;
  dirty_ = true;
}

// One transition of a button (its condition actions, run on its parent's
// timeline, and its method) or of a clip acting as one (its clip events).
void Player::button_event(DisplayObject& object, std::uint16_t condition, std::uint32_t event,
                          const char* method) {
  if (actionscript3_ || object.removed) return;
  if (object.kind != DisplayKind::Button) {
    dispatch(object, event);
    queue_.push_back({object.shared_from_this(), {}, method});
    return;
  }
  if (const ButtonDefinition* b = dictionary_for(object).button(object.character_id);
      b && object.parent) {
    for (const ButtonAction& a : b->actions)
      if (a.conditions & condition)
        queue_.push_back({object.parent->shared_from_this(), a.actions});
  }
  queue_.push_back({object.shared_from_this(), {}, method});
}

void Player::move_focus_highlight(DisplayObject* from, DisplayObject* to) {
  if (from) button_event(*from, button_condition::OverUpToIdle, clip_event::RollOut, "onRollOut");
  if (to) button_event(*to, button_condition::IdleToOverUp, clip_event::RollOver, "onRollOver");
}

bool Player::pointer_move(double x, double y) {
  ChangeWatch watch(dirty_);
  mouse_x_ = x;
  mouse_y_ = y;
  follow_drag();
  dispatch_all(clip_event::MouseMove, "onMouseMove");
  auto hovered = hovered_.lock();
  auto pressed = pressed_.lock();
  DisplayObject* under = interactive_at(x, y);
  if (under != hovered.get()) {
    if (pressed) {
      // Dragging with the button held: out of and back over the pressed one.
      if (hovered == pressed) {
        set_button_state(pressed.get(), ButtonState::Over);
        button_event(*pressed, button_condition::OverDownToOutDown, clip_event::DragOut,
                     "onDragOut");
      } else if (under == pressed.get()) {
        set_button_state(pressed.get(), ButtonState::Down);
        button_event(*pressed, button_condition::OutDownToOverDown, clip_event::DragOver,
                     "onDragOver");
      }
    } else {
      if (hovered) {
        set_button_state(hovered.get(), ButtonState::Up);
        if (hovered->kind == DisplayKind::Button)
          button_sound(*hovered, ButtonSoundEvent::RollOut);
        button_event(*hovered, button_condition::OverUpToIdle, clip_event::RollOut, "onRollOut");
      }
      if (under) {
        set_button_state(under, ButtonState::Over);
        if (under->kind == DisplayKind::Button)
          button_sound(*under, ButtonSoundEvent::RollOver);
        button_event(*under, button_condition::IdleToOverUp, clip_event::RollOver, "onRollOver");
      }
    }
    hovered_ = under ? under->weak_from_this() : std::weak_ptr<DisplayObject>();
  }
  run_queue();
  return watch.changed();
}

bool Player::pointer_down() {
  ChangeWatch watch(dirty_);
  mouse_down_ = true;
  machine().input.mouse_down = true;
  dispatch_all(clip_event::MouseDown, "onMouseDown");
  if (auto hovered = hovered_.lock()) {
    pressed_ = hovered;
    set_button_state(hovered.get(), ButtonState::Down);
    if (hovered->kind == DisplayKind::Button)
      button_sound(*hovered, ButtonSoundEvent::Press);
    button_event(*hovered, button_condition::OverUpToOverDown, clip_event::Press, "onPress");
  }
  run_queue();
  return watch.changed();
}

bool Player::pointer_up() {
  ChangeWatch watch(dirty_);
  mouse_down_ = false;
  machine().input.mouse_down = false;
  dispatch_all(clip_event::MouseUp, "onMouseUp");
  auto pressed = pressed_.lock();
  auto hovered = hovered_.lock();
  pressed_.reset();
  if (pressed) {
    if (pressed == hovered) {
      set_button_state(pressed.get(), ButtonState::Over);
      if (pressed->kind == DisplayKind::Button)
        button_sound(*pressed, ButtonSoundEvent::Release);
      button_event(*pressed, button_condition::OverDownToOverUp, clip_event::Release, "onRelease");
    } else {
      set_button_state(pressed.get(), ButtonState::Up);
      button_event(*pressed, button_condition::OutDownToIdle, clip_event::ReleaseOutside,
                   "onReleaseOutside");
      // The pointer may have come to rest over another button meanwhile.
      if (hovered) set_button_state(hovered.get(), ButtonState::Over);
    }
  }
  run_queue();
  return watch.changed();
}

bool Player::pointer_leave() {
  ChangeWatch watch(dirty_);
  auto hovered = hovered_.lock();
  if (hovered && pressed_.expired()) {
    set_button_state(hovered.get(), ButtonState::Up);
    button_event(*hovered, button_condition::OverUpToIdle, clip_event::RollOut, "onRollOut");
    hovered_.reset();
  }
  run_queue();
  return watch.changed();
}

// Events every clip hears (mouse and key), newest first, then the listeners
// of the Mouse or Key object.
void Player::dispatch_all(std::uint32_t event, const char* listener_method) {
  if (actionscript3_) return;
  bool key = event == clip_event::KeyDown || event == clip_event::KeyUp;
  for (auto it = exec_.rbegin(); it != exec_.rend(); ++it) {
    auto clip = it->lock();
    if (!clip || clip->removed) continue;
    if (key) {
      // A clip's onKeyDown method needs the keyboard focus; its clip events do not.
      auto self = clip;
      for (const ClipAction& a : clip->clip_actions)
        if (a.events & event) queue_.push_back({self, a.actions});
    } else {
      dispatch(*clip, event);
    }
  }
  run_queue();
  if (machine_) machine_->broadcast(key ? "Key" : "Mouse", listener_method);
}

void Player::key_down(int key_code, int ascii) {
  auto& input = machine().input;
  input.keys_down.insert(key_code);
  input.last_code = key_code;
  input.last_ascii = ascii;
  dispatch_all(clip_event::KeyDown, "onKeyDown");
  if (actionscript3_) return;
  int key = button_key(key_code, ascii);
  if (key == 0) return;
  // Buttons and clips listening for this key press, anywhere on the stage.
  std::vector<std::shared_ptr<DisplayObject>> targets;
  struct Walker {
    std::vector<std::shared_ptr<DisplayObject>>& out;
    void walk(const DisplayList& list, int nesting) {
      if (nesting > kMaxClipNesting) return;
      for (const auto& [depth, obj] : list) {
        out.push_back(obj);
        if (obj->sprite) walk(obj->sprite->display_list, nesting + 1);
      }
    }
  } walker{targets};
  walker.walk(root_->sprite->display_list, 0);
  for (const auto& obj : targets) {
    if (obj->removed) continue;
    if (obj->kind == DisplayKind::Button) {
      const ButtonDefinition* b = dictionary_for(*obj).button(obj->character_id);
      if (!b || !obj->parent) continue;
      for (const ButtonAction& a : b->actions)
        if (button_condition::key_code(a.conditions) == key)
          queue_.push_back({obj->parent->shared_from_this(), a.actions});
    } else {
      for (const ClipAction& a : obj->clip_actions)
        if ((a.events & clip_event::KeyPress) && a.key_code == key)
          queue_.push_back({obj, a.actions});
    }
  }
  run_queue();
}

void Player::key_up(int key_code) {
  machine().input.keys_down.erase(key_code);
  machine().input.last_code = key_code;
  dispatch_all(clip_event::KeyUp, "onKeyUp");
}

void Player::start_drag(DisplayObject& clip, bool lock_center, const DragBounds& bounds) {
  drag_ = std::make_unique<Drag>();
  drag_->clip = clip.weak_from_this();
  drag_->lock_center = lock_center;
  drag_->bounds = bounds;
  if (!lock_center && clip.parent) {
    if (auto inverse = to_stage(*clip.parent).inverse()) {
      Point p = inverse->apply(mouse_x_, mouse_y_);
      drag_->dx = clip.matrix.tx - p.x;
      drag_->dy = clip.matrix.ty - p.y;
    }
  }
  follow_drag();
}

void Player::stop_drag() { drag_.reset(); }

DisplayObject* Player::dragged() const { return drag_ ? drag_->clip.lock().get() : nullptr; }

void Player::follow_drag() {
  if (!drag_) return;
  auto clip = drag_->clip.lock();
  if (!clip || clip->removed || !clip->parent) {
    drag_.reset();
    return;
  }
  auto inverse = to_stage(*clip->parent).inverse();
  if (!inverse) return;
  Point p = inverse->apply(mouse_x_, mouse_y_);
  double x = p.x + drag_->dx, y = p.y + drag_->dy;
  if (drag_->bounds.constrained) {
    const DragBounds& b = drag_->bounds;
    x = std::clamp(x, std::min(b.left, b.right) * 20, std::max(b.left, b.right) * 20);
    y = std::clamp(y, std::min(b.top, b.bottom) * 20, std::max(b.top, b.bottom) * 20);
  }
  if (clip->matrix.tx != x || clip->matrix.ty != y) {
    clip->matrix.tx = x;
    clip->matrix.ty = y;
    clip->transformed_by_script = true;
    dirty_ = true;
  }
}

}  // namespace strandel::swf
