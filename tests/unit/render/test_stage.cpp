// The stage in its area: each scale mode, with a stage rectangle that does
// not start at 0,0.
#include <gtest/gtest.h>

#include "swf/renderer.h"

namespace strandel::swf {
namespace {

TEST(Stage, ScaleModesPlaceTheStagesCornersAndKeepItsOrigin) {
  Rect stage{-2000, 6000, 1000, 5000};  // 400 × 200 px from (-100, 50)
  auto corner = [&](ScaleMode mode, double x, double y) {
    return stage_transform(stage, 800, 800, mode).apply(x, y);
  };
  // ShowAll: twice the size, centred vertically.
  Point p = corner(ScaleMode::ShowAll, -2000, 1000);
  EXPECT_DOUBLE_EQ(p.x, 0);
  EXPECT_DOUBLE_EQ(p.y, 200);
  p = corner(ScaleMode::ShowAll, 6000, 5000);
  EXPECT_DOUBLE_EQ(p.x, 800);
  EXPECT_DOUBLE_EQ(p.y, 600);
  // NoBorder: four times, the sides cut.
  p = corner(ScaleMode::NoBorder, -2000, 1000);
  EXPECT_DOUBLE_EQ(p.x, -400);
  EXPECT_DOUBLE_EQ(p.y, 0);
  // ExactFit: stretched to the area.
  p = corner(ScaleMode::ExactFit, 6000, 5000);
  EXPECT_DOUBLE_EQ(p.x, 800);
  EXPECT_DOUBLE_EQ(p.y, 800);
  // NoScale: pixel for pixel, centred.
  p = corner(ScaleMode::NoScale, -2000, 1000);
  EXPECT_DOUBLE_EQ(p.x, 200);
  EXPECT_DOUBLE_EQ(p.y, 300);
  EXPECT_EQ(scale_mode_named("noBorder"), ScaleMode::NoBorder);
  EXPECT_EQ(scale_mode_named("showall"), ScaleMode::ShowAll);
  EXPECT_EQ(scale_mode_named("bogus"), ScaleMode::ShowAll);
  EXPECT_FALSE(antialias_for_quality("LOW"));
  EXPECT_TRUE(antialias_for_quality("High"));
}

}  // namespace
}  // namespace strandel::swf
