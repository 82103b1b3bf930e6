#include "avm1/display_properties.h"

#include <array>
#include <cmath>
#include <numbers>

#include "avm1/activation.h"
#include "avm1/clip.h"
#include "swf/player.h"

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

double scale_x(const swf::Matrix& m) { return std::hypot(m.a, m.b) * 100; }
double scale_y(const swf::Matrix& m) { return std::hypot(m.c, m.d) * 100; }
double rotation(const swf::Matrix& m) { return std::atan2(m.b, m.a) * 180 / std::numbers::pi; }

void set_scale_rotation(swf::Matrix& m, double sx, double sy, double degrees) {
  double r = degrees * std::numbers::pi / 180;
  m.a = sx / 100 * std::cos(r);
  m.b = sx / 100 * std::sin(r);
  m.c = -sy / 100 * std::sin(r);
  m.d = sy / 100 * std::cos(r);
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
  swf::SpriteInstance* c = clip.clip();
  if (!c) return Value();
  swf::Player& player = clip.player();
  swf::DisplayObject* placed = player.placement_of(*c);
  swf::Matrix m = placed ? placed->matrix : swf::Matrix{};
  switch (index) {
    case X:
      return Value(m.tx / kTwips);
    case Y:
      return Value(m.ty / kTwips);
    case XScale:
      return Value(scale_x(m));
    case YScale:
      return Value(scale_y(m));
    case Rotation:
      return Value(rotation(m));
    case CurrentFrame:
      return Value(static_cast<double>(c->current_frame));
    case TotalFrames:
    case FramesLoaded:
      return Value(static_cast<double>(player.total_frames(*c)));
    case Alpha:
      return Value(placed ? placed->cxform.am * 100 : 100.0);
    case Visible:
      return Value(true);
    case Width:
    case Height:
      return Value(0);
    case Target:
      return Value(clip.path(true));
    case Name:
      return Value(String(c->name));
    case DropTarget:
    case Url:
      return Value("");
    case HighQuality:
      return Value(1);
    case FocusRect:
      return Value(true);
    case SoundBufTime:
      return Value(5);
    case Quality:
      return Value("HIGH");
    case XMouse:
    case YMouse:
      return Value(0);
  }
  return Value();
}

void set_display_property(Activation& act, ClipObject& clip, int index, const Value& value) {
  swf::SpriteInstance* c = clip.clip();
  if (!c) return;
  swf::DisplayObject* placed = clip.player().placement_of(*c);
  double v = act.to_number(value);
  if (index == Name) {
    c->name = act.to_string(value).str();
    if (placed) placed->name = c->name;
    return;
  }
  if (!placed || std::isnan(v)) return;
  swf::Matrix& m = placed->matrix;
  switch (index) {
    case X:
      m.tx = v * kTwips;
      break;
    case Y:
      m.ty = v * kTwips;
      break;
    case XScale:
      set_scale_rotation(m, v, scale_y(m), rotation(m));
      break;
    case YScale:
      set_scale_rotation(m, scale_x(m), v, rotation(m));
      break;
    case Rotation:
      set_scale_rotation(m, scale_x(m), scale_y(m), v);
      break;
    case Alpha:
      placed->cxform.am = v / 100;
      break;
    default:
      break;
  }
}

}  // namespace strandel::avm1
