#include "avm1/display_properties.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "avm1/activation.h"
#include "avm1/builtins/selection.h"
#include "avm1/clip.h"
#include "avm1/conversions.h"
#include "avm1/machine.h"
#include "swf/player.h"
#include "swf/text_field.h"

namespace strandel::avm1 {

namespace {

constexpr std::array<std::string_view, 22> kNames = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};

enum Index {
  X,
  Y,
  XScale,
  YScale,
  CurrentFrame,
  TotalFrames,
  Alpha,
  Visible,
  Width,
  Height,
  Rotation,
  Target,
  FramesLoaded,
  Name,
  DropTarget,
  Url,
  HighQuality,
  FocusRect,
  SoundBufTime,
  Quality,
  XMouse,
  YMouse
};

constexpr double kTwips = 20;

// Positions are whole twips: a pixel value is cut to the twentieth. The
// player keeps them in 32 bits: what does not fit becomes the lowest value.
double to_twips(double pixels) {
  double t = std::trunc(pixels * kTwips);
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  if (!(t >= kLowest && t <= std::numeric_limits<std::int32_t>::max())) return kLowest;
  return t;
}

// Alpha is kept in 256ths of the full value.
double to_alpha(double percent) { return std::trunc(percent * 256 / 100) / 256; }

double degrees(double radians) {
  double d = radians * 180 / std::numbers::pi;
  if (d < -180) d += 360;
  if (d > 180) d -= 360;
  return d;
}

// The object's width and height in its parent's space.
std::pair<double, double> outer_size(swf::Player& player, const swf::DisplayObject& o) {
  auto b = player.bounds(o);
  if (!b) return {0, 0};
  const swf::Matrix& m = o.matrix;
  swf::Point corners[] = {m.apply(b->xmin, b->ymin), m.apply(b->xmax, b->ymin),
                          m.apply(b->xmin, b->ymax), m.apply(b->xmax, b->ymax)};
  // Each corner lands on a whole twip before the box is measured.
  for (swf::Point& p : corners) p = {std::round(p.x), std::round(p.y)};
  double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const auto& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return {std::round(x1 - x0) / kTwips, std::round(y1 - y0) / kTwips};
}

Value mouse_in(swf::Player& player, const swf::DisplayObject& o, bool y) {
  auto inverse = player.to_stage(o).inverse();
  if (!inverse) return Value(0);
  swf::Point p = inverse->apply(player.mouse_x(), player.mouse_y());
  return Value(std::round(y ? p.y : p.x) / kTwips);
}

void resize_text_field(swf::TextField& f, bool width, double pixels) {
  auto twips = static_cast<std::int32_t>(std::clamp(to_twips(pixels), -1e9, 1e9));
  if (width)
    f.bounds.xmax = f.bounds.xmin + twips;
  else
    f.bounds.ymax = f.bounds.ymin + twips;
  f.changed();
}

// _focusrect: a level's is the player's setting, taken as a number (an
// object counts as 0; undefined and null change nothing); any other
// object's is its own, true or false as a condition reads it, and undefined
// or null unset it.
void set_focus_rect(Activation& act, swf::Player& player, swf::DisplayObject& o,
                    const Value& value) {
  if (o.parent) {
    o.focus_rect = value.is_nullish() ? std::nullopt : std::optional<bool>(act.to_boolean(value));
  } else if (!value.is_nullish()) {
    player.focus_rect = !value.is_object() && act.to_number(value) != 0;
  }
}

}  // namespace

std::optional<int> display_property_index(const String& name) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (equals_folded(name.view(), kNames[i])) return static_cast<int>(i);
  return std::nullopt;
}

String display_property_name(int index) {
  if (index < 0 || index >= static_cast<int>(kNames.size())) return String();
  return String(kNames[static_cast<std::size_t>(index)]);
}

