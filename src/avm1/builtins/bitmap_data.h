// flash.display.BitmapData: the script object of a bitmap, and what the
// methods of the class share (in bitmap_data*.cpp). The pixels themselves
// and the operations on them are swf::BitmapData's.
//
// Most methods answer -1 on a disposed bitmap and some small negative or
// zero code when an argument is missing or of the wrong kind, as the
// vendor's player does.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>

#include "avm1/object.h"
#include "swf/bitmap_data.h"

namespace strandel::avm1 {

class Activation;
class Heap;

class BitmapDataObject : public Object {
 public:
  BitmapDataObject(Object* proto, Heap& heap) : Object(proto), heap_(heap) {}
  ~BitmapDataObject() override { dispose(); }

  // Takes the pixels, charging the heap for their memory; false, keeping
  // nothing, when the scripts' bitmaps would take too much.
  bool adopt(std::shared_ptr<swf::BitmapData> pixels);
  void dispose();
  // Null once disposed.
  swf::BitmapData* pixels() const { return pixels_.get(); }
  const std::shared_ptr<swf::BitmapData>& shared_pixels() const { return pixels_; }

 private:
  Heap& heap_;
  std::shared_ptr<swf::BitmapData> pixels_;
  std::size_t reserved_ = 0;
};

// What the methods answer on a disposed bitmap.
inline constexpr int kDisposed = -1;

bool is_bitmap_data(const Value& v);
// The pixels of a BitmapData that is not disposed; null otherwise.
swf::BitmapData* bitmap_pixels(const Value& v);
// A new BitmapData object for the pixels; undefined when over budget.
Value make_bitmap_data(Activation& act, std::shared_ptr<swf::BitmapData> pixels);

// A rectangle argument: any object with x, y, width and height; empty
// when it is not one.
std::optional<swf::PixelRect> rect_argument(Activation& act, const Value& v);
// A point argument: any object with x and y.
std::optional<swf::PixelPoint> point_argument(Activation& act, const Value& v);
// A colour argument as 0xAARRGGBB.
std::uint32_t color_argument(Activation& act, const Value& v);

// The registration of each part of the class on its prototype.
class ClassBuilder;
void add_bitmap_data_copying(ClassBuilder& bitmap);
void add_bitmap_data_queries(ClassBuilder& bitmap);
void add_bitmap_data_noise(ClassBuilder& bitmap);
void add_bitmap_data_drawing(ClassBuilder& bitmap);

}  // namespace strandel::avm1
