// Hostile drawing input: filters at their extremes, morph shapes whose two
// outlines disagree, fonts whose glyph ranges overlap, endless markup and
// masks that mask themselves. Each movie must draw within its caps and show
// something sensible or nothing.
#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <string>
#include <vector>

#include "render_support.h"
#include "swf/bytes.h"
#include "swf/font.h"

using namespace render_test;

namespace {

constexpr swfw::Rgba kRed = swfw::rgb(255, 0, 0);

// True when every pixel is the white background with some red over it:
// what any amount of blurring, masking or morphing of a red shape shows.
bool only_red_over_white(const Rendered& r) {
  for (int y = 0; y < r.image->height(); ++y)
    for (int x = 0; x < r.image->width(); ++x) {
      Pixel p = r.at(x, y);
      if (p.r < 250 || p.g != p.b || p.a != 255) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << str(p);
        return false;
      }
    }
  return true;
}

int count_red(const Rendered& r) {
  int n = 0;
  for (int y = 0; y < r.image->height(); ++y)
    for (int x = 0; x < r.image->width(); ++x) n += near(r.at(x, y), 255, 0, 0, 30);
  return n;
}

swfw::Movie white_stage(int w = 100, int h = 100) {
  swfw::Movie m(8, w, h, 12);
  m.background(255, 255, 255);
  return m;
}

// A convolution filter record (id 5): `columns` × `rows` cells of `cell`.
swfw::Bytes convolution_filter(int columns, int rows, float cell, float divisor) {
  swfw::Writer w;
  w.u8(5);
  w.u8(static_cast<std::uint8_t>(columns));
  w.u8(static_cast<std::uint8_t>(rows));
  w.f32(divisor);
  w.f32(0);
  for (int i = 0; i < columns * rows; ++i) w.f32(cell);
  w.rgba(swfw::rgba(0, 0, 0, 0));
  w.u8(0x02);  // clamp
  return w.take();
}

TEST(BadInput, FiltersAtTheirExtremesStayBoundedAndDrawTheShape) {
  swfw::Movie m = white_stage(200, 100);
  m.define_shape(1, swfw::rect_shape(1000, 1000, kRed));
  // The largest blur the record holds, more passes than any quality level.
  swfw::Place huge;
  huge.depth = 1;
  huge.character = 1;
  huge.matrix = swfw::Matrix::translate(500, 500);
  huge.filters = {swfw::blur_filter(65535.99, 65535.99, 31)};
  m.place3(huge);
  // A colour matrix of infinities and a convolution with a zero divisor
  // leave the shape as it is.
  swfw::Place odd;
  odd.depth = 2;
  odd.character = 1;
  odd.matrix = swfw::Matrix::translate(2500, 500);
  float inf = std::numeric_limits<float>::infinity();
  odd.filters = {swfw::color_matrix_filter(std::vector<float>(20, inf)),
                 convolution_filter(1, 1, 1, 0)};
  m.place3(odd);
  // The longest list a record holds, each filter as costly as it can be.
  swfw::Place many;
  many.depth = 3;
  many.character = 1;
  many.matrix = swfw::Matrix::translate(1000, 1000);
  swfw::FilterOptions o;
  o.blur_x = o.blur_y = 255;
  o.passes = 15;
  o.distance = 1e4;
  for (int i = 0; many.filters.size() < 255; ++i) {
    if (i % 3 == 0) many.filters.push_back(swfw::blur_filter(255, 255, 31));
    if (i % 3 == 1) many.filters.push_back(swfw::glow_filter(kRed, o));
    if (i % 3 == 2) many.filters.push_back(convolution_filter(255, 3, 1, 765));
  }
  m.place3(many);
  m.show_frame();
  Rendered r = render(m, 200, 100);
  ASSERT_TRUE(r.player);
  EXPECT_TRUE(only_red_over_white(r));
  EXPECT_TRUE(near(r.at(150, 50), 255, 0, 0)) << str(r.at(150, 50));
}

