// Shapes on the stage: placement under ShowAll, fills that share edges,
// gradients, lines, winding rules and clip layers.
#include <gtest/gtest.h>

#include "render_support.h"

using namespace render_test;

namespace {

constexpr swfw::Rgba kRed = swfw::rgb(255, 0, 0), kBlue = swfw::rgb(0, 0, 255),
                     kGreen = swfw::rgb(0, 255, 0);

// A 100×100 pixel stage on grey with one 20×20 pixel red square at (40, 40).
swfw::Movie red_square_movie() {
  swfw::Movie m(8, 100, 100, 12);
  m.background(128, 128, 128);
  m.define_shape(1, swfw::rect_shape(400, 400, kRed));
  m.place(1, 1, swfw::Matrix::translate(800, 800));
  m.show_frame();
  return m;
}

TEST(ShowAll, SquareLandsWhereTheStageMapsIt) {
  auto r = render(red_square_movie(), 100, 100);
  EXPECT_TRUE(near(r.at(50, 50), 255, 0, 0)) << str(r.at(50, 50));
  EXPECT_TRUE(near(r.at(41, 41), 255, 0, 0));
  EXPECT_TRUE(near(r.at(38, 50), 128, 128, 128));
  EXPECT_TRUE(near(r.at(61, 50), 128, 128, 128));
}

TEST(ShowAll, WideWindowLetterboxesAndCentres) {
  // 300×150: scale 1.5, stage 150 px wide centred at x 75..225.
  auto r = render(red_square_movie(), 300, 150);
  EXPECT_TRUE(near(r.at(150, 75), 255, 0, 0)) << str(r.at(150, 75));
  EXPECT_TRUE(near(r.at(136, 62), 255, 0, 0));   // 75 + 40·1.5 = 135
  EXPECT_TRUE(near(r.at(133, 75), 128, 128, 128));
  EXPECT_TRUE(near(r.at(20, 75), 128, 128, 128));  // letterbox shows the background
  EXPECT_TRUE(near(r.at(290, 140), 128, 128, 128));
  EXPECT_EQ(r.at(20, 75).a, 255);
}

TEST(ShowAll, MatrixScalesAndCentres) {
  strandel::swf::Rect stage{0, 2000, 0, 1000};  // 100×50 px
  auto m = strandel::swf::show_all(stage, 400, 400);
  EXPECT_DOUBLE_EQ(m.a, 0.2);  // 4× in pixels, 1/20 per twip
  EXPECT_DOUBLE_EQ(m.d, 0.2);
  EXPECT_DOUBLE_EQ(m.tx, 0);
  EXPECT_DOUBLE_EQ(m.ty, 100);
}

// Two regions split by a zigzag edge: A on its left (fill1, walking down),
// B on its right (fill0). B's other edges come first and in pieces, so B
// only closes correctly when the shared edge is reversed and joined.
swfw::Shape zigzag_shape() {
  swfw::Shape s(2);
  auto a = s.add_fill(swfw::FillStyle::solid(kRed));
  auto b = s.add_fill(swfw::FillStyle::solid(kBlue));
  s.set_fill0(0).set_fill1(b).move_to(2000, 1000).line_to(1000, 1000);
  s.set_fill1(a).move_to(1000, 0).set_fill0(b).line_to(1500, 500).line_to(1000, 1000);
  s.set_fill0(0).line_to(0, 1000).line_to(0, 0).line_to(1000, 0);
  s.set_fill1(b).move_to(1000, 0).line_to(2000, 0).line_to(2000, 1000);
  return s;
}

TEST(Shape, EdgeBorderingTwoFillsPaintsBoth) {
  swfw::Movie m(8, 100, 50, 12);
  m.background(255, 255, 255);
  m.define_shape(1, zigzag_shape());
  m.place(1, 1);
  m.show_frame();
  auto r = render(m, 100, 50);
  EXPECT_TRUE(near(r.at(20, 25), 255, 0, 0)) << str(r.at(20, 25));   // A
  EXPECT_TRUE(near(r.at(65, 25), 255, 0, 0)) << str(r.at(65, 25));   // A's point into B
  EXPECT_TRUE(near(r.at(90, 25), 0, 0, 255)) << str(r.at(90, 25));   // B
  EXPECT_TRUE(near(r.at(60, 5), 0, 0, 255)) << str(r.at(60, 5));     // B above the point
  EXPECT_TRUE(near(r.at(60, 45), 0, 0, 255)) << str(r.at(60, 45));   // B below it
}

TEST(Shape, HoleDrawnWithFill0IsLeftEmpty) {
  swfw::Movie m(8, 100, 100, 12);
  m.background(255, 255, 255);
  swfw::Shape s(3);
  auto f = s.add_fill(swfw::FillStyle::solid(kGreen));
  s.set_fill1(f).rect(0, 0, 2000, 2000);
  // The hole walks the same way as the outside but has the fill on its left.
  s.set_fill1(0).set_fill0(f).move_to(500, 500).line_to(1500, 500).line_to(1500, 1500)
      .line_to(500, 1500).line_to(500, 500);
  m.define_shape(1, s);
  m.place(1, 1);
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(10, 10), 0, 255, 0));
  EXPECT_TRUE(near(r.at(50, 50), 255, 255, 255)) << str(r.at(50, 50));
}

// DefineShape4 with UsesFillWindingRule: two overlapping squares walked the
// same way fill their overlap; without the flag (even-odd) it is a hole.
void overlapping_squares(swfw::Movie& m, std::uint16_t id, bool winding) {
  swfw::Shape s(4);
  auto f = s.add_fill(swfw::FillStyle::solid(kBlue));
  s.set_fill1(f).rect(0, 0, 1000, 1000).rect(500, 500, 1000, 1000);
  swfw::Writer w;
  w.u16(id);
  w.rect(s.bounds());
  w.rect(s.edge_bounds());
  w.u8(winding ? 0x05 : 0x01);
  w.append(s.shape_with_style());
  m.tag(swfw::tag::DefineShape4, w.take());
}

