// What a clip's drawing-API calls leave behind: the layers the renderer
// paints, the bounds scripts measure, the hit area, and the limits that keep
// a script drawing for ever from taking unbounded memory.
#include <gtest/gtest.h>

#include "swf/display_list.h"
#include "swf/drawing.h"
#include "swf/hit_test.h"

namespace strandel::swf {
namespace {

FillStyle solid() {
  FillStyle f;
  f.color = {255, 0, 0, 255};
  return f;
}

LineStyle line(std::uint16_t width) {
  LineStyle l;
  l.width = width;
  return l;
}

// A square of 100 twips at (0, 0), drawn with the pen.
void square(Drawing& d) {
  d.move_to(0, 0);
  d.line_to(100, 0);
  d.line_to(100, 100);
  d.line_to(0, 100);
}

TEST(Drawing, EachFillIsALayerWithTheLinesDrawnWhileItIsOpen) {
  Drawing d;
  d.set_line_style(line(20));
  d.move_to(0, 0);
  d.line_to(50, 50);  // before any fill: a layer of lines alone
  d.begin_fill(solid());
  square(d);
  d.end_fill();
  d.begin_fill(solid());
  d.line_to(10, 10);
  auto shape = d.shape();
  ASSERT_EQ(shape->layers.size(), 3u);
  EXPECT_TRUE(shape->layers[0].fills.empty());
  EXPECT_EQ(shape->layers[0].line_paths.size(), 1u);
  EXPECT_EQ(shape->layers[1].fills.size(), 1u);
  // The open fill is drawn closed, its closing edge stroked.
  EXPECT_EQ(shape->layers[2].fill_paths.size(), 1u);
  EXPECT_EQ(shape->layers[2].line_paths.size(), 1u);
  EXPECT_EQ(d.shape(), shape) << "unchanged drawings share their shape";
}

TEST(Drawing, BoundsHoldHalfTheWidestLineDrawn) {
  Drawing d;
  d.set_line_style(line(400));  // set but never drawn with
  d.set_line_style(line(40));
  square(d);
  Rect b = d.bounds();
  EXPECT_EQ(b.xmin, -20);
  EXPECT_EQ(b.ymin, -20);
  EXPECT_EQ(b.xmax, 120);
  EXPECT_EQ(b.ymax, 120);
  d.clear();
  EXPECT_TRUE(d.empty());
  d.move_to(500, 500);
  EXPECT_TRUE(d.empty()) << "moving the pen draws nothing";
}

TEST(Drawing, ClipsAreHitOnTheirDrawing) {
  Dictionary dict;
  DisplayObject clip;
  clip.kind = DisplayKind::MovieClip;
  clip.sprite = std::make_unique<SpriteInstance>();
  clip.drawing = std::make_shared<Drawing>();
  clip.drawing->begin_fill(solid());
  square(*clip.drawing);
  EXPECT_TRUE(object_at(dict, clip, {}, 50, 50));
  EXPECT_FALSE(object_at(dict, clip, {}, 150, 50));
}

TEST(Drawing, EndlessDrawingIsBounded) {
  Drawing d;
  d.set_line_style(line(20));
  for (int i = 0; i < 3'000'000; ++i) d.line_to(i % 1000, i % 7);
  for (int i = 0; i < 200'000; ++i) d.begin_fill(solid());
  auto shape = d.shape();
  std::size_t data = 0;
  for (const ShapeLayer& layer : shape->layers) {
    for (const Path& p : layer.line_paths) data += p.size();
    for (const Path& p : layer.fill_paths) data += p.size();
  }
  EXPECT_LT(shape->layers.size(), 100'000u);
  EXPECT_LT(data, 5'000'000u);
}

}  // namespace
}  // namespace strandel::swf
