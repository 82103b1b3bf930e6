// The text field model: the HTML subset read into spans and written back,
// and the layout that scripts measure (textWidth, lines).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "swf/dictionary.h"
#include "swf/html_text.h"
#include "swf/text_field.h"

namespace strandel::swf {
namespace {

std::string plain(const std::vector<TextSpan>& spans) {
  std::u32string all;
  for (const TextSpan& s : spans) all += s.text;
  return u32_to_utf8(all);
}

TEST(HtmlText, FormatsNestAndParagraphsEndWithCarriageReturns) {
  TextFormat base;
  auto spans = parse_html(
      "<p align=\"center\"><font face=\"_sans\" size=\"20\" color=\"#FF0000\">a<b>b<i>c</i></b>"
      "</font></p><p>d<br>e &lt;&amp;&#65;&#x42;&nbsp;</p>",
      base, true);
  EXPECT_EQ(plain(spans), "abc\rd\re <&AB\xC2\xA0\r");  // every closed paragraph ends
  ASSERT_GE(spans.size(), 4u);
  EXPECT_EQ(spans[0].format.align, TextAlign::Center);
  EXPECT_EQ(spans[0].format.font, "_sans");
  EXPECT_EQ(spans[0].format.size, 20);
  EXPECT_EQ(spans[0].format.color, (Rgba{255, 0, 0, 255}));
  EXPECT_FALSE(spans[0].format.bold);
  EXPECT_TRUE(spans[1].format.bold);
  EXPECT_TRUE(spans[2].format.bold && spans[2].format.italic);
  EXPECT_EQ(spans.back().format.font, base.font);  // </font> closed the face
}

TEST(HtmlText, HostileMarkupIsBoundedAndTolerated) {
  TextFormat base;
  // Unbalanced, unknown and unfinished tags; a single-line field drops breaks.
  EXPECT_EQ(plain(parse_html("</b>x</p><blink>y</i><br>z<font", base, false)), "xyz");
  // Far deeper nesting than any real text: the text stays, the format holds.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<font size=\"+1\">";
  auto spans = parse_html(deep + "q", base, true);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_EQ(plain(spans), "q");
  EXPECT_LT(spans[0].format.size, 100);
  // A colour of any length keeps its last six digits.
  spans = parse_html("<font color=\"#" + std::string(100000, '7') + "\">s</font>", base, true);
  EXPECT_EQ(spans[0].format.color, (Rgba{0x77, 0x77, 0x77, 255}));
  // A relative size never goes below zero; bad colours are ignored.
  spans = parse_html("<font size=\"-50\" color=\"#g12\">s</font>", base, true);
  EXPECT_EQ(spans[0].format.size, 0);
  EXPECT_EQ(spans[0].format.color, base.color);
}

TEST(HtmlText, WrittenAsTheVendorsPlayerWritesHtmlText) {
  TextFormat base;
  base.leading = 2;
  auto spans = parse_html("hello <b>bolded</b> world<br>next", base, true);
  EXPECT_EQ(
      write_html(spans),
      "<TEXTFORMAT LEADING=\"2\"><P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" "
      "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">hello <B>bolded</B> world</FONT>"
      "</P></TEXTFORMAT><TEXTFORMAT LEADING=\"2\"><P ALIGN=\"LEFT\"><FONT FACE=\"Times New "
      "Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">next</FONT>"
      "</P></TEXTFORMAT>");
  // Changes open inside what is open; a return to an earlier format closes
  // back to it.
  TextFormat noto = base, big = base, times_big = base;
  noto.font = big.font = "Noto Sans";
  big.size = times_big.size = 14;
  base.leading = noto.leading = big.leading = times_big.leading = 0;
  std::vector<TextSpan> changes = {
      {U"a", base}, {U"b", noto}, {U"c", big}, {U"d", times_big}, {U"e", base}};
  EXPECT_EQ(write_html(changes),
            "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" "
            "LETTERSPACING=\"0\" KERNING=\"0\">a<FONT FACE=\"Noto Sans\">b<FONT SIZE=\"14\">c"
            "<FONT FACE=\"Times New Roman\">d</FONT></FONT></FONT>e</FONT></P>");
}

EditTextDefinition field(const std::string& text) {
  EditTextDefinition e;
  e.bounds = {0, 2000, 0, 2000};  // 100 × 100 px
  e.height = 240;
  e.text = text;
  return e;
}

TEST(TextFieldModel, LayoutMeasuresWrapsAndFollowsTextChanges) {
  Dictionary dict;
  EditTextDefinition e = field("one two three four five six seven eight nine ten");
  TextField f(e, dict);
  EXPECT_EQ(f.layout().lines, 1u);  // neither multiline nor wrapping
  double one_line = f.layout().text_width;
  EXPECT_GT(one_line, 100 * 20);
  f.multiline = f.word_wrap = true;
  f.changed();
  EXPECT_GT(f.layout().lines, 2u);
  EXPECT_LE(f.layout().text_width, 96 * 20);  // within the bounds less the gutters
  f.set_text("a\nb\r\nc");  // CR LF ends two paragraphs, as in the vendor's player
  EXPECT_EQ(f.text(), "a\rb\r\rc");
  EXPECT_EQ(f.layout().lines, 4u);
  f.set_text("");
  EXPECT_EQ(f.layout().text_width, 0);
  EXPECT_EQ(f.layout().text_height, 0);
}

TEST(TextFieldModel, FormatRangesSplitMergeAndReachWholeParagraphs) {
  Dictionary dict;
  TextField f(EditTextDefinition{}, dict);
  f.set_text("ab\ncd");
  PartialTextFormat bold;
  bold.bold = true;
  f.apply_format(1, 2, bold);
  EXPECT_EQ(f.spans().size(), 3u);
  EXPECT_FALSE(f.format_of(0, 4).bold.has_value());  // differs across the range
  EXPECT_EQ(f.format_of(1, 2).bold, true);
  f.apply_format(0, 1, bold);
  EXPECT_EQ(f.spans().size(), 2u);  // neighbours of one format join again
  PartialTextFormat centre;
  centre.align = TextAlign::Center;
  f.apply_format(4, 5, centre);  // a paragraph format covers its whole paragraph
  EXPECT_EQ(f.format_of(3, 5).align, TextAlign::Center);
  EXPECT_EQ(f.format_of(0, 2).align, TextAlign::Left);
  EXPECT_FALSE(f.format_of(2, 2).font.has_value());  // an empty range has no format
  f.replace(1, 4, U"XY\n", f.default_format);
  EXPECT_EQ(f.text(), "aXY\rd");
  f.replace(100, 200, U"!", f.default_format);  // past the end appends
  EXPECT_EQ(f.text(), "aXY\rd!");
}

TEST(TextFieldModel, TabsMoveToStopsAndFarStopsStayBounded) {
  Dictionary dict;
  TextField f(field("a\tb\tc\td"), dict);
  f.default_format.tab_stops = {50, 60};
  f.set_text("a\tb\tc\td");
  const TextLayout& l = f.layout();
  std::vector<double> xs;
  for (const LaidRun& r : l.runs)
    for (const LaidRun::Glyph& g : r.glyphs) xs.push_back(g.x);
  ASSERT_EQ(xs.size(), 4u);
  EXPECT_EQ(xs[1], 40 + 50 * 20);  // the gutter, then the first stop
  EXPECT_EQ(xs[2], 40 + 60 * 20);
  EXPECT_GT(xs[3], xs[2]);  // past the last stop a tab takes no room
  EXPECT_LT(xs[3], 40 + 70 * 20);
  // Stops far outside the field, wrapping or not: the layout stays finite.
  f.default_format.tab_stops = {-2147483648.0, 2147483647.0};
  for (bool wrap : {false, true}) {
    f.word_wrap = f.multiline = wrap;
    f.set_text(std::string(2000, '\t') + "x");
    EXPECT_TRUE(std::isfinite(f.layout().text_width));
    EXPECT_LE(f.layout().lines, 2001u);
  }
}

TEST(TextFieldModel, ScrollLimitsFollowTheLinesThatFit) {
  Dictionary dict;
  TextField f(EditTextDefinition{}, dict);
  f.multiline = true;
  f.set_text("1\n2\n3\n4\n5\n6");
  f.bounds = {0, 2000, 0, 0};
  EXPECT_EQ(f.max_scroll(), 6u);  // no room: the last line only
  f.bounds.ymax = 1000000;
  EXPECT_EQ(f.max_scroll(), 1u);
  EXPECT_EQ(f.bottom_scroll(), 6u);
  f.auto_size = AutoSize::Left;
  f.bounds = {0, 40, 0, 40};
  f.fit_to_text();
  EXPECT_GT(f.bounds.width(), 40);
  EXPECT_EQ(f.bounds.ymax - f.bounds.ymin,
            static_cast<std::int32_t>(std::ceil(f.layout().text_height + 80)));
}

}  // namespace
}  // namespace strandel::swf
