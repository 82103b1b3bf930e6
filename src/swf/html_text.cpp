#include "swf/html_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

namespace strandel::swf {

namespace {

// Formats are pushed by opening tags; deeper nesting than this keeps the
// format in force (the tags are still read).
constexpr std::size_t kMaxNesting = 64;

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

struct Tag {
  std::string name;  // lower case
  bool closing = false;
  std::vector<std::pair<std::string, std::string>> attributes;  // names lower case

  std::optional<std::string> get(std::string_view key) const {
    for (const auto& [k, v] : attributes)
      if (k == key) return v;
    return std::nullopt;
  }
};

// The inside of <...>: a name, then name="value", name='value' or name=value.
Tag read_tag(std::string_view s) {
  Tag t;
  std::size_t i = 0;
  auto skip_space = [&] {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  };
  skip_space();
  if (i < s.size() && s[i] == '/') t.closing = true, ++i;
  std::size_t start = i;
  while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != '/') ++i;
  t.name = lower(s.substr(start, i - start));
  while (i < s.size()) {
    skip_space();
    start = i;
    while (i < s.size() && s[i] != '=' && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    std::string key = lower(s.substr(start, i - start));
    skip_space();
    if (i >= s.size() || s[i] != '=') {
      if (key.empty()) ++i;
      continue;
    }
    ++i;
    skip_space();
    std::string value;
    if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
      char quote = s[i++];
      start = i;
      while (i < s.size() && s[i] != quote) ++i;
      value = std::string(s.substr(start, i - start));
      if (i < s.size()) ++i;
    } else {
      start = i;
      while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
      value = std::string(s.substr(start, i - start));
    }
    if (!key.empty()) t.attributes.emplace_back(key, value);
  }
  return t;
}

// "#" then hex digits, as many as there are up to the first other
// character (whitespace after the '#' is skipped); the last six count.
// Nothing without the '#' or without a digit.
std::optional<Rgba> read_color(const std::string& s) {
  if (s.empty() || s[0] != '#') return std::nullopt;
  std::size_t i = 1;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  std::uint32_t v = 0;
  std::size_t digits = 0;
  for (; i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])); ++i, ++digits) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    v = ((v << 4) | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10)) & 0xFFFFFF;
  }
  if (digits == 0) return std::nullopt;
  return Rgba{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
              static_cast<std::uint8_t>(v), 255};
}

std::optional<double> read_number(const std::string& s) {
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || !std::isfinite(v)) return std::nullopt;
  return std::clamp(v, -1e6, 1e6);
}

std::optional<char32_t> read_entity(std::string_view name) {
  if (name == "lt") return U'<';
  if (name == "gt") return U'>';
  if (name == "amp") return U'&';
  if (name == "quot") return U'"';
  if (name == "apos") return U'\'';
  if (name == "nbsp") return U'\u00A0';
  if (name.size() > 1 && name[0] == '#') {
    bool hex = name[1] == 'x' || name[1] == 'X';
    std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    char* end = nullptr;
    unsigned long v = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || v == 0 || v > 0x10FFFF) return std::nullopt;
    return static_cast<char32_t>(v);
  }
  return std::nullopt;
}

