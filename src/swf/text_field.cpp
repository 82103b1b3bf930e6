#include "swf/text_field.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <tuple>

#include "swf/dictionary.h"
#include "swf/html_text.h"

namespace strandel::swf {

namespace {

constexpr double kTwips = 20;
// Fields keep two pixels between their bounds and their text.
constexpr double kGutter = 2 * kTwips;
// A paragraph without tab stops has one every this many twips; the
// vendor's player spaces them so.
constexpr double kDefaultTabInterval = 648;
// List items (HTML <li>) are indented this far (twips) past their margins
// for their bullet.
constexpr double kBulletIndent = 720;
constexpr char32_t kBullet = U'\u2022';
// Lines a field lays out; text beyond them is not drawn (a field shows a
// few hundred at most at any size).
constexpr std::size_t kMaxLines = 10000;

// How one format's characters are measured: an embedded font's outlines
// and layout table, or a device font.
struct Face {
  const FontDefinition* embedded = nullptr;
  std::shared_ptr<const DeviceFont> device;
  double size = 0;  // twips

  bool has(char32_t c) const {
    if (device) return true;
    return embedded && c <= 0xFFFF && embedded->glyph_for(static_cast<std::uint16_t>(c)) >= 0;
  }
  int glyph(char32_t c) const {
    if (device) return static_cast<int>(device->glyph(c));
    return c <= 0xFFFF ? embedded->glyph_for(static_cast<std::uint16_t>(c)) : -1;
  }
  double advance(char32_t c) const {
    if (device) return device->advance(c) * size;
    int g = glyph(c);
    if (g < 0 || static_cast<std::size_t>(g) >= embedded->advances.size()) return size / 2;
    return std::trunc(embedded->advances[g] * size / embedded->em);
  }
  double kerning(char32_t left, char32_t right) const {
    if (!embedded || left > 0xFFFF || right > 0xFFFF) return 0;
    auto it = embedded->kerning.find(
        {static_cast<std::uint16_t>(left), static_cast<std::uint16_t>(right)});
    return it == embedded->kerning.end() ? 0 : it->second * size / embedded->em;
  }
  // Embedded fonts without a layout table, and missing ones, take the size
  // as their line.
  bool has_metrics() const { return embedded && embedded->ascent + embedded->descent > 0; }
  double ascent() const {
    if (device) return device->ascent() * size;
    return has_metrics() ? std::trunc(embedded->ascent * size / embedded->em) : size * 0.8;
  }
  double descent() const {
    if (device) return device->descent() * size;
    return has_metrics() ? std::trunc(embedded->descent * size / embedded->em) : size * 0.2;
  }
};

// One character to lay out, with its format and face.
struct Char {
  char32_t c;
  const TextFormat* format;
  const Face* face;
  double advance = 0;  // twips, letter spacing and kerning included
};

// Advances along one line of a paragraph: a tab moves to the paragraph's
// next tab stop (none past the last one), or to the next default stop when
// it sets none.
struct Pen {
  const TextFormat* paragraph;
  double indent;        // twips from the left margin to the line's start
  bool bullet = false;  // the line is a list item's first: it has a bullet
  double bullet_x = 0;  // where the bullet goes

  // A character's advance with the pen `x` twips along the line.
  double advance(const Char& ch, double x) const {
    if (ch.c != U'\t') return ch.advance;
    double at = indent + x;
    if (paragraph->tab_stops.empty())
      return (std::floor(at / kDefaultTabInterval) + 1) * kDefaultTabInterval - at;
    for (double stop : paragraph->tab_stops)
      if (stop * kTwips > at) return stop * kTwips - at;
    return 0;
  }
};

class Layouter {
 public:
  Layouter(const TextField& f, const Dictionary& dict) : field_(f), dict_(dict) {}

