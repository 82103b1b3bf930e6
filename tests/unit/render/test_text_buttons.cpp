// Static text from embedded fonts, edit text with a system font, and
// buttons: their states and hit testing.
#include <gtest/gtest.h>

#include "render_support.h"
#include "swf/font.h"
#include "swf/hit_test.h"

using namespace render_test;

namespace {

// Pixels in [x0,x1)×[y0,y1) that are close to the colour.
int count_near(const Rendered& r, int x0, int y0, int x1, int y1, int cr, int cg, int cb) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += near(r.at(x, y), cr, cg, cb, 40);
  return n;
}

// "HELLO" 40 px high in red at (20, 70) px on a 200×100 white stage.
swfw::Movie static_text_movie(bool font3) {
  int em = font3 ? 20480 : 1024;
  swfw::Font font = swfw::blocky_font(em);
  swfw::Movie m(8, 200, 100, 12);
  m.background(255, 255, 255);
  if (font3)
    m.define_font3(1, font);
  else
    m.define_font2(1, font);
  swfw::Text t;
  t.records.push_back(swfw::text_line(font, 1, "HELLO", 800, swfw::rgb(255, 0, 0), 400, 1400, em));
  t.bounds = {400, 400 + swfw::text_width(font, "HELLO", 800, em), 600, 1400};
  m.define_text2(2, t);
  m.place(1, 2);
  m.show_frame();
  return m;
}

void expect_text_in_its_box(const Rendered& r) {
  int inside = count_near(r, 20, 30, 200, 71, 255, 0, 0);
  EXPECT_GT(inside, 300);  // five letters of 40 px make well over 300 red pixels
  EXPECT_EQ(count_near(r, 0, 0, 200, 28, 255, 0, 0), 0);
  EXPECT_EQ(count_near(r, 0, 73, 200, 100, 255, 0, 0), 0);
  EXPECT_EQ(count_near(r, 0, 0, 18, 100, 255, 0, 0), 0);
}

TEST(StaticText, DefineFont2GlyphsAppearInTheirBox) {
  expect_text_in_its_box(render(static_text_movie(false), 200, 100));
}

TEST(StaticText, DefineFont3GlyphsAreInTwentieths) {
  expect_text_in_its_box(render(static_text_movie(true), 200, 100));
}

TEST(StaticText, FontReaderKeepsCodesAndAdvances) {
  swfw::Movie m(8, 10, 10, 12);
  m.define_font2(1, swfw::blocky_font());
  auto p = play(m);
  const auto* f = p->dictionary().font(1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->glyphs.size(), f->codes.size());
  EXPECT_EQ(f->glyphs.size(), f->advances.size());
  int a = f->glyph_for('A');
  ASSERT_GE(a, 0);
  EXPECT_FALSE(f->glyphs[a].empty());
  EXPECT_GT(f->advances[a], 0);
}

TEST(EditText, DeviceTextIsDrawnInsideItsBounds) {
  swfw::Movie m(8, 200, 100, 12);
  m.background(255, 255, 255);
  m.define_font2(1, swfw::device_font("_sans"));
  swfw::EditText e;
  e.bounds = {0, 3000, 0, 1000};
  e.font = 1;
  e.height = 480;
  e.colour = swfw::rgb(0, 0, 255);
  e.text = "Hello world";
  m.define_edit_text(2, e);
  m.place(1, 2, swfw::Matrix::translate(400, 400));
  m.show_frame();
  auto r = render(m, 200, 100);
  EXPECT_GT(count_near(r, 20, 20, 170, 70, 0, 0, 255), 40);
  EXPECT_EQ(count_near(r, 0, 71, 200, 100, 0, 0, 255), 0);
  EXPECT_EQ(count_near(r, 171, 0, 200, 100, 0, 0, 255), 0);
}

TEST(EditText, HtmlTagsAreStrippedAndEntitiesDecoded) {
  using strandel::swf::html_to_plain;
  EXPECT_EQ(html_to_plain("<p align=\"left\"><font face=\"_sans\">A &amp; B</font></p><p>C</p>"),
            "A & B\nC");
  EXPECT_EQ(html_to_plain("x<br/>y &lt;z&gt;"), "x\ny <z>");
  EXPECT_EQ(strandel::swf::to_utf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(strandel::swf::to_utf8("caf\xC3\xA9"), "caf\xC3\xA9");
}

// A button: red square when up, green when over; its hit area is the square.
swfw::Movie button_movie() {
  swfw::Movie m(8, 100, 100, 12);
  m.background(255, 255, 255);
  m.define_shape(1, swfw::rect_shape(1000, 1000, swfw::rgb(255, 0, 0)));
  m.define_shape(2, swfw::rect_shape(1000, 1000, swfw::rgb(0, 255, 0)));
  swfw::Button b;
  b.records.push_back({swfw::ButtonRecord::Up | swfw::ButtonRecord::HitTest, 1, 1, {}, {}});
  b.records.push_back({swfw::ButtonRecord::Over | swfw::ButtonRecord::Down, 2, 1, {}, {}});
  b.actions.push_back({swfw::cond::release, swfw::Actions().stop()});
  b.actions.push_back({swfw::cond::IdleToOverUp, swfw::Actions().play()});
  m.define_button2(3, b);
  m.place(1, 3, swfw::Matrix::translate(500, 500));
  m.show_frame();
  return m;
}

TEST(Button, DrawsTheRecordsOfItsState) {
  auto p = play(button_movie());
  ASSERT_TRUE(p);
  strandel::swf::DisplayList list = p->display_list();
  Image up(100, 100), over(100, 100);
  auto draw_list = [&](Image& img) {
    cairo_t* cr = cairo_create(img.surface());
    strandel::swf::render_frame(cr, 100, 100, p->dictionary(), list, p->stage(), p->background());
    cairo_destroy(cr);
  };
  draw_list(up);
  EXPECT_TRUE(near(up.at(50, 50), 255, 0, 0)) << str(up.at(50, 50));
  list.begin()->second->button_state = strandel::swf::ButtonState::Over;
  draw_list(over);
  EXPECT_TRUE(near(over.at(50, 50), 0, 255, 0)) << str(over.at(50, 50));
  EXPECT_TRUE(near(over.at(20, 20), 255, 255, 255));
}

TEST(Button, HitTestFindsTheButtonAndItsActions) {
  auto p = play(button_movie());
  ASSERT_TRUE(p);
  strandel::swf::DisplayList list = p->display_list();
  auto hit = strandel::swf::button_at(p->dictionary(), list, 1000, 1000);  // stage twips
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit.object, list.begin()->second.get());
  EXPECT_EQ(hit.object->parent, p->root().get());
  ASSERT_EQ(hit.button->actions.size(), 2u);
  EXPECT_EQ(hit.button->actions[0].conditions, strandel::swf::button_condition::OverDownToOverUp);
  EXPECT_EQ(hit.button->actions[1].conditions, strandel::swf::button_condition::IdleToOverUp);
  EXPECT_EQ(hit.button->actions[0].actions.size(), 2u);  // Stop, End
  EXPECT_FALSE(strandel::swf::button_at(p->dictionary(), list, 300, 300));
  EXPECT_FALSE(strandel::swf::button_at(p->dictionary(), list, 1600, 1000));
}