TEST(BadInput, AScriptsListOfTwentyThousandFiltersStopsAtTheWorkCap) {
  swfw::Movie m = white_stage(200, 100);
  m.define_shape(1, swfw::rect_shape(1000, 1000, kRed));
  swfw::Sprite box;
  box.place(1, 1);
  box.show_frame();
  m.define_sprite(2, box);
  m.place(1, 2, swfw::Matrix::translate(1500, 500), {}, "box");
  namespace op = swfw::op;
  swfw::Actions a, test, body;
  // f = new flash.filters.BlurFilter(2, 2, 1); list = [];
  a.push_string("f").push_int(1).push_int(2).push_int(2).push_int(3);
  a.push_string("flash").get_variable().push_string("filters").op(op::GetMember);
  a.push_string("BlurFilter").op(0x53).set_variable();        // NewMethod
  a.push_string("list").push_int(0).op(0x42).set_variable();  // InitArray
  // for (i = 0; i < 20000; ++i) list[i] = f;
  test.push_string("i").get_variable().push_int(20000).op(op::Less2).op(op::Not);
  body.push_string("list").get_variable().push_string("i").get_variable();
  body.push_string("f").get_variable().op(op::SetMember);
  body.push_string("i").push_string("i").get_variable().op(op::Increment).set_variable();
  auto rest = static_cast<std::int16_t>(body.size() + 5);
  a.push_string("i").push_int(0).set_variable();
  a.raw(test.bytes()).if_true(rest).raw(body.bytes());
  a.jump(static_cast<std::int16_t>(-(test.size() + 5 + rest)));
  // box.filters = list;
  a.push_string("box").get_variable().push_string("filters").push_string("list").get_variable();
  a.op(op::SetMember);
  m.do_action(a);
  m.show_frame();
  Rendered r = render(m, 200, 100);
  ASSERT_TRUE(r.player);
  EXPECT_TRUE(only_red_over_white(r));
  // Every small blur drawn would spread the box to nothing; those within
  // the cap leave it showing.
  Pixel centre = r.at(100, 50);
  EXPECT_LT(centre.g, 250) << "the blurred box shows: " << str(centre);
}

// A DefineMorphShape of one fill, red at the start and at the end: its
// start outline is a square of `side` twips, its end outline `end`.
swfw::Bytes morph_body(std::uint16_t id, std::int32_t side, const swfw::Shape& end,
                       std::uint32_t end_offset_extra = 0) {
  swfw::Shape start;
  start.set_fill0(1);
  start.rect(0, 0, side, side);
  swfw::Bytes start_edges = start.glyph_shape();
  swfw::Writer styles;
  styles.u8(1);  // one fill
  styles.u8(0x00);
  styles.rgba(kRed);
  styles.rgba(kRed);
  styles.u8(0);  // no lines
  swfw::Writer w;
  w.u16(id);
  w.rect(start.bounds());
  w.rect(end.bounds());
  w.u32(static_cast<std::uint32_t>(styles.size() + start_edges.size() + end_offset_extra));
  w.append(styles.take());
  w.append(start_edges);
  w.append(end.glyph_shape());
  return w.take();
}

TEST(BadInput, MorphShapesWhoseOutlinesDisagreeDrawAtEveryRatio) {
  swfw::Movie m = white_stage();
  swfw::Shape shorter;  // one edge where the start has four
  shorter.set_fill0(1);
  shorter.move_to(0, 0);
  shorter.line_to(1000, 0);
  swfw::Shape longer;  // far more edges, out to the largest coordinates
  longer.set_fill0(1);
  longer.move_to(0, 0);
  longer.move_to(1 << 29, -(1 << 29));
  for (int i = 0; i < 50; ++i) longer.line_to((1 << 29) + (i % 2 ? -30000 : 30000), i * 1000);
  m.tag(swfw::tag::DefineMorphShape, morph_body(1, 1000, shorter));
  m.tag(swfw::tag::DefineMorphShape, morph_body(2, 1000, longer));
  // End edges said to start past the end of the tag.
  m.tag(swfw::tag::DefineMorphShape, morph_body(3, 1000, shorter, 1u << 30));
  std::uint16_t depth = 1;
  for (std::uint16_t id : {1, 2, 3})
    for (std::uint16_t ratio : {0, 1, 32768, 65535}) {
      swfw::Place p;
      p.depth = depth++;
      p.character = id;
      p.ratio = ratio;
      p.matrix = swfw::Matrix::translate(ratio ? 1000 : 0, ratio ? 1000 : 0);
      m.place(p);
    }
  m.show_frame();
  Rendered r = render(m, 100, 100);
  ASSERT_TRUE(r.player);
  // At ratio 0 every morph is its start square, whatever its end says.
  EXPECT_TRUE(near(r.at(25, 25), 255, 0, 0)) << str(r.at(25, 25));
  EXPECT_TRUE(only_red_over_white(r));
}

