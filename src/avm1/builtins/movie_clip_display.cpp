// MovieClip's drawing properties of version 8 movies: opaqueBackground,
// scrollRect, cacheAsBitmap, blendMode and filters read and write the display
// object's fields, which the renderer draws from.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/geom.h"
#include "avm1/clip.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/display_list.h"

namespace strandel::avm1 {

namespace {

// Twips in a pixel; scroll rectangles are given in pixels.
constexpr double kTwips = 20;
// Filters an object holds at most; further ones in a list are ignored.
constexpr double kMaxFilters = 256;
// A scroll rectangle's sides are kept within what a twip count can hold.
constexpr double kMaxScrollPixels = 107374182;

// The names scripts use, indexed by the file format's value less one.
constexpr std::array<std::string_view, 14> kBlendNames = {
    "normal", "layer",    "multiply", "screen", "lighten", "darken",  "difference",
    "add",    "subtract", "invert",   "alpha",  "erase",   "overlay", "hardlight"};

Value opaque_background_get(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj || !obj->opaque_background) return Value::null();
  const swf::Rgba& c = *obj->opaque_background;
  return Value(double((c.r << 16) | (c.g << 8) | c.b));
}

// undefined and null take the background away; anything else is a colour.
Value opaque_background_set(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj) return Value();
  const Value& v = arg(args, 0);
  if (v.is_undefined() || v.is_null()) {
    obj->opaque_background.reset();
    return Value();
  }
  auto rgb = static_cast<std::uint32_t>(act.to_int32(v));
  obj->opaque_background =
      swf::Rgba{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                static_cast<std::uint8_t>(rgb), 255};
  return Value();
}

Value scroll_rect_get(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj || !obj->scroll_rect) return Value();
  const swf::Rect& r = *obj->scroll_rect;
  return make_rectangle(act, Value(r.xmin / kTwips), Value(r.ymin / kTwips),
                        Value(r.width() / kTwips), Value(r.height() / kTwips));
}

std::int32_t to_twips(double pixels) {
  if (!std::isfinite(pixels)) return 0;
  return static_cast<std::int32_t>(
      std::lround(std::clamp(pixels, -kMaxScrollPixels, kMaxScrollPixels) * kTwips));
}

// An object with x, y, width and height sets the rectangle; anything else
// takes it away.
Value scroll_rect_set(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj) return Value();
  const Value& v = arg(args, 0);
  if (!v.object()) {
    obj->scroll_rect.reset();
    return Value();
  }
  double x = number_field(act, v, "x"), y = number_field(act, v, "y");
  double w = number_field(act, v, "width"), h = number_field(act, v, "height");
  swf::Rect r;
  r.xmin = to_twips(x);
  r.ymin = to_twips(y);
  r.xmax = to_twips(x + w);
  r.ymax = to_twips(y + h);
  obj->scroll_rect = r;
  return Value();
}

Value cache_as_bitmap_get(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = display_object(self);
  return Value(obj && obj->cache_as_bitmap);
}

Value cache_as_bitmap_set(Activation& act, const Value& self, std::span<const Value> args) {
  if (swf::DisplayObject* obj = display_object(self))
    obj->cache_as_bitmap = act.to_boolean(arg(args, 0));
  return Value();
}

Value blend_mode_get(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj) return Value();
  auto i = static_cast<std::size_t>(obj->blend_mode) - 1;
  return Value(String(kBlendNames[i < kBlendNames.size() ? i : 0]));
}

// A mode's name (exactly), its number (taken modulo 256), or null or
// undefined for normal; anything else leaves the mode as it is.
Value blend_mode_set(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj) return Value();
  const Value& v = arg(args, 0);
  std::size_t mode = 0;  // the format's value; 0 leaves it
  if (v.is_nullish()) {
    mode = 1;
  } else if (v.is_number()) {
    mode = static_cast<std::uint8_t>(act.to_int32(v));
  } else if (v.is_string()) {
    String name = act.to_string(v);
    for (std::size_t i = 0; i < kBlendNames.size(); ++i)
      if (name == kBlendNames[i]) mode = i + 1;
  }
  if (mode >= 1 && mode <= kBlendNames.size())
    obj->blend_mode = swf::blend_mode_from_byte(static_cast<std::uint8_t>(mode));
  return Value();
}

// A list of new filter objects, one for each filter the object has.
Value filters_get(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj) return Value();
  std::vector<Value> filters;
  for (const swf::Filter& f : obj->filters) filters.push_back(make_filter_object(act, f));
  return Value(act.new_array(filters));
}

// Takes the filters of a list's filter objects, skipping other elements;
// anything but a list clears them.
Value filters_set(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* obj = display_object(self);
  if (!obj) return Value();
  std::vector<swf::Filter> filters;
  if (const Value& list = arg(args, 0); list.is_object()) {
    double n = act.to_number(act.get(list, "length"));
    auto count = std::isnan(n) ? 0u : static_cast<std::uint32_t>(std::clamp(n, 0.0, kMaxFilters));
    for (std::uint32_t i = 0; i < count; ++i) {
      auto* f = dynamic_cast<FilterObject*>(act.get(list, index_name(i)).object());
      if (!f) continue;
      if (auto filter = f->filter()) filters.push_back(*filter);
    }
  }
  obj->filters = std::move(filters);
  return Value();
}

}  // namespace

void register_movie_clip_display(Realm& realm, Activation& act) {
  Object* proto = realm.movie_clip_proto;
  if (!proto) return;
  define_property(act, proto, "opaqueBackground", opaque_background_get, opaque_background_set);
  define_property(act, proto, "scrollRect", scroll_rect_get, scroll_rect_set);
  define_property(act, proto, "cacheAsBitmap", cache_as_bitmap_get, cache_as_bitmap_set);
  define_property(act, proto, "blendMode", blend_mode_get, blend_mode_set);
  define_property(act, proto, "filters", filters_get, filters_set);
}

}  // namespace strandel::avm1
