#include "swf/font.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "swf/records.h"

namespace strandel::swf {

int FontDefinition::glyph_for(std::uint16_t code) const {
  auto it = std::find(codes.begin(), codes.end(), code);
  return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
}

namespace {

// A glyph whose records are broken is drawn empty; the rest of the font stays.
Path read_glyph_or_empty(std::span<const std::uint8_t> bytes) {
  try {
    return read_glyph_shape(bytes);
  } catch (const ReadError&) {
    return Path{};
  }
}

// Glyph i lies between offsets[i] and offsets[i + 1] (or `end`), all counted
// from the start of the offset table. The glyphs of a well-formed font lie
// one after another, so together they read the table at most once; ranges
// that overlap could turn a small tag into gigabytes of outlines, so glyphs
// past that much reading are left empty.
std::vector<Path> read_glyphs(std::span<const std::uint8_t> table,
                              const std::vector<std::uint32_t>& offsets, std::uint32_t end) {
  std::vector<Path> glyphs;
  glyphs.reserve(offsets.size());
  std::size_t unread = table.size();  // bytes that glyphs may still read
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    std::uint32_t from = offsets[i];
    std::uint32_t to = i + 1 < offsets.size() ? offsets[i + 1] : end;
    if (from >= to || to > table.size() || to - from > unread) {
      glyphs.emplace_back();
      continue;
    }
    unread -= to - from;
    glyphs.push_back(read_glyph_or_empty(table.subspan(from, to - from)));
  }
  return glyphs;
}

void read_font_layout(ByteReader& in, FontDefinition& f, std::size_t count) {
  f.ascent = in.u16();
  f.descent = in.u16();
  f.leading = in.s16();
  if (count * 2 > in.remaining()) throw ReadError("font advances exceed the data");
  f.advances.reserve(count);
  for (std::size_t i = 0; i < count; ++i) f.advances.push_back(in.s16());
}

// Glyph bounds (one RECT a glyph) and then the kerning pairs.
void read_font_kerning(ByteReader& in, FontDefinition& f, std::size_t count, bool wide_codes) {
  for (std::size_t i = 0; i < count; ++i) read_rect(in);
  std::size_t pairs = in.u16();
  std::size_t pair_size = wide_codes ? 6 : 4;
  if (pairs * pair_size > in.remaining()) throw ReadError("kerning table exceeds the data");
  for (std::size_t i = 0; i < pairs; ++i) {
    std::uint16_t left = wide_codes ? in.u16() : in.u8();
    std::uint16_t right = wide_codes ? in.u16() : in.u8();
    f.kerning[{left, right}] = in.s16();
  }
}

}  // namespace

FontDefinition read_define_font(ByteReader& in) {
  FontDefinition f;
  auto table = in.bytes(in.remaining());
  ByteReader t(table);
  std::uint16_t first = t.u16();
  std::size_t count = first / 2;
  if (count * 2 > table.size()) throw ReadError("glyph offset table exceeds the data");
  std::vector<std::uint32_t> offsets{first};
  for (std::size_t i = 1; i < count; ++i) offsets.push_back(t.u16());
  f.glyphs = read_glyphs(table, offsets, static_cast<std::uint32_t>(table.size()));
  return f;
}

FontDefinition read_define_font2(ByteReader& in, int version) {
  FontDefinition f;
  if (version >= 3) f.em = 1024 * 20;
  std::uint8_t flags = in.u8();
  bool has_layout = flags & 0x80, wide_offsets = flags & 0x08, wide_codes = flags & 0x04;
  f.italic = flags & 0x02;
  f.bold = flags & 0x01;
  in.u8();  // LanguageCode
  auto name = in.bytes(in.u8());
  f.name = to_utf8(std::string(name.begin(), name.end()));
  if (auto nul = f.name.find('\0'); nul != std::string::npos) f.name.resize(nul);
  std::size_t count = in.u16();
  // Device fonts carry no glyphs and often nothing after the count.
  if (count == 0 || in.at_end()) return f;
  auto table = in.data().subspan(in.position());
  std::size_t offset_size = wide_offsets ? 4 : 2;
  if ((count + 1) * offset_size > in.remaining())
    throw ReadError("glyph offset table exceeds the data");
  std::vector<std::uint32_t> offsets;
  offsets.reserve(count);
  for (std::size_t i = 0; i < count; ++i) offsets.push_back(wide_offsets ? in.u32() : in.u16());
  std::uint32_t code_table = wide_offsets ? in.u32() : in.u16();
  f.glyphs = read_glyphs(table, offsets, code_table);
  if (code_table > table.size()) return f;
  ByteReader rest(table.subspan(code_table));
  try {
    f.codes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) f.codes.push_back(wide_codes ? rest.u16() : rest.u8());
    if (has_layout) read_font_layout(rest, f, count);
  } catch (const ReadError&) {
    // A cut-off code table or layout leaves the glyphs usable for static text.
    f.codes.resize(count, 0xFFFF);
    f.advances.clear();
    return f;
  }
  // A broken kerning table leaves the font without kerning.
  try {
    if (has_layout) read_font_kerning(rest, f, count, wide_codes);
  } catch (const ReadError&) {
    f.kerning.clear();
  }
  return f;
}