// DefineFont2 with wide offsets: `count` glyph offsets alternating between
// the start and the end of one long glyph outline, so that every other
// glyph's range covers the whole outline.
swfw::Bytes overlapping_font_body(std::uint16_t id, std::size_t count, const swfw::Bytes& glyph) {
  swfw::Writer w;
  w.u16(id);
  w.u8(0x08);  // wide offsets, no layout
  w.u8(0);     // language
  w.u8(0);     // no name
  w.u16(static_cast<std::uint16_t>(count));
  auto table_size = static_cast<std::uint32_t>((count + 1) * 4);
  auto glyph_end = static_cast<std::uint32_t>(table_size + glyph.size());
  for (std::size_t i = 0; i < count; ++i) w.u32(i % 2 ? glyph_end : table_size);
  w.u32(glyph_end);  // the code table follows the outline
  w.append(glyph);
  for (std::size_t i = 0; i < count; ++i) w.u16(static_cast<std::uint16_t>('A' + i % 26));
  return w.take();
}

TEST(BadInput, FontWhoseGlyphRangesOverlapReadsItsOutlinesOnce) {
  swfw::Shape zigzag(1);  // a square and thousands of edges that add nothing
  zigzag.set_fill0(1);
  zigzag.rect(0, -1000, 1000, 1000);
  zigzag.move_to(0, 0);  // then back and forth along the square's foot
  for (int i = 0; i < 4000; ++i) zigzag.line_to(i % 2 ? 0 : 1000, 0);
  swfw::Bytes glyph = zigzag.glyph_shape();
  swfw::Bytes body = overlapping_font_body(1, 65535, glyph);
  strandel::swf::ByteReader in(std::span<const std::uint8_t>(body).subspan(2));
  auto font = strandel::swf::read_define_font2(in, 2);
  ASSERT_EQ(font.glyphs.size(), 65535u);
  ASSERT_FALSE(font.glyphs[0].empty());
  // The outlines grow with the tag, not with the glyphs that share its
  // bytes: read glyph by glyph they would take gigabytes.
  std::size_t total = 0;
  for (const auto& g : font.glyphs) total += g.size();
  EXPECT_LT(total, 4 * body.size());

  // The font still draws its first glyph in static text.
  swfw::Movie m = white_stage();
  m.tag(swfw::tag::DefineFont2, body);
  swfw::Text t;
  swfw::TextRecord line;
  line.font = 1;
  line.height = 512;
  line.colour = kRed;
  line.x = 200;
  line.y = 1600;
  line.glyphs = {{0, 600}, {2, 600}, {65534, 600}, {65535, 600}, {0xFFFFFF, 600}};
  t.records = {line};
  t.bounds = {0, 2000, 0, 2000};
  m.define_text2(2, t);
  m.place(1, 2);
  m.show_frame();
  Rendered r = render(m, 100, 100);
  ASSERT_TRUE(r.player);
  EXPECT_GT(count_red(r), 50);
  EXPECT_TRUE(only_red_over_white(r));
}

TEST(BadInput, TextFieldsWithEndlessMarkupDrawTheirText) {
  swfw::Movie m = white_stage(200, 100);
  m.define_font2(1, swfw::device_font("_sans"));
  std::string html;
  for (int i = 0; i < 3000; ++i) html += "<p><font color=\"#FF0000\" size=\"+1\"><b><i><u>";
  for (int i = 0; i < 3000; ++i) html += "</li></textformat></p>x<br>";
  html += "</font></font>";
  swfw::EditText e;
  e.bounds = {0, 4000, 0, 2000};
  e.font = 1;
  e.height = 240;
  e.colour = kRed;
  e.html = e.multiline = e.word_wrap = true;
  e.text = html;
  m.define_edit_text(2, e);
  m.place(1, 2);
  // The same markup as plain text: one line far wider than the stage.
  e.html = e.multiline = e.word_wrap = false;
  m.define_edit_text(3, e);
  m.place(2, 3, swfw::Matrix::translate(0, 1000));
  m.show_frame();
  Rendered r = render(m, 200, 100);
  ASSERT_TRUE(r.player);
  EXPECT_GT(count_red(r), 20);
  EXPECT_TRUE(only_red_over_white(r));
}

