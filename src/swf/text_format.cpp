#include "swf/text_format.h"

namespace strandel::swf {

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
