#include "swf/text_layout.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace strandel::swf {

namespace {

// Edit text fields keep two pixels between their bounds and their text.
constexpr double kTextGutter = 40;

// Decodes UTF-8 (which to_utf8 made valid) into code points.
std::vector<std::uint32_t> code_points(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (std::size_t k = 1; k < n && i + k < s.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

// How an edit field's text is measured and drawn: with the embedded font's
// outlines, or with a system sans-serif font.
struct TextFace {
  cairo_t* cr;
  const FontDefinition* outlines;  // null: system font
  double height;
  double ascent, line_height;

  double width(const std::string& s) const {
    if (!outlines) {
      cairo_text_extents_t e;
      cairo_text_extents(cr, s.c_str(), &e);
      return e.x_advance;
    }
    double w = 0;
    for (std::uint32_t cp : code_points(s)) w += advance(cp);
    return w;
  }
  double advance(std::uint32_t cp) const {
    int g = cp <= 0xFFFF ? outlines->glyph_for(static_cast<std::uint16_t>(cp)) : -1;
    if (g < 0 || static_cast<std::size_t>(g) >= outlines->advances.size()) return height / 2;
    return outlines->advances[g] * height / outlines->em;
  }
  void draw(const std::string& s, double x, double y, const Matrix& m) const {
    if (!outlines) {
      cairo_move_to(cr, x, y);
      cairo_show_text(cr, s.c_str());
      return;
    }
    double scale = height / outlines->em;
    for (std::uint32_t cp : code_points(s)) {
      int g = cp <= 0xFFFF ? outlines->glyph_for(static_cast<std::uint16_t>(cp)) : -1;
      if (g >= 0 && static_cast<std::size_t>(g) < outlines->glyphs.size()) {
        Matrix gm = Matrix{scale, 0, 0, scale, x, y}.then(m);
        if (usable(gm)) {
          set_matrix(cr, gm);
          outlines->glyphs[g].append_to(cr);
        }
      }
      x += advance(cp);
    }
    set_matrix(cr, m);
    cairo_fill(cr);
  }
};

// Breaks text into lines at line breaks and, with word wrap, at the last
// space that keeps a line within `width`.
std::vector<std::string> layout_lines(const std::string& text, bool wrap, double width,
                                      const TextFace& face) {
  std::vector<std::string> paragraphs{""};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n')
      paragraphs.emplace_back();
    else
      paragraphs.back().push_back(text[i]);
  }
  if (!wrap) return paragraphs;
  std::vector<std::string> lines;
  for (const std::string& p : paragraphs) {
    std::string line;
    double line_width = 0;  // summed word by word: long paragraphs stay linear
    std::size_t start = 0;
    while (start <= p.size()) {
      std::size_t space = p.find(' ', start);
      std::string word =
          p.substr(start, space == std::string::npos ? std::string::npos : space - start);
      double word_width = face.width(line.empty() ? word : " " + word);
      if (!line.empty() && line_width + word_width > width) {
        lines.push_back(line);
        line = word;
        line_width = face.width(word);
      } else {
        line += line.empty() ? word : " " + word;
        line_width += word_width;
      }
      if (space == std::string::npos) break;
      start = space + 1;
    }
    lines.push_back(line);
  }
  return lines;
}

// The system family for a device font: the three generic names movies use,
// and sans-serif for every named font (which fontconfig may not have).
const char* system_family(const std::string& name) {
  if (name == "_serif") return "serif";
  if (name == "_typewriter") return "monospace";
  return "sans-serif";
}

// The field's embedded outlines when it asks for them and the font has
// them with a code table; otherwise the system font, selected on cr.
TextFace text_face(cairo_t* cr, const EditTextDefinition& e, const FontDefinition* font) {
  bool outlines = font && e.use_outlines && !font->glyphs.empty() && !font->codes.empty();
  TextFace face{cr, outlines ? font : nullptr, double(e.height), 0, 0};
  if (outlines) {
    face.ascent = font->ascent * e.height / font->em;
    face.line_height = (font->ascent + font->descent) * e.height / font->em;
    if (face.line_height <= 0) face.ascent = face.line_height = e.height;
    return face;
  }
  cairo_select_font_face(cr, system_family(font ? font->name : ""),
                         font && font->italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         font && font->bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, std::max<double>(e.height, 1));
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  face.ascent = fe.ascent;
  face.line_height = fe.ascent + fe.descent;
  return face;
}

}  // namespace

void draw_static_text(cairo_t* cr, const Dictionary& dict, const TextDefinition& t, const Matrix& m,
                      const ColorTransform& cx, PaintMode mode) {
  Matrix text_to_device = t.matrix.then(m);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  for (const TextRun& run : t.runs) {
    const FontDefinition* font = dict.font(run.font_id);
    if (!font || run.height == 0) continue;
    double scale = run.height / font->em;
    cairo_new_path(cr);
    double x = run.x;
    for (const GlyphEntry& g : run.glyphs) {
      if (g.index < font->glyphs.size() && !font->glyphs[g.index].empty()) {
        Matrix gm = Matrix{scale, 0, 0, scale, x, double(run.y)}.then(text_to_device);
        if (usable(gm)) {
          set_matrix(cr, gm);
          font->glyphs[g.index].append_to(cr);
        }
      }
      x += g.advance;
    }
    cairo_identity_matrix(cr);
    if (mode == PaintMode::Mask)
      cairo_set_source_rgba(cr, 0, 0, 0, 1);
    else
      set_source(cr, transformed(run.color, cx));
    cairo_fill(cr);
  }
}

void draw_edit_text(cairo_t* cr, const Dictionary& dict, const EditTextDefinition& e,
                    const Matrix& m, const ColorTransform& cx) {
  if (!usable(m)) return;
  cairo_save(cr);
  set_matrix(cr, m);
  const Rect& b = e.bounds;
  cairo_rectangle(cr, b.xmin, b.ymin, b.width(), b.height());
  if (e.border) {
    set_source(cr, transformed({255, 255, 255, 255}, cx));
    cairo_fill_preserve(cr);
    set_source(cr, transformed({0, 0, 0, 255}, cx));
    cairo_set_line_width(cr, 20);
    cairo_stroke_preserve(cr);
  }
  cairo_clip(cr);
  TextFace face = text_face(cr, e, e.has_font ? dict.font(e.font_id) : nullptr);
  std::string text = e.password ? std::string(code_points(e.text).size(), '*') : e.text;
  double left = b.xmin + kTextGutter + e.left_margin;
  double right = b.xmax - kTextGutter - e.right_margin;
  set_source(cr, transformed(e.color, cx));
  double y = b.ymin + kTextGutter + face.ascent;
  for (const std::string& line :
       layout_lines(text, e.word_wrap && e.multiline, right - left, face)) {
    double w = face.width(line);
    double x = e.align == TextAlign::Right    ? right - w
               : e.align == TextAlign::Center ? (left + right - w) / 2
                                              : left;
    face.draw(line, x, y, m);
    y += face.line_height + e.leading;
    if (y - face.ascent > b.ymax) break;
  }
  cairo_restore(cr);
}

}  // namespace strandel::swf