  TextLayout run() {
    std::vector<Char> chars = characters();
    if (chars.empty()) return {};  // no lines, nothing to measure
    double y = kGutter;
    std::size_t start = 0;
    while (start <= chars.size() && out_.lines < kMaxLines) {
      std::size_t end = start;
      while (end < chars.size() && chars[end].c != U'\r') ++end;
      y = paragraph(chars, start, end, y);
      // A paragraph end closing the text starts no line of its own.
      if (end + 1 >= chars.size()) break;
      start = end + 1;
    }
    // The leading below the last line counts only when it is also the first.
    double below = out_.lines > 1 ? last_leading_ : 0;
    out_.text_height = std::max(0.0, y - kGutter - below);
    return std::move(out_);
  }

 private:
  const Face* face_for(const TextFormat& f) {
    auto key = std::make_tuple(f.font, f.bold, f.italic, f.size);
    auto [it, fresh] = faces_.try_emplace(key);
    if (!fresh) return &it->second;
    Face& face = it->second;
    face.size = std::clamp(f.size, 0.0, 65535.0 / kTwips) * kTwips;
    if (field_.embed_fonts) face.embedded = dict_.font_named(f.font, f.bold, f.italic);
    if (!field_.embed_fonts) face.device = dict_.device_fonts().get(f.font, f.bold, f.italic);
    return &face;
  }

  // The characters in order, with their faces; embedded fonts lack some.
  std::vector<Char> characters() {
    std::vector<Char> chars;
    for (const TextSpan& s : field_.spans()) {
      const Face* face = face_for(s.format);
      for (char32_t c : s.text) {
        if (c == U'\n') c = U'\r';
        if (field_.password && c != U'\r') c = U'*';
        chars.push_back({c, &s.format, face});
      }
    }
    for (std::size_t i = 0; i < chars.size(); ++i) {
      Char& ch = chars[i];
      if (ch.c == U'\r' || ch.c == U'\t' || !ch.face->has(ch.c)) continue;
      ch.advance = ch.face->advance(ch.c) + ch.format->letter_spacing * kTwips;
      if (ch.format->kerning && i + 1 < chars.size() && chars[i + 1].face == ch.face)
        ch.advance += ch.face->kerning(ch.c, chars[i + 1].c);
    }
    return chars;
  }

  // Lays out chars [start, end) as one paragraph from y; returns the y
  // below it.
  double paragraph(const std::vector<Char>& chars, std::size_t start, std::size_t end, double y) {
    const TextFormat& pf = start < chars.size() ? *chars[start].format
                           : start > 0          ? *chars[start - 1].format
                                                : field_.default_format;
    double left = kGutter + (pf.left_margin + pf.block_indent) * kTwips;
    double bullet_at = left;
    if (pf.bullet) left += kBulletIndent;
    double right = field_.bounds.width() - kGutter - pf.right_margin * kTwips;
    bool wrap = field_.word_wrap;
    std::size_t line = start;
    bool first = true;
    do {
      double indent = first ? pf.indent * kTwips : 0;
      Pen pen{&pf, indent, pf.bullet && first, bullet_at};
      std::size_t next = wrap ? line_end(chars, line, end, right - left - indent, pen) : end;
      while (next < end && chars[next].c == U' ') ++next;  // spaces end the line before
      y = place_line(chars, line, next, pen, left + indent, right, y);
      line = next;
      first = false;
    } while (line < end && out_.lines < kMaxLines);
    return y;
  }

  // Where a line from `start` ends: after the last space that keeps it
  // within `width`, or inside a word too long for any line.
  static std::size_t line_end(const std::vector<Char>& chars, std::size_t start, std::size_t end,
                              double width, const Pen& pen) {
    double x = 0;
    std::size_t last_space = start;
    for (std::size_t i = start; i < end; ++i) {
      if (chars[i].c == U' ') last_space = i;
      x += pen.advance(chars[i], x);
      if (x > width && i > start && chars[i].c != U' ') return last_space > start ? last_space : i;
    }
    return end;
  }

