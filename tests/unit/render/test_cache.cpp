// The shape cache: frames copied from cached images match frames drawn from
// scratch, follow moved objects and let go of replaced shapes.
#include <gtest/gtest.h>

#include <cmath>

#include "render_support.h"

using namespace render_test;

namespace {

swfw::Movie scene() {
  swfw::Movie m(8, 160, 120, 12);
  m.background(20, 30, 40);
  for (std::uint16_t i = 1; i <= 6; ++i) {
    swfw::Shape s(3);
    swfw::Gradient g;
    g.records = {{0, swfw::rgb(255, 40 * i, 0)}, {255, swfw::rgba(0, 80, 255 - 30 * i, 200)}};
    auto f = s.add_fill(i % 2 ? swfw::FillStyle::linear(swfw::gradient_box(0, 0, 900, 700), g)
                              : swfw::FillStyle::radial(swfw::gradient_box(0, 0, 900, 700), g));
    swfw::LineStyle l;
    l.width = 30;
    l.colour = swfw::rgb(250, 250, 250);
    s.set_fill1(f).set_line(s.add_line(l)).rect(0, 0, 900, 700);
    m.define_shape(i, s);
    m.place(i, i, swfw::Matrix::rotate(0.3 * i, 300 + 430 * i + 7, 200 + 250 * i + 3));
  }
  m.show_frame();
  return m;
}

void draw_list(const strandel::swf::Player& p, const strandel::swf::DisplayList& list, Image& img,
               strandel::swf::RenderCache* cache) {
  cairo_t* cr = cairo_create(img.surface());
  strandel::swf::render_frame(cr, img.width(), img.height(), p.dictionary(), list, p.stage(),
                              p.background(), cache);
  cairo_destroy(cr);
}

// Pixels whose channels differ by more than a few levels.
int differing_pixels(const Image& a, const Image& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      Pixel p = a.at(x, y), q = b.at(x, y);
      n += std::abs(p.r - q.r) > 24 || std::abs(p.g - q.g) > 24 || std::abs(p.b - q.b) > 24;
    }
  return n;
}

TEST(RenderCache, CopiedFramesMatchDrawnFrames) {
  auto p = play(scene());
  ASSERT_TRUE(p);
  strandel::swf::DisplayList list = p->display_list();
  strandel::swf::RenderCache cache;
  Image direct(160, 120), cached(160, 120);
  draw_list(*p, list, direct, nullptr);
  for (int i = 0; i < 3; ++i) draw_list(*p, list, cached, &cache);
  EXPECT_GT(cache.pixels(), 0u);
  EXPECT_LT(differing_pixels(direct, cached), 160 * 120 / 100);  // edges may shift 1/16 pixel
}

TEST(RenderCache, MovedObjectsAreCopiedToTheirNewPlace) {
  auto p = play(scene());
  strandel::swf::DisplayList list = p->display_list();
  strandel::swf::RenderCache cache;
  Image cached(160, 120), direct(160, 120);
  for (int i = 0; i < 3; ++i) draw_list(*p, list, cached, &cache);
  for (auto& [depth, obj] : list)
    obj->matrix.tx += 200 + (depth - strandel::swf::kTimelineDepthOffset) * 20;  // whole pixels
  draw_list(*p, list, cached, &cache);
  draw_list(*p, list, direct, nullptr);
  EXPECT_LT(differing_pixels(direct, cached), 160 * 120 / 100);
}

TEST(RenderCache, ForgetsShapesOfADictionaryThatIsGone) {
  strandel::swf::RenderCache cache;
  {
    auto p = play(scene());
    strandel::swf::DisplayList list = p->display_list();
    Image img(160, 120);
    for (int i = 0; i < 3; ++i) draw_list(*p, list, img, &cache);
    EXPECT_GT(cache.pixels(), 0u);
  }
  // A new movie whose shapes may sit at the same addresses draws its own.
  swfw::Movie m(8, 160, 120, 12);
  m.define_shape(1, swfw::rect_shape(3200, 2400, swfw::rgb(0, 255, 0)));
  m.place(1, 1);
  m.show_frame();
  auto p = play(m);
  strandel::swf::DisplayList list = p->display_list();
  Image img(160, 120);
  for (int i = 0; i < 3; ++i) draw_list(*p, list, img, &cache);
  EXPECT_TRUE(near(img.at(80, 60), 0, 255, 0)) << str(img.at(80, 60));
}

}  // namespace