TEST(Shape, WindingRuleOfDefineShape4) {
  swfw::Movie m(10, 200, 100, 12);
  m.background(255, 255, 255);
  overlapping_squares(m, 1, true);
  overlapping_squares(m, 2, false);
  m.place(1, 1);
  m.place(2, 2, swfw::Matrix::translate(2000, 0));
  m.show_frame();
  auto r = render(m, 200, 100);
  EXPECT_TRUE(near(r.at(37, 37), 0, 0, 255)) << str(r.at(37, 37));
  EXPECT_TRUE(near(r.at(137, 37), 255, 255, 255)) << str(r.at(137, 37));
  EXPECT_TRUE(near(r.at(110, 10), 0, 0, 255));
}

TEST(Shape, LinearGradientEndsShowTheirColours) {
  swfw::Movie m(8, 200, 50, 12);
  m.background(0, 0, 0);
  swfw::Shape s(2);
  swfw::Gradient g;
  g.records = {{0, kRed}, {255, kBlue}};
  auto f = s.add_fill(swfw::FillStyle::linear(swfw::gradient_box(0, 0, 4000, 1000), g));
  s.set_fill1(f).rect(0, 0, 4000, 1000);
  m.define_shape(1, s);
  m.place(1, 1);
  m.show_frame();
  auto r = render(m, 200, 50);
  EXPECT_TRUE(near(r.at(1, 25), 255, 0, 0, 10)) << str(r.at(1, 25));
  EXPECT_TRUE(near(r.at(198, 25), 0, 0, 255, 10)) << str(r.at(198, 25));
  auto mid = r.at(100, 25);
  EXPECT_GT(mid.r, 90);
  EXPECT_GT(mid.b, 90);
}

TEST(Shape, RadialGradientCentreAndEdge) {
  swfw::Movie m(8, 100, 100, 12);
  m.background(0, 0, 0);
  swfw::Shape s(3);
  swfw::Gradient g;
  g.records = {{0, kGreen}, {255, kRed}};
  auto f = s.add_fill(swfw::FillStyle::radial(swfw::gradient_box(0, 0, 2000, 2000), g));
  s.set_fill1(f).rect(0, 0, 2000, 2000);
  m.define_shape(1, s);
  m.place(1, 1);
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(50, 50), 0, 255, 0, 12)) << str(r.at(50, 50));
  EXPECT_TRUE(near(r.at(1, 1), 255, 0, 0, 12)) << str(r.at(1, 1));  // padded beyond the circle
}

TEST(Shape, LineIsStrokedWithItsColourAndWidth) {
  swfw::Movie m(8, 100, 100, 12);
  m.background(255, 255, 255);
  swfw::Shape s(3);
  swfw::LineStyle l;
  l.width = 200;  // 10 px
  l.colour = kBlue;
  s.set_line(s.add_line(l)).move_to(200, 1000).line_to(1800, 1000);
  m.define_shape(1, s);
  m.place(1, 1);
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(50, 50), 0, 0, 255)) << str(r.at(50, 50));
  EXPECT_TRUE(near(r.at(50, 46), 0, 0, 255));
  EXPECT_TRUE(near(r.at(50, 40), 255, 255, 255));
}

TEST(Shape, ColourTransformChangesSolidFill) {
  swfw::Movie m(8, 100, 100, 12);
  m.background(0, 0, 0);
  m.define_shape(1, swfw::rect_shape(2000, 2000, kRed));
  swfw::Cxform cx;
  cx.rm = 0.5;
  cx.ga = 100;
  m.place(1, 1, {}, cx);
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(50, 50), 127, 100, 0, 3)) << str(r.at(50, 50));
}

TEST(ClipLayer, MasksTheDepthsItCoversOnly) {
  swfw::Movie m(8, 100, 100, 12);
  m.background(255, 255, 255);
  m.define_shape(1, swfw::rect_shape(1000, 1000, kGreen));  // mask: top-left quarter
  m.define_shape(2, swfw::rect_shape(2000, 1000, kRed));    // masked: top half
  m.define_shape(3, swfw::rect_shape(2000, 1000, kBlue));   // above the clip: bottom half
  m.place(1, 1, {}, {}, "", 2);
  m.place(2, 2);
  m.place(3, 3, swfw::Matrix::translate(0, 1000));
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(25, 25), 255, 0, 0)) << str(r.at(25, 25));
  EXPECT_TRUE(near(r.at(75, 25), 255, 255, 255)) << str(r.at(75, 25));  // clipped away
  EXPECT_TRUE(near(r.at(75, 75), 0, 0, 255));                          // not covered by the clip
}

TEST(Sprite, ContentIsDrawnWithItsParentsMatrix) {
  swfw::Movie m(8, 100, 100, 12);
  m.background(255, 255, 255);
  m.define_shape(1, swfw::rect_shape(400, 400, kRed));
  swfw::Sprite sprite;
  sprite.place(1, 1, swfw::Matrix::translate(200, 0));
  sprite.show_frame();
  m.define_sprite(2, sprite);
  m.place(1, 2, swfw::Matrix::scale(2, 2, 400, 1000));  // content at (400+400, 1000), 800 wide
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(60, 70), 255, 0, 0)) << str(r.at(60, 70));
  EXPECT_TRUE(near(r.at(38, 60), 255, 255, 255));
  EXPECT_TRUE(near(r.at(82, 60), 255, 255, 255));
}

}  // namespace