  double place_line(const std::vector<Char>& chars, std::size_t start, std::size_t end,
                    const Pen& pen, double left, double right, double y) {
    const TextFormat& pf = *pen.paragraph;
    double ascent = 0, descent = 0, width = 0;
    for (std::size_t i = start; i < end; ++i) {
      ascent = std::max(ascent, chars[i].face->ascent());
      descent = std::max(descent, chars[i].face->descent());
    }
    if (start == end) {
      const Face* f = face_for(pf);
      ascent = f->ascent(), descent = f->descent();
    }
    // A bullet is set in the field's format for new text.
    const Face* bullet_face = pen.bullet ? face_for(field_.default_format) : nullptr;
    if (bullet_face) {
      ascent = std::max(ascent, bullet_face->ascent());
      descent = std::max(descent, bullet_face->descent());
    }
    // Trailing spaces take room on left-aligned lines; from version 8 other
    // lines leave them out.
    std::size_t measured_end = end;
    if (field_.version >= 8 && pf.align != TextAlign::Left)
      while (measured_end > start && chars[measured_end - 1].c == U' ') --measured_end;
    for (std::size_t i = start; i < measured_end; ++i) width += pen.advance(chars[i], width);
    double x = left;
    if (pf.align == TextAlign::Right) x = std::max(left, right - width);
    if (pf.align == TextAlign::Center) x = left + std::max(0.0, (right - left - width) / 2);
    double baseline = y + ascent;
    if (bullet_face && bullet_face->has(kBullet))
      add_glyph({kBullet, &field_.default_format, bullet_face, 0}, pen.bullet_x, baseline);
    double line_x = 0;  // along the line from its start, where tabs are measured
    for (std::size_t i = start; i < end; ++i) {
      const Char& ch = chars[i];
      double advance = pen.advance(ch, line_x);
      line_x += advance;
      if (ch.advance == 0 && (ch.c == U'\t' || !ch.face->has(ch.c))) {
        x += advance;
        continue;
      }
      add_glyph(ch, x, baseline);
      x += advance;
    }
    out_.text_width = std::max(out_.text_width, width);
    ++out_.lines;
    out_.line_boxes.push_back({y - kGutter, baseline + descent - kGutter});
    last_leading_ = pf.leading * kTwips;
    return baseline + descent + last_leading_;
  }

  void add_glyph(const Char& ch, double x, double baseline) {
    const Face& f = *ch.face;
    const TextFormat& fmt = *ch.format;
    bool same = !out_.runs.empty() && out_.runs.back().baseline == baseline &&
                out_.runs.back().embedded == f.embedded && out_.runs.back().device == f.device &&
                out_.runs.back().size == f.size && out_.runs.back().color == fmt.color &&
                out_.runs.back().underline == fmt.underline;
    if (!same) {
      LaidRun r;
      r.embedded = f.embedded;
      r.device = f.device;
      r.size = f.size;
      r.color = fmt.color;
      r.underline = fmt.underline;
      r.baseline = baseline;
      r.x0 = x;
      out_.runs.push_back(std::move(r));
    }
    LaidRun& r = out_.runs.back();
    if (ch.c != U' ') r.glyphs.push_back({f.glyph(ch.c), x});
    r.x1 = x + ch.advance;
  }