bool is_white(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r'; }

class HtmlReader {
 public:
  HtmlReader(const TextFormat& base, bool multiline, bool condense_white)
      : multiline_(multiline), condense_white_(condense_white) {
    stack_.push_back({"", base});
  }

  // The text between two tags. Without condensing, text that is only
  // whitespace is left out and line ends in it end paragraphs; condensing
  // makes each run of whitespace one space, and none at a paragraph's start.
  void text_node(const std::u32string& node) {
    if (!condense_white_) {
      if (std::all_of(node.begin(), node.end(), is_white)) return;
      for (std::size_t i = 0; i < node.size(); ++i) {
        if (node[i] == U'\r' && i + 1 < node.size() && node[i + 1] == U'\n') continue;
        text(node[i] == U'\n' ? U'\r' : node[i]);
      }
      return;
    }
    for (char32_t c : node) {
      if (!is_white(c)) {
        text(c);
      } else if (!after_white()) {
        text(U' ');
      }
    }
  }

  void text(char32_t c) {
    if (chars_ >= kMaxTextFieldChars) return;
    const TextFormat& f = stack_.back().format;
    if (spans_.empty() || !(spans_.back().format == f)) {
      if (spans_.size() >= kMaxTextSpans) return;
      spans_.push_back({{}, f});
    }
    spans_.back().text.push_back(c);
    ++chars_;
  }

  void tag(const Tag& t) {
    if (t.closing) return close(t.name);
    if (t.name == "br") return line_break();
    if (t.name == "p") {
      if (!at_paragraph_start()) line_break();
      TextFormat f = stack_.back().format;
      if (auto a = t.get("align")) f.align = align_of(*a, f.align);
      return open(t.name, f);
    }
    if (t.name == "li") {
      if (!at_paragraph_start()) line_break();
      TextFormat f = stack_.back().format;
      f.bullet = true;
      return open(t.name, f);
    }
    TextFormat f = stack_.back().format;
    if (t.name == "b")
      f.bold = true;
    else if (t.name == "i")
      f.italic = true;
    else if (t.name == "u")
      f.underline = true;
    else if (t.name == "font")
      font(t, f);
    else if (t.name == "a")
      f.url = t.get("href").value_or(""), f.target = t.get("target").value_or("");
    else if (t.name == "textformat")
      text_format(t, f);
    else
      return;  // not part of the subset
    open(t.name, f);
  }

  std::vector<TextSpan> finish() {
    std::erase_if(spans_, [](const TextSpan& s) { return s.text.empty(); });
    return std::move(spans_);
  }

 private:
  struct Open {
    std::string name;
    TextFormat format;
  };

  static TextAlign align_of(const std::string& v, TextAlign fallback) {
    std::string a = lower(v);
    if (a == "left") return TextAlign::Left;
    if (a == "right") return TextAlign::Right;
    if (a == "center") return TextAlign::Center;
    if (a == "justify") return TextAlign::Justify;
    return fallback;
  }

  static void font(const Tag& t, TextFormat& f) {
    if (auto face = t.get("face")) f.font = *face;
    if (auto size = t.get("size")) {
      if (auto v = read_number(*size)) {
        bool relative = !size->empty() && ((*size)[0] == '+' || (*size)[0] == '-');
        f.size = std::max(0.0, relative ? f.size + *v : *v);
      }
    }
    if (auto color = t.get("color"))
      if (auto c = read_color(*color)) f.color = *c;
    if (auto s = t.get("letterspacing"))
      if (auto v = read_number(*s)) f.letter_spacing = *v;
    if (auto k = t.get("kerning"))
      if (auto v = read_number(*k)) f.kerning = *v != 0;
  }

  static void text_format(const Tag& t, TextFormat& f) {
    auto set = [&t](const char* key, double& field) {
      if (auto v = t.get(key))
        if (auto n = read_number(*v)) field = *n;
    };
    set("leftmargin", f.left_margin);
    set("rightmargin", f.right_margin);
    set("indent", f.indent);
    set("blockindent", f.block_indent);
    set("leading", f.leading);
  }

  void open(const std::string& name, const TextFormat& f) {
    if (stack_.size() >= kMaxNesting) return;
    stack_.push_back({name, f});
  }

  // Closes the innermost open tag of that name and those inside it; a
  // closing tag with no opening one is ignored.
  void close(const std::string& name) {
    auto it = std::find_if(stack_.rbegin(), stack_.rend() - 1,
                           [&](const Open& o) { return o.name == name; });
    if (it == stack_.rend() - 1) return;
    TextFormat closed = it->format;
    stack_.erase(std::prev(it.base()), stack_.end());
    if (name == "p" || name == "li") paragraph_end(closed);
  }

  // A closed paragraph ends in the format of its last character; an empty
  // one in the format of the element that closed it.
  void paragraph_end(const TextFormat& closed) {
    if (!multiline_ || chars_ >= kMaxTextFieldChars) return;
    if (at_paragraph_start()) {
      stack_.push_back({"", closed});
      text(U'\r');
      stack_.pop_back();
      return;
    }
    spans_.back().text.push_back(U'\r');
    ++chars_;
  }

  void line_break() {
    if (multiline_) text(U'\r');
  }

  // Whether the text so far is empty or ends in whitespace.
  bool after_white() const {
    for (auto it = spans_.rbegin(); it != spans_.rend(); ++it)
      if (!it->text.empty()) return is_white(it->text.back());
    return true;
  }

  bool at_paragraph_start() const {
    for (auto it = spans_.rbegin(); it != spans_.rend(); ++it)
      if (!it->text.empty()) return it->text.back() == U'\r';
    return true;
  }

  bool multiline_, condense_white_;
  std::vector<Open> stack_;
  std::vector<TextSpan> spans_;
  std::size_t chars_ = 0;
};

// ---------------------------------------------------------------------------
// Writing

std::string escaped(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    switch (c) {
      case U'<':
        out += "&lt;";
        break;
      case U'>':
        out += "&gt;";
        break;
      case U'&':
        out += "&amp;";
        break;
      case U'"':
        out += "&quot;";
        break;
      default:
        out += u32_to_utf8(std::u32string(1, c));
    }
  }
  return out;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::string color_text(Rgba c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

const char* align_text(TextAlign a) {
  switch (a) {
    case TextAlign::Right:
      return "RIGHT";
    case TextAlign::Center:
      return "CENTER";
    case TextAlign::Justify:
      return "JUSTIFY";
    default:
      return "LEFT";
  }
}

// The <FONT> attributes where `f` differs from `base` (all of them when
// `all`), in the order the vendor's player writes them.
std::string font_attributes(const TextFormat& f, const TextFormat& base, bool all) {
  std::string out;
  if (all || f.font != base.font) out += " FACE=\"" + f.font + "\"";
  if (all || f.size != base.size) out += " SIZE=\"" + number(f.size) + "\"";
  if (all || !(f.color == base.color)) out += " COLOR=\"" + color_text(f.color) + "\"";
  if (all || f.letter_spacing != base.letter_spacing)
    out += " LETTERSPACING=\"" + number(f.letter_spacing) + "\"";
  if (all || f.kerning != base.kerning)
    out += std::string(" KERNING=\"") + (f.kerning ? "1" : "0") + "\"";
  return out;
}

// Writes one paragraph's spans: elements open as formats change and stay
// open while later text can keep them; a span whose format some open
// element already had closes back to that element.
class ParagraphWriter {
 public:
  explicit ParagraphWriter(const TextFormat& base) { stack_.push_back({"", base}); }

  void span(const std::u32string& text, const TextFormat& f) {
    for (std::size_t i = 1; i < stack_.size(); ++i) {
      if (!still_holds(stack_[i - 1].format, stack_[i].format, f)) {
        while (stack_.size() > i) close();
        break;
      }
    }
    auto back = std::find_if(stack_.rbegin(), stack_.rend(),
                             [&](const Element& e) { return same_characters(e.format, f); });
    if (back != stack_.rend()) {
      while (&stack_.back() != &*back) close();
    } else {
      push(f);
    }
    out_ += escaped(text);
  }

  std::string finish() {
    while (stack_.size() > 1) close();
    return std::move(out_);
  }

 private:
  struct Element {
    std::string closing;  // "</FONT>" and the like, in the order they close
    TextFormat format;
  };

  // Whether the styles an element turned on (<B>, <I>, <U>) hold in `f`
  // too, so that it may stay open around text in `f`. Font attributes that
  // change back open a <FONT> inside instead.
  static bool still_holds(const TextFormat& parent, const TextFormat& e, const TextFormat& f) {
    auto held = [](bool was, bool set, bool now) { return was || !set || now; };
    return held(parent.bold, e.bold, f.bold) && held(parent.italic, e.italic, f.italic) &&
           held(parent.underline, e.underline, f.underline);
  }

  static bool same_characters(const TextFormat& a, const TextFormat& b) {
    return a.font == b.font && a.size == b.size && a.color == b.color &&
           a.letter_spacing == b.letter_spacing && a.kerning == b.kerning && a.url == b.url &&
           a.target == b.target && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline;
  }

  void push(const TextFormat& f) {
    const TextFormat& top = stack_.back().format;
    std::string open, closing;
    std::string attributes = font_attributes(f, top, false);
    if (!attributes.empty()) open += "<FONT" + attributes + ">", closing = "</FONT>" + closing;
    if (f.url != top.url || f.target != top.target) {
      open += "<A HREF=\"" + f.url + "\" TARGET=\"" + f.target + "\">";
      closing = "</A>" + closing;
    }
    auto flag = [&](bool on, bool was, const char* name) {
      if (on && !was)
        open += std::string("<") + name + ">", closing = std::string("</") + name + ">" + closing;
    };
    flag(f.bold, top.bold, "B");
    flag(f.italic, top.italic, "I");
    flag(f.underline, top.underline, "U");
    out_ += open;
    stack_.push_back({closing, f});
  }

  void close() {
    out_ += stack_.back().closing;
    stack_.pop_back();
  }

  std::vector<Element> stack_;
  std::string out_;
};

std::string text_format_attributes(const TextFormat& f) {
  std::string out;
  auto add = [&out](const char* name, double v) {
    if (v != 0) out += std::string(" ") + name + "=\"" + number(v) + "\"";
  };
  add("LEFTMARGIN", f.left_margin);
  add("RIGHTMARGIN", f.right_margin);
  add("INDENT", f.indent);
  add("BLOCKINDENT", f.block_indent);
  add("LEADING", f.leading);
  return out;
}

std::string write_paragraph(const std::vector<std::pair<std::u32string, TextFormat>>& parts,
                            const TextFormat& first) {
  TextFormat base = first;
  base.url.clear(), base.target.clear();
  base.bold = base.italic = base.underline = false;
  std::string inner = "<FONT" + font_attributes(first, first, true) + ">";
  ParagraphWriter w(base);
  for (const auto& [text, f] : parts) w.span(text, f);
  inner += w.finish() + "</FONT>";
  std::string p = std::string("<P ALIGN=\"") + align_text(first.align) + "\">" + inner + "</P>";
  if (first.bullet) p = "<LI>" + inner + "</LI>";
  std::string tf = text_format_attributes(first);
  return tf.empty() ? p : "<TEXTFORMAT" + tf + ">" + p + "</TEXTFORMAT>";
}

}  // namespace

std::vector<TextSpan> parse_html(const std::string& html, const TextFormat& base, bool multiline,
                                 bool condense_white) {
  HtmlReader r(base, multiline, condense_white);
  std::u32string s = utf8_to_u32(html);
  std::u32string node;  // the text since the last tag
  for (std::size_t i = 0; i < s.size();) {
    char32_t c = s[i];
    if (c == U'<') {
      std::size_t end = s.find(U'>', i);
      if (end == std::u32string::npos) break;  // an unfinished tag ends the text
      r.text_node(node);
      node.clear();
      r.tag(read_tag(u32_to_utf8(s.substr(i + 1, end - i - 1))));
      i = end + 1;
      continue;
    }
    if (c == U'&') {
      std::size_t end = s.find(U';', i);
      if (end != std::u32string::npos && end - i <= 10) {
        if (auto e = read_entity(u32_to_utf8(s.substr(i + 1, end - i - 1)))) {
          node.push_back(*e);
          i = end + 1;
          continue;
        }
      }
    }
    node.push_back(c);
    ++i;
  }
  r.text_node(node);
  return r.finish();
}

std::string write_html(const std::vector<TextSpan>& spans) {
  std::string out;
  std::vector<std::pair<std::u32string, TextFormat>> parts;
  std::optional<TextFormat> first;
  auto flush = [&] {
    if (first) out += write_paragraph(parts, *first);
    parts.clear();
    first.reset();
  };
  for (const TextSpan& s : spans) {
    std::size_t start = 0;
    while (start <= s.text.size()) {
      std::size_t end = s.text.find(U'\r', start);
      std::u32string piece = s.text.substr(start, end == std::u32string::npos ? end : end - start);
      if (!first) first = s.format;
      if (!piece.empty()) parts.emplace_back(piece, s.format);
      if (end == std::u32string::npos) break;
      flush();
      start = end + 1;
      if (start == s.text.size()) break;
    }
  }
  flush();
  return out;
}

}  // namespace strandel::swf
