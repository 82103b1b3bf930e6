#include "swf/text_format.h"

namespace strandel::swf {

namespace {

// Calls f(partial member, full member) for each field the two formats
// share in the same type; the colour differs in type and is done apart.
template <class F>
void for_each_field(F&& f) {
  using P = PartialTextFormat;
  using T = TextFormat;
  f(&P::font, &T::font);
  f(&P::size, &T::size);
  f(&P::bold, &T::bold);
  f(&P::italic, &T::italic);
  f(&P::underline, &T::underline);
  f(&P::url, &T::url);
  f(&P::target, &T::target);
  f(&P::letter_spacing, &T::letter_spacing);
  f(&P::kerning, &T::kerning);
  f(&P::align, &T::align);
  f(&P::left_margin, &T::left_margin);
  f(&P::right_margin, &T::right_margin);
  f(&P::indent, &T::indent);
  f(&P::block_indent, &T::block_indent);
  f(&P::leading, &T::leading);
  f(&P::bullet, &T::bullet);
  f(&P::tab_stops, &T::tab_stops);
}

std::uint32_t rgb(Rgba c) {
  return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
}

}  // namespace

PartialTextFormat PartialTextFormat::of(const TextFormat& f) {
  PartialTextFormat p;
  for_each_field([&](auto pm, auto fm) { p.*pm = f.*fm; });
  p.color = rgb(f.color);
  return p;
}

void PartialTextFormat::apply_to(TextFormat& f) const {
  for_each_field([&](auto pm, auto fm) {
    if (this->*pm) f.*fm = *(this->*pm);
  });
  if (color)
    f.color = {static_cast<std::uint8_t>(*color >> 16), static_cast<std::uint8_t>(*color >> 8),
               static_cast<std::uint8_t>(*color), f.color.a};
}

void PartialTextFormat::keep_common(const TextFormat& f) {
  for_each_field([&](auto pm, auto fm) {
    if (this->*pm && *(this->*pm) != f.*fm) (this->*pm).reset();
  });
  if (color && (*color & 0xFFFFFF) != rgb(f.color)) color.reset();
}

bool PartialTextFormat::has_paragraph_fields() const {
  return align || left_margin || right_margin || indent || block_indent || leading || bullet ||
         tab_stops;
}

// Invalid sequences (text from scripts may hold anything) become U+FFFD.
std::u32string utf8_to_u32(const std::string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    char32_t cp = n == 1 ? c : c & (0x7F >> n);
    bool valid = true;
    for (std::size_t k = 1; k < n; ++k) {
      auto b = static_cast<unsigned char>(s[i + k]);
      valid &= (b >> 6) == 2;
      cp = (cp << 6) | (b & 0x3F);
    }
    out.push_back(valid && cp <= 0x10FFFF ? cp : U'\uFFFD');
    i += valid ? n : 1;
  }
  return out;
}

std::string u32_to_utf8(const std::u32string& s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t cp : s) {
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace strandel::swf
