// make_demo DIR: writes DIR/demo.swf, the demo's menu movie, with the test-movie
// writer. The output is the same bytes on every run.
//
// 640×480, one frame that stops: a teal backdrop, a gradient band with the
// title in the built-in block font, two gradient discs, and three buttons
// whose release sends a movie command: "open" with ../README.md (the program
// runs in build/, the README sits beside it), "minimize" and "quit".
#include <cstdio>
#include <string>

#include "swfwriter/swfwriter.h"

namespace {

constexpr int width_px = 640, height_px = 480;
constexpr int twips = 20;
constexpr int em = 20480;  // DefineFont3 glyph units

enum Id : std::uint16_t {
  FontId = 1,
  TitleText = 2,
  HeaderBand = 3,
  DiscLarge = 4,
  DiscSmall = 5,
  FaceUp = 10,
  FaceOver = 11,
  FaceDown = 12,
  FirstLabel = 20,
  FirstButton = 30,
};

constexpr std::int32_t button_w = 240 * twips, button_h = 56 * twips, corner = 14 * twips;

struct MenuEntry {
  const char* label;
  const char* command;
  const char* argument;
};

constexpr MenuEntry menu[] = {
    {"Open README", "open", "../README.md"},
    {"Minimize", "minimize", ""},
    {"Quit", "quit", ""},
};

// A rectangle with quarter-curve corners, drawn clockwise from the top left.
swfw::Shape rounded_rect(std::int32_t w, std::int32_t h, std::int32_t r,
                         const swfw::FillStyle& fill, const swfw::LineStyle& line) {
  swfw::Shape s(3);
  s.set_fill1(s.add_fill(fill));
  s.set_line(s.add_line(line));
  s.move_to(r, 0);
  s.line_to(w - r, 0).curve_to(w, 0, w, r);
  s.line_to(w, h - r).curve_to(w, h, w - r, h);
  s.line_to(r, h).curve_to(0, h, 0, h - r);
  s.line_to(0, r).curve_to(0, 0, r, 0);
  return s;
}

// A circle of radius r centred on the origin, from eight quadratic arcs.
swfw::Shape disc(std::int32_t r, const swfw::FillStyle& fill) {
  swfw::Shape s(3);
  s.set_fill1(s.add_fill(fill));
  // Control points for 45° arcs sit at r / cos(22.5°) along the bisector.
  const std::int32_t c = r * 414 / 1000;  // tan(22.5°) · r
  const std::int32_t d = r * 707 / 1000;  // r / √2
  s.move_to(r, 0);
  s.curve_to(r, c, d, d).curve_to(c, r, 0, r);
  s.curve_to(-c, r, -d, d).curve_to(-r, c, -r, 0);
  s.curve_to(-r, -c, -d, -d).curve_to(-c, -r, 0, -r);
  s.curve_to(c, -r, d, -d).curve_to(r, -c, r, 0);
  return s;
}

swfw::Gradient two_stops(swfw::Rgba from, swfw::Rgba to) {
  swfw::Gradient g;
  g.records = {{0, from}, {255, to}};
  return g;
}

swfw::FillStyle vertical_gradient(std::int32_t w, std::int32_t h, swfw::Rgba top,
                                  swfw::Rgba bottom) {
  // The gradient runs along its square's x axis: turn that axis downwards.
  const swfw::Matrix m{0, h / 32768.0, w / 32768.0, 0, w / 2, h / 2};
  return swfw::FillStyle::linear(m, two_stops(top, bottom));
}

// Static text centred in a box of width w; y is the baseline.
swfw::Text centred_text(const swfw::Font& font, const std::string& s, std::uint16_t height,
                        swfw::Rgba colour, std::int32_t w, std::int32_t y) {
  const std::int32_t text_w = swfw::text_width(font, s, height, em);
  const auto x = static_cast<std::int16_t>((w - text_w) / 2);
  swfw::Text t;
  t.records.push_back(swfw::text_line(font, FontId, s, height, colour, x,
                                      static_cast<std::int16_t>(y), em));
  const std::int32_t ascent = height * 700 / 1024;
  t.bounds = {x, x + text_w, y - ascent, y};
  return t;
}

void define_title(swfw::Movie& m, const swfw::Font& font) {
  m.define_shape(HeaderBand,
                 [] {
                   const std::int32_t w = width_px * twips, h = 120 * twips;
                   swfw::Shape s(3);
                   s.set_fill1(s.add_fill(vertical_gradient(w, h, swfw::rgb(0x2F, 0x9E, 0x8F),
                                                            swfw::rgb(0x0B, 0x3B, 0x38))));
                   s.rect(0, 0, w, h);
                   return s;
                 }());
  m.place(1, HeaderBand);
  m.define_text2(TitleText, centred_text(font, "strandel demo", 48 * twips,
                                         swfw::rgb(0xFF, 0xF4, 0xD6), width_px * twips,
                                         80 * twips));
  m.place(2, TitleText);
}

void define_discs(swfw::Movie& m) {
  swfw::Gradient glow = two_stops(swfw::rgba(0xFF, 0xC8, 0x57, 0xE0), swfw::rgba(0xE0, 0x5A, 0x2B, 0x00));
  m.define_shape(DiscLarge, disc(90 * twips, swfw::FillStyle::radial(
                                                 swfw::gradient_box(-90 * twips, -90 * twips,
                                                                    180 * twips, 180 * twips),
                                                 glow)));
  swfw::Gradient cool = two_stops(swfw::rgb(0xB8, 0xF2, 0xE6), swfw::rgb(0x1F, 0x6F, 0x8B));
  m.define_shape(DiscSmall, disc(50 * twips, swfw::FillStyle::radial(
                                                 swfw::gradient_box(-70 * twips, -70 * twips,
                                                                    120 * twips, 120 * twips),
                                                 cool)));
  m.place(3, DiscLarge, swfw::Matrix::translate(540 * twips, 380 * twips));
  m.place(4, DiscSmall, swfw::Matrix::translate(90 * twips, 400 * twips));
}

void define_button_faces(swfw::Movie& m) {
  const auto rim = swfw::LineStyle::solid(2 * twips, swfw::rgb(0xFF, 0xF4, 0xD6));
  m.define_shape(FaceUp, rounded_rect(button_w, button_h, corner,
                                      vertical_gradient(button_w, button_h,
                                                        swfw::rgb(0x3C, 0x6E, 0xA8),
                                                        swfw::rgb(0x1E, 0x3A, 0x66)),
                                      rim));
  m.define_shape(FaceOver, rounded_rect(button_w, button_h, corner,
                                        vertical_gradient(button_w, button_h,
                                                          swfw::rgb(0x5A, 0x9A, 0xE0),
                                                          swfw::rgb(0x2C, 0x5A, 0x9A)),
                                        rim));
  m.define_shape(FaceDown, rounded_rect(button_w, button_h, corner,
                                        swfw::FillStyle::solid(swfw::rgb(0xE0, 0x8A, 0x2B)),
                                        rim));
}

void define_menu(swfw::Movie& m, const swfw::Font& font) {
  define_button_faces(m);
  using R = swfw::ButtonRecord;
  for (std::uint16_t i = 0; i < std::size(menu); ++i) {
    const auto label = static_cast<std::uint16_t>(FirstLabel + i);
    m.define_text2(label, centred_text(font, menu[i].label, 24 * twips, swfw::rgb(0xFF, 0xFF, 0xFF),
                                       button_w, 38 * twips));
    swfw::Button b;
    b.records = {
        {R::Up | R::HitTest, FaceUp, 1, {}, {}},
        {R::Over, FaceOver, 2, {}, {}},
        {R::Down, FaceDown, 3, {}, {}},
        {R::Up | R::Over | R::Down, label, 4, {}, {}},
    };
    b.actions.push_back(
        {swfw::cond::release, swfw::Actions().fscommand(menu[i].command, menu[i].argument)});
    const auto button = static_cast<std::uint16_t>(FirstButton + i);
    m.define_button2(button, b);
    const std::int32_t x = (width_px * twips - button_w) / 2, y = (180 + 84 * i) * twips;
    m.place(static_cast<std::uint16_t>(10 + i), button, swfw::Matrix::translate(x, y), {},
            std::string("button_") + menu[i].command);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo OUTDIR\n");
    return 2;
  }
  swfw::Movie m(8, width_px, height_px, 24);
  m.file_attributes();
  m.background(0x12, 0x4E, 0x4A);
  const swfw::Font font = swfw::blocky_font(em);
  m.define_font3(FontId, font);
  define_title(m, font);
  define_discs(m);
  define_menu(m, font);
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  const std::string path = std::string(argv[1]) + "/demo.swf";
  if (!m.write(path, swfw::Container::CWS)) {
    std::fprintf(stderr, "make_demo: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