void read_define_font_info(ByteReader& in, FontDefinition& font, int version) {
  auto name = in.bytes(in.u8());
  font.name = to_utf8(std::string(name.begin(), name.end()));
  if (auto nul = font.name.find('\0'); nul != std::string::npos) font.name.resize(nul);
  std::uint8_t flags = in.u8();
  font.italic = flags & 0x04;
  font.bold = flags & 0x02;
  bool wide_codes = flags & 0x01;
  if (version >= 2) in.u8();  // LanguageCode
  std::vector<std::uint16_t> codes;
  codes.reserve(font.glyphs.size());
  for (std::size_t i = 0; i < font.glyphs.size() && !in.at_end(); ++i)
    codes.push_back(wide_codes ? in.u16() : in.u8());
  codes.resize(font.glyphs.size(), 0xFFFF);
  font.codes = std::move(codes);
}

TextDefinition read_define_text(ByteReader& in, int version) {
  TextDefinition t;
  t.bounds = read_rect(in);
  t.matrix = read_matrix(in);
  unsigned glyph_bits = in.u8(), advance_bits = in.u8();
  if (glyph_bits > 32 || advance_bits > 32) throw ReadError("glyph bit counts exceed 32");
  TextRun state;
  while (!in.at_end()) {
    std::uint8_t flags = in.u8();
    if (flags == 0) break;  // EndOfRecordsFlag
    if (flags & 0x08) state.font_id = in.u16();
    if (flags & 0x04) state.color = version >= 2 ? read_rgba(in) : read_rgb(in);
    if (flags & 0x01) state.x = in.s16();
    if (flags & 0x02) state.y = in.s16();
    if (flags & 0x08) state.height = in.u16();
    unsigned count = in.u8();
    TextRun run = state;
    run.glyphs.reserve(count);
    BitReader bits(in);
    for (unsigned i = 0; i < count; ++i) {
      GlyphEntry g;
      g.index = bits.ub(glyph_bits);
      g.advance = bits.sb(advance_bits);
      run.glyphs.push_back(g);
      // Without an XOffset the next record goes on where this one stopped.
      state.x = static_cast<std::int32_t>(std::clamp<std::int64_t>(
          std::int64_t(state.x) + g.advance, INT32_MIN / 2, INT32_MAX / 2));
    }
    t.runs.push_back(std::move(run));
  }
  return t;
}

EditTextDefinition read_define_edit_text(ByteReader& in) {
  EditTextDefinition e;
  e.bounds = read_rect(in);
  std::uint8_t f1 = in.u8(), f2 = in.u8();
  bool has_text = f1 & 0x80, has_color = f1 & 0x04, has_max_length = f1 & 0x02,
       has_font = f1 & 0x01;
  bool has_font_class = f2 & 0x80, has_layout = f2 & 0x20;
  e.word_wrap = f1 & 0x40;
  e.multiline = f1 & 0x20;
  e.password = f1 & 0x10;
  e.read_only = f1 & 0x08;
  e.auto_size = f2 & 0x40;
  e.selectable = !(f2 & 0x10);
  e.border = f2 & 0x08;
  e.html = f2 & 0x02;
  e.use_outlines = f2 & 0x01;
  if (has_font) {
    e.has_font = true;
    e.font_id = in.u16();
  }
  if (has_font_class) e.font_class = to_utf8(in.cstring());
  if (has_font || has_font_class) e.height = in.u16();
  if (has_color) e.color = read_rgba(in);
  if (has_max_length) e.max_length = in.u16();
  if (has_layout) {
    e.align = static_cast<TextAlign>(std::min<std::uint8_t>(in.u8(), 3));
    e.left_margin = in.u16();
    e.right_margin = in.u16();
    e.indent = in.u16();
    e.leading = in.s16();
  }
  e.variable = to_utf8(in.cstring());
  if (has_text) e.text = to_utf8(in.cstring());
  return e;
}

namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not valid UTF-8.
std::size_t utf8_sequence(const std::string& s, std::size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
  if (n == 2 && c < 0xC2) return 0;  // overlong
  if (n == 4 && c > 0xF4) return 0;
  return n;
}

void append_utf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string to_utf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = utf8_sequence(bytes, i);
    if (n == 0) {
      append_utf8(out, static_cast<unsigned char>(bytes[i]));
      ++i;
    } else {
      out.append(bytes, i, n);
      i += n;
    }
  }
  return out;
}

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The tag's name without '<', '/' and attributes, in lower case.
std::string tag_name(const std::string& tag) {
  std::size_t i = 0;
  while (i < tag.size() && (tag[i] == '/' || tag[i] == ' ')) ++i;
  std::size_t j = i;
  while (j < tag.size() && std::isalnum(static_cast<unsigned char>(tag[j]))) ++j;
  return lower(tag.substr(i, j - i));
}

}  // namespace

std::string html_to_plain(const std::string& html) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&quot;", "\""}, {"&apos;", "'"},
      {"&nbsp;", "\xC2\xA0"}};
  std::string out;
  for (std::size_t i = 0; i < html.size();) {
    if (html[i] == '<') {
      std::size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      std::string tag = html.substr(i + 1, end - i - 1);
      std::string name = tag_name(tag);
      if (name == "br" || (name == "p" && !tag.empty() && tag[0] == '/')) out.push_back('\n');
      i = end + 1;
      continue;
    }
    if (html[i] == '&') {
      bool matched = false;
      for (auto [entity, text] : kEntities) {
        if (html.compare(i, std::strlen(entity), entity) == 0) {
          out += text;
          i += std::strlen(entity);
          matched = true;
          break;
        }
      }
      if (matched) continue;
    }
    out.push_back(html[i++]);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

}  // namespace strandel::swf