  const TextField& field_;
  const Dictionary& dict_;
  std::map<std::tuple<std::string, bool, bool, double>, Face> faces_;
  TextLayout out_;
  double last_leading_ = 0;
};

}  // namespace

TextFormat definition_format(const EditTextDefinition& e, const Dictionary& dict) {
  TextFormat f;
  if (const FontDefinition* font = e.has_font ? dict.font(e.font_id) : nullptr) {
    if (!font->name.empty()) f.font = font->name;
    f.bold = font->bold;
    f.italic = font->italic;
  } else if (!e.font_class.empty()) {
    f.font = e.font_class;
  }
  f.size = e.height / kTwips;
  f.color = e.color;
  f.align = e.align;
  f.left_margin = e.left_margin / kTwips;
  f.right_margin = e.right_margin / kTwips;
  f.indent = e.indent / kTwips;
  f.leading = e.leading / kTwips;
  return f;
}

TextField::TextField(const EditTextDefinition& e, const Dictionary& dict) : dict_(dict) {
  bounds = e.bounds;
  multiline = e.multiline;
  word_wrap = e.word_wrap;
  password = e.password;
  html = e.html;
  border = background = e.border;
  embed_fonts = e.use_outlines;
  advanced_anti_alias = e.advanced_anti_alias;
  selectable = e.selectable;
  auto_size = e.auto_size ? AutoSize::Left : AutoSize::None;
  variable = e.variable;
  max_chars = e.max_length;
  default_format = definition_format(e, dict);
  initial_text = e.text;
  initial_html = e.html;
  if (e.html) {
    // HTML text takes its styles from its tags alone: the definition's font
    // gives the face, not bold or italic.
    default_format.bold = default_format.italic = false;
    set_html_text(e.text);
  } else {
    set_text(e.text);
  }
}

std::string TextField::text() const {
  std::u32string all;
  for (const TextSpan& s : spans_) all += s.text;
  return u32_to_utf8(all);
}

// '\n' and '\r' each end a paragraph ('\r'), so CR LF ends two.
void TextField::set_text(const std::string& utf8) {
  std::u32string t = utf8_to_u32(utf8);
  if (t.size() > kMaxTextFieldChars) t.resize(kMaxTextFieldChars);
  std::replace(t.begin(), t.end(), U'\n', U'\r');
  std::vector<TextSpan> spans;
  if (!t.empty()) spans.push_back({std::move(t), default_format});
  set_spans(std::move(spans));
}

std::string TextField::html_text() const { return write_html(spans_); }

void TextField::set_html_text(const std::string& html) {
  set_spans(parse_html(html, default_format, multiline, condense_white));
}

void TextField::set_spans(std::vector<TextSpan> spans) {
  if (spans.size() > kMaxTextSpans) spans.resize(kMaxTextSpans);
  spans_ = std::move(spans);
  changed();
}

void TextField::select(std::size_t anchor, std::size_t caret) {
  std::size_t total = length();
  selection = Selection{std::min(anchor, total), std::min(caret, total)};
}

std::pair<std::size_t, std::size_t> TextField::selected_range() const {
  if (!selection) return {0, 0};
  std::size_t total = length();
  std::size_t a = std::min(selection->anchor, total), c = std::min(selection->caret, total);
  return {std::min(a, c), std::max(a, c)};
}

std::size_t TextField::length() const {
  std::size_t n = 0;
  for (const TextSpan& s : spans_) n += s.text.size();
  return n;
}

PartialTextFormat TextField::format_of(std::size_t begin, std::size_t end) const {
  end = std::min(end, length());
  if (begin >= end) return {};
  std::optional<PartialTextFormat> common;
  std::size_t at = 0;
  for (const TextSpan& s : spans_) {
    std::size_t next = at + s.text.size();
    if (next > begin && at < end) {
      if (!common)
        common = PartialTextFormat::of(s.format);
      else
        common->keep_common(s.format);
    }
    at = next;
  }
  return common.value_or(PartialTextFormat{});
}

// Splits the span holding `pos` so that a span starts there; returns that
// span's index (spans_.size() at the end of the text).
std::size_t TextField::split_at(std::size_t pos) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    std::size_t size = spans_[i].text.size();
    if (pos == at) return i;
    if (pos < at + size) {
      TextSpan tail{spans_[i].text.substr(pos - at), spans_[i].format};
      spans_[i].text.resize(pos - at);
      spans_.insert(spans_.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
      return i + 1;
    }
    at += size;
  }
  return spans_.size();
}

// Joins neighbouring spans of one format and drops empty ones.
void TextField::merge_spans() {
  std::vector<TextSpan> merged;
  for (TextSpan& s : spans_) {
    if (s.text.empty()) continue;
    if (!merged.empty() && merged.back().format == s.format)
      merged.back().text += s.text;
    else
      merged.push_back(std::move(s));
  }
  spans_ = std::move(merged);
}