TEST(BadInput, MasksThatMaskThemselvesDrawWithinTheNestingCap) {
  swfw::Movie m = white_stage();
  m.define_shape(1, swfw::rect_shape(1000, 1000, kRed));
  // Sprite 2 masks its square with itself, so the clip layer holds the
  // sprite within the sprite, as deep as it goes.
  swfw::Sprite self;
  self.place(1, 2, {}, {}, "", 2);
  self.place(2, 1);
  self.show_frame();
  m.define_sprite(2, self);
  // Sprite 3 holds the square; each sprite above it masks four copies of
  // the one below with four more, so each level draws eight of the next.
  swfw::Sprite leaf;
  leaf.place(1, 1);
  leaf.show_frame();
  m.define_sprite(3, leaf);
  for (std::uint16_t id = 4; id <= 9; ++id) {
    swfw::Sprite fan;
    for (std::uint16_t d = 1; d <= 8; d += 2) {
      fan.place(d, id - 1, {}, {}, "", d + 1);
      fan.place(d + 1, id - 1);
    }
    fan.show_frame();
    m.define_sprite(id, fan);
  }
  m.place(1, 2);
  m.place(2, 4, swfw::Matrix::translate(1000, 0));  // one level: the square
  m.place(3, 9, swfw::Matrix::translate(0, 1000));
  // A clip layer at the top depth masks nothing and is not drawn.
  m.place(4, 1, swfw::Matrix::translate(1000, 1000), {}, "", 5);
  m.show_frame();
  Rendered r = render(m, 100, 100, 3);
  ASSERT_TRUE(r.player);
  EXPECT_TRUE(near(r.at(75, 25), 255, 0, 0)) << str(r.at(75, 25));
  EXPECT_TRUE(near(r.at(75, 75), 255, 255, 255)) << str(r.at(75, 75));
  EXPECT_TRUE(only_red_over_white(r));
}

// DefineVideoStream: `frames` frames of width × height in the codec.
swfw::Bytes video_stream(std::uint16_t id, std::uint16_t frames, std::uint16_t width,
                         std::uint16_t height, std::uint8_t codec) {
  swfw::Writer w;
  w.u16(id);
  w.u16(frames);
  w.u16(width);
  w.u16(height);
  w.u8(0x01);  // smoothing
  w.u8(codec);
  return w.take();
}

// VideoFrame: the stream, the frame number and bytes that are no picture.
swfw::Bytes garbage_frame(std::uint16_t stream, std::uint16_t number) {
  swfw::Writer w;
  w.u16(stream);
  w.u16(number);
  for (int i = 0; i < 300; ++i) w.u8(static_cast<std::uint8_t>(i * 37 + number));
  return w.take();
}

TEST(BadInput, VideoOfGarbageAndHugeOrUnknownStreamsDrawsAroundIt) {
  swfw::Movie m = white_stage();
  m.tag(60, video_stream(1, 100, 320, 240, 2));     // Sorenson H.263
  m.tag(60, video_stream(2, 10, 65535, 65535, 4));  // VP6, far too large
  m.tag(60, video_stream(3, 10, 64, 64, 9));        // no such codec
  for (std::uint16_t stream : {1, 2, 3})
    for (std::uint16_t n : {0, 1, 2, 50, 99, 65535}) m.tag(61, garbage_frame(stream, n));
  m.define_shape(4, swfw::rect_shape(1000, 1000, kRed));
  for (std::uint16_t stream : {1, 2, 3}) {
    swfw::Place p;
    p.depth = stream;
    p.character = stream;
    p.ratio = 0;
    p.matrix = swfw::Matrix::scale(0.1, 0.1, 0, 1000);
    m.place(p);
  }
  m.place(4, 4);
  m.show_frame();
  // The frames shown jump forwards, back and past the end of each stream.
  for (std::uint16_t ratio : {99, 1, 65535, 50}) {
    for (std::uint16_t stream : {1, 2, 3}) {
      swfw::Place p;
      p.depth = stream;
      p.move = true;
      p.ratio = ratio;
      m.place(p);
    }
    m.show_frame();
  }
  auto player = play(m);
  ASSERT_TRUE(player);
  Image image(100, 100);
  for (int frame = 0; frame < 5; ++frame) {
    draw(*player, image);
    player->advance();
  }
  EXPECT_TRUE(near(image.at(25, 25), 255, 0, 0)) << str(image.at(25, 25));
  EXPECT_TRUE(near(image.at(75, 25), 255, 255, 255)) << str(image.at(75, 25));
}

}  // namespace