TEST(Button, HitTestReachesIntoSprites) {
  swfw::Movie m(8, 100, 100, 12);
  m.define_shape(1, swfw::rect_shape(400, 400, swfw::rgb(255, 0, 0)));
  m.define_button(2, {{swfw::ButtonRecord::Up | swfw::ButtonRecord::HitTest, 1, 1, {}, {}}},
                  swfw::Actions().play());
  swfw::Sprite s;
  s.place(1, 2, swfw::Matrix::translate(100, 100));
  s.show_frame();
  m.define_sprite(3, s);
  m.place(5, 3, swfw::Matrix::translate(1000, 1000));
  m.show_frame();
  auto p = play(m);
  strandel::swf::DisplayList list = p->display_list();
  auto hit = strandel::swf::button_at(p->dictionary(), list, 1300, 1300);
  ASSERT_TRUE(hit);
  EXPECT_NE(hit.object->parent, p->root().get());
  ASSERT_EQ(hit.button->actions.size(), 1u);
  EXPECT_EQ(hit.button->actions[0].conditions, strandel::swf::button_condition::OverDownToOverUp);
  EXPECT_FALSE(strandel::swf::button_at(p->dictionary(), list, 1050, 1050));
}

}  // namespace

namespace {

// Found by the fuzzer: a button whose every record shows the button itself
// fans out exponentially unless drawing refuses to enter it again.
TEST(Button, SelfReferenceDrawsAndHitTestsOnce) {
  swfw::Movie m(8, 100, 100, 12);
  m.define_shape(1, swfw::rect_shape(1000, 1000, swfw::rgb(255, 0, 0)));
  swfw::Button b;
  b.records.push_back({swfw::ButtonRecord::Up, 1, 1, {}, {}});
  for (std::uint16_t i = 0; i < 8; ++i)
    b.records.push_back({swfw::ButtonRecord::Up | swfw::ButtonRecord::HitTest, 3,
                         static_cast<std::uint16_t>(2 + i), swfw::Matrix::translate(i, 0), {}});
  m.define_button2(3, b);
  m.place(1, 3);
  m.show_frame();
  auto r = render(m, 100, 100);
  EXPECT_TRUE(near(r.at(20, 20), 255, 0, 0));
  strandel::swf::DisplayList list = r.player->display_list();
  EXPECT_FALSE(strandel::swf::button_at(r.player->dictionary(), list, 500, 500));
}

}  // namespace

namespace {

// Rows [y0, y1) that hold any pixel of the colour.
bool band_has(const Rendered& r, int y0, int y1, int cr, int cg, int cb) {
  for (int y = y0; y < y1; ++y)
    for (int x = 0; x < r.image->width(); ++x)
      if (near(r.at(x, y), cr, cg, cb, 60)) return true;
  return false;
}

TEST(EditText, WordWrapBreaksLongLinesAndAlignsRight) {
  swfw::Movie m(8, 200, 200, 12);
  m.background(255, 255, 255);
  m.define_font2(1, swfw::device_font("_sans"));
  swfw::EditText e;
  e.bounds = {0, 2000, 0, 4000};  // 100 × 200 px
  e.font = 1;
  e.height = 400;  // 20 px
  e.colour = swfw::rgb(0, 0, 0);
  e.text = "alpha beta gamma delta epsilon zeta eta theta";
  e.word_wrap = e.multiline = true;
  e.layout = swfw::EditText::Layout{1, 0, 0, 0, 0};  // right aligned
  m.define_edit_text(2, e);
  m.place(1, 2);
  m.show_frame();
  auto r = render(m, 200, 200);
  EXPECT_TRUE(band_has(r, 0, 30, 0, 0, 0));
  EXPECT_TRUE(band_has(r, 30, 60, 0, 0, 0));   // wrapped onto a second line
  EXPECT_TRUE(band_has(r, 60, 90, 0, 0, 0));
  for (int y = 0; y < 200; ++y)                // nothing past the field's right edge
    for (int x = 100; x < 200; ++x) ASSERT_FALSE(near(r.at(x, y), 0, 0, 0, 60)) << x << "," << y;
}

}  // namespace
