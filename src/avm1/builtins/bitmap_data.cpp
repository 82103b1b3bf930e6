// BitmapData: construction, size, single pixels, fillRect, clone, dispose.
#include "avm1/builtins/bitmap_data.h"

#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/builtins/geom.h"
#include "avm1/function.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/bitmap_operations.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// The largest bitmap: 2880 pixels a side up to version 9; from version 10,
// 8191 a side and 16777215 pixels in all.
constexpr int kMaxSideBefore10 = 2880;
constexpr int kMaxSide = 8191;
constexpr long kMaxPixels = 16'777'215;

bool size_allowed(int version, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  if (version < 10) return width <= kMaxSideBefore10 && height <= kMaxSideBefore10;
  return width <= kMaxSide && height <= kMaxSide && long(width) * height <= kMaxPixels;
}

Object* allocate(Activation& act, Object* proto) {
  return act.heap().make<BitmapDataObject>(proto, act.heap());
}

// new BitmapData(width, height, transparent = true, fill = 0xFFFFFFFF):
// undefined when the size is missing or out of range.
Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  auto* object = this_as<BitmapDataObject>(self);
  if (!object) return Value();
  if (args.size() < 2) throw NoObject{};
  int width = act.to_int32(args[0]), height = act.to_int32(args[1]);
  if (!size_allowed(act.version(), width, height)) throw NoObject{};
  bool transparent = args.size() > 2 ? act.to_boolean(args[2]) : true;
  std::uint32_t fill = args.size() > 3 ? color_argument(act, args[3]) : 0xFFFFFFFFu;
  if (!object->adopt(swf::BitmapData::create(width, height, transparent, fill))) throw NoObject{};
  return Value();
}

Value get_width(Activation&, const Value& self, std::span<const Value>) {
  swf::BitmapData* b = bitmap_pixels(self);
  return Value(b ? b->width() : kDisposed);
}

Value get_height(Activation&, const Value& self, std::span<const Value>) {
  swf::BitmapData* b = bitmap_pixels(self);
  return Value(b ? b->height() : kDisposed);
}

Value get_transparent(Activation&, const Value& self, std::span<const Value>) {
  swf::BitmapData* b = bitmap_pixels(self);
  return b ? Value(b->transparent()) : Value(kDisposed);
}

Value get_rectangle(Activation& act, const Value& self, std::span<const Value>) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  return make_rectangle(act, 0, 0, b->width(), b->height());
}

Value get_pixel(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.size() < 2) return Value(kDisposed);
  return Value(double(b->pixel(act.to_int32(args[0]), act.to_int32(args[1])) & 0xFFFFFF));
}

Value get_pixel32(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.size() < 2) return Value(kDisposed);
  return Value(
      double(static_cast<std::int32_t>(b->pixel(act.to_int32(args[0]), act.to_int32(args[1])))));
}

// setPixel keeps the pixel's alpha.
Value set_pixel(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 3) return Value();
  int x = act.to_int32(args[0]), y = act.to_int32(args[1]);
  std::uint32_t rgb = color_argument(act, args[2]) & 0xFFFFFF;
  b->set_pixel(x, y, (b->pixel(x, y) & 0xFF000000u) | rgb);
  return Value();
}

Value set_pixel32(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  if (args.size() < 3) return Value();
  b->set_pixel(act.to_int32(args[0]), act.to_int32(args[1]), color_argument(act, args[2]));
  return Value();
}

Value fill_rect(Activation& act, const Value& self, std::span<const Value> args) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b || args.size() < 2) return Value(kDisposed);
  std::optional<swf::PixelRect> rect = rect_argument(act, args[0]);
  if (!rect) return Value(-1);
  swf::fill_rect(*b, *rect, color_argument(act, args[1]));
  return Value(0);
}

Value clone(Activation& act, const Value& self, std::span<const Value>) {
  swf::BitmapData* b = bitmap_pixels(self);
  if (!b) return Value(kDisposed);
  return make_bitmap_data(act, b->clone());
}

Value dispose(Activation&, const Value& self, std::span<const Value>) {
  auto* object = this_as<BitmapDataObject>(self);
  if (!object || !object->pixels()) return Value(kDisposed);
  object->dispose();
  return Value();
}

}  // namespace