void TextField::apply_range(std::size_t begin, std::size_t end, const PartialTextFormat& format) {
  if (begin >= end || spans_.size() + 2 > kMaxTextSpans) return;
  std::size_t first = split_at(begin), last = split_at(end);
  for (std::size_t i = first; i < last; ++i) format.apply_to(spans_[i].format);
}

void TextField::apply_format(std::size_t begin, std::size_t end, const PartialTextFormat& format) {
  std::u32string all;
  for (const TextSpan& s : spans_) all += s.text;
  end = std::min(end, all.size());
  if (begin >= end) return;
  apply_range(begin, end, format);
  if (format.has_paragraph_fields()) {
    PartialTextFormat paragraph;
    paragraph.align = format.align;
    paragraph.left_margin = format.left_margin;
    paragraph.right_margin = format.right_margin;
    paragraph.indent = format.indent;
    paragraph.block_indent = format.block_indent;
    paragraph.leading = format.leading;
    paragraph.bullet = format.bullet;
    paragraph.tab_stops = format.tab_stops;
    std::size_t from = begin == 0 ? std::u32string::npos : all.rfind(U'\r', begin - 1);
    from = from == std::u32string::npos ? 0 : from + 1;
    std::size_t to = all.find(U'\r', end - 1);
    to = to == std::u32string::npos ? all.size() : to + 1;
    apply_range(from, to, paragraph);
  }
  merge_spans();
  changed();
}

void TextField::replace(std::size_t begin, std::size_t end, const std::u32string& text,
                        const TextFormat& format) {
  std::size_t total = length();
  end = std::min(end, total);
  begin = std::min(begin, end);
  std::u32string t;
  for (std::size_t i = 0; i < text.size() && total - (end - begin) + t.size() < kMaxTextFieldChars;
       ++i) {
    if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') continue;
    t.push_back(text[i] == U'\n' ? U'\r' : text[i]);
  }
  if (spans_.size() + 3 > kMaxTextSpans) return;
  std::size_t first = split_at(begin), last = split_at(end);
  spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(first),
               spans_.begin() + static_cast<std::ptrdiff_t>(last));
  spans_.insert(spans_.begin() + static_cast<std::ptrdiff_t>(first),
                TextSpan{std::move(t), format});
  merge_spans();
  changed();
}

std::size_t TextField::max_scroll() const {
  const std::vector<LaidLine>& lines = layout().line_boxes;
  double room = bounds.height() - 2 * kGutter;
  if (lines.empty()) return 1;
  std::size_t shown = 1;
  while (shown < lines.size() && lines[shown].bottom <= room) ++shown;
  return lines.size() - shown + 1;
}

std::size_t TextField::bottom_scroll() const {
  const std::vector<LaidLine>& lines = layout().line_boxes;
  if (lines.empty()) return 1;
  std::size_t first = std::clamp<std::size_t>(scroll, 1, lines.size());
  double limit = lines[first - 1].top + bounds.height() - 2 * kGutter;
  std::size_t last = first;
  while (last < lines.size() && lines[last].bottom <= limit) ++last;
  return last;
}

double TextField::fit_to_text() {
  if (auto_size == AutoSize::None) return 0;
  const TextLayout& l = layout();
  auto width = static_cast<std::int32_t>(std::ceil(l.text_width + 2 * kGutter));
  auto height = static_cast<std::int32_t>(std::ceil(l.text_height + 2 * kGutter));
  bounds.ymax = bounds.ymin + height;
  double shift = 0;
  if (!word_wrap) {
    double grow = width - bounds.width();
    if (auto_size == AutoSize::Right) shift = -grow;
    if (auto_size == AutoSize::Center) shift = -grow / 2;
    bounds.xmax = bounds.xmin + width;
  }
  changed();
  return shift;
}

const TextLayout& TextField::layout() const {
  if (!layout_) layout_ = std::make_unique<TextLayout>(Layouter(*this, dict_).run());
  return *layout_;
}

}  // namespace strandel::swf