Value get_display_property(Activation& act, ClipObject& clip, int index) {
  (void)act;
  swf::DisplayObject* o = clip.object();
  if (!o) return Value();
  swf::Player& player = clip.player();
  const swf::SpriteInstance* s = o->sprite.get();
  switch (index) {
    case X:
      return Value(o->matrix.tx / kTwips);
    case Y:
      return Value(o->matrix.ty / kTwips);
    case XScale:
      return Value(o->x_scale * 100);
    case YScale:
      return Value(o->y_scale * 100);
    case Rotation:
      return Value(degrees(o->x_rotation));
    case CurrentFrame:
      return Value(s ? static_cast<double>(s->current_frame) : 1.0);
    case TotalFrames:
    case FramesLoaded:
      return Value(static_cast<double>(s ? player.total_frames(*o) : 1));
    case Alpha:
      return Value(o->cxform.am * 100);
    case Visible:
      return Value(o->visible);
    case Width:
      return Value(outer_size(player, *o).first);
    case Height:
      return Value(outer_size(player, *o).second);
    case Target:
      return Value(clip.path(true));
    case Name:
      return Value(String(o->name));
    case DropTarget: {
      if (player.dragged() != o) return Value("");
      swf::DisplayObject* under = player.object_under_pointer(o);
      if (!under) return Value("");
      return Value(clip_object(act.machine(), *under)->path(true));
    }
    case Url:
      return Value(String(player.url_of(*o)));
    case HighQuality:
      return Value(1);
    case FocusRect:
      if (!o->parent) return Value(player.focus_rect);
      return o->focus_rect ? Value(*o->focus_rect) : Value::null();
    case SoundBufTime:
      return Value(player.sound_buffer_time);
    case Quality:
      return Value("HIGH");
    case XMouse:
      return mouse_in(player, *o, false);
    case YMouse:
      return mouse_in(player, *o, true);
  }
  return Value();
}

void set_display_property(Activation& act, ClipObject& clip, int index, const Value& value) {
  swf::DisplayObject* o = clip.object();
  if (!o) return;
  swf::Player& player = clip.player();
  if (index == Name) {
    o->name = act.to_string(value).str();
    return;
  }
  if (index == SoundBufTime) {
    // A whole number; NaN is 0, infinities the lowest.
    double n = act.to_number(value);
    player.sound_buffer_time = std::isnan(n)      ? 0
                               : std::isfinite(n) ? double_to_int32(n)
                                                  : std::numeric_limits<std::int32_t>::min();
    return;
  }
  if (index == FocusRect) {
    set_focus_rect(act, player, *o, value);
    return;
  }
  // Numbers: undefined, null and NaN leave the property as it is.
  if (value.is_nullish()) return;
  double v = act.to_number(value);
  if (std::isnan(v)) return;
  if (index == Visible) {
    o->visible = v != 0;
    player.mark_dirty();
    if (!o->visible) object_hidden(act, *o);
    return;
  }
  if (!std::isfinite(v) && index != X && index != Y) return;
  switch (index) {
    case X:
      o->matrix.tx = to_twips(v);
      break;
    case Y:
      o->matrix.ty = to_twips(v);
      break;
    case XScale:
      o->x_scale = v / 100;
      o->write_scale_rotation();
      break;
    case YScale:
      o->y_scale = v / 100;
      o->write_scale_rotation();
      break;
    case Rotation: {
      double r = std::fmod(v, 360.0);
      if (r > 180) r -= 360;
      if (r < -180) r += 360;
      double turn = r * std::numbers::pi / 180 - o->x_rotation;
      o->x_rotation += turn;
      o->y_rotation += turn;
      o->write_scale_rotation();
      break;
    }
    case Alpha:
      o->cxform.am = to_alpha(v);
      break;
    case Width:
    case Height: {
      if (o->text_field) {  // a text field's box changes size, not its text
        resize_text_field(*o->text_field, index == Width, v);
        break;
      }
      auto b = player.bounds(*o);
      if (!b) return;
      double local = (index == Width ? b->width() : b->height()) / kTwips;
      if (local <= 0) return;
      (index == Width ? o->x_scale : o->y_scale) = v / local;
      o->write_scale_rotation();
      break;
    }
    default:
      return;  // read-only, or nothing to change
  }
  o->transformed_by_script = true;
  player.mark_dirty();
}

}  // namespace strandel::avm1