bool BitmapDataObject::adopt(std::shared_ptr<swf::BitmapData> pixels) {
  dispose();
  if (!pixels) return false;
  std::size_t bytes = std::size_t(pixels->width()) * std::size_t(pixels->height()) * 4;
  if (!heap_.reserve_external(bytes)) return false;
  pixels_ = std::move(pixels);
  reserved_ = bytes;
  return true;
}

void BitmapDataObject::dispose() {
  pixels_.reset();
  heap_.release_external(reserved_);
  reserved_ = 0;
}

bool is_bitmap_data(const Value& v) { return this_as<BitmapDataObject>(v) != nullptr; }

swf::BitmapData* bitmap_pixels(const Value& v) {
  auto* object = this_as<BitmapDataObject>(v);
  return object ? object->pixels() : nullptr;
}

Value make_bitmap_data(Activation& act, std::shared_ptr<swf::BitmapData> pixels) {
  auto* object = act.heap().make<BitmapDataObject>(act.realm().prototype("BitmapData"), act.heap());
  if (!object->adopt(std::move(pixels))) return Value();
  return Value(object);
}

std::optional<swf::PixelRect> rect_argument(Activation& act, const Value& v) {
  if (!v.is_object()) return std::nullopt;
  Value x = act.get(v, "x"), y = act.get(v, "y"), w = act.get(v, "width"), h = act.get(v, "height");
  if (x.is_undefined() || y.is_undefined() || w.is_undefined() || h.is_undefined())
    return std::nullopt;
  return swf::PixelRect{act.to_int32(x), act.to_int32(y), act.to_int32(w), act.to_int32(h)};
}

std::optional<swf::PixelPoint> point_argument(Activation& act, const Value& v) {
  if (!v.is_object()) return std::nullopt;
  Value x = act.get(v, "x"), y = act.get(v, "y");
  if (x.is_undefined() || y.is_undefined()) return std::nullopt;
  return swf::PixelPoint{act.to_int32(x), act.to_int32(y)};
}

std::uint32_t color_argument(Activation& act, const Value& v) {
  return static_cast<std::uint32_t>(act.to_int32(v));
}

// BitmapData.loadBitmap(name): a copy of the bitmap the movie exports under
// that name; undefined when there is none.
Value load_bitmap(Activation& act, const Value&, std::span<const Value> args) {
  if (args.empty()) return Value();
  swf::Player& player = act.machine().player();
  auto id = player.exported_character(act.to_string(args[0]).view());
  const swf::BitmapDefinition* b = id ? player.dictionary().bitmap(*id) : nullptr;
  if (!b || !b->surface) return Value();
  auto pixels = swf::BitmapData::from_surface(b->surface.get(), b->transparent);
  return pixels ? make_bitmap_data(act, std::move(pixels)) : Value();
}

void register_bitmap_data(Realm&, Activation& act) {
  ClassBuilder bitmap(act, {"BitmapData", constructor, nullptr, allocate});
  bitmap.property("width", get_width, nullptr, 0)
      .property("height", get_height, nullptr, 0)
      .property("rectangle", get_rectangle, nullptr, 0)
      .property("transparent", get_transparent, nullptr, 0)
      .method("getPixel", get_pixel, 0)
      .method("getPixel32", get_pixel32, 0)
      .method("setPixel", set_pixel, 0)
      .method("setPixel32", set_pixel32, 0)
      .method("fillRect", fill_rect, 0)
      .method("clone", clone, 0)
      .method("dispose", dispose, 0)
      .static_method("loadBitmap", load_bitmap, 0)
      .constant("RED_CHANNEL", Value(swf::channel::Red), 0)
      .constant("GREEN_CHANNEL", Value(swf::channel::Green), 0)
      .constant("BLUE_CHANNEL", Value(swf::channel::Blue), 0)
      .constant("ALPHA_CHANNEL", Value(swf::channel::Alpha), 0);
  add_bitmap_data_copying(bitmap);
  add_bitmap_data_queries(bitmap);
  add_bitmap_data_noise(bitmap);
  add_bitmap_data_drawing(bitmap);
  bitmap.install(flash_package(act, "display"), 0);
}

}  // namespace strandel::avm1
