#include "avm1/string.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace strandel::avm1 {

namespace {
// Bytes held by live strings. Scripts run on the window's thread only.
std::size_t live_bytes = 0;
}  // namespace

String::String(std::string_view text) {
  if (text.empty()) return;
  std::size_t n = text.size() < kMaxStringBytes ? text.size() : kMaxStringBytes;
  if (n > kMaxLiveStringBytes - live_bytes) throw std::bad_alloc();
  void* memory = std::malloc(sizeof(Rep) + n);
  if (!memory) throw std::bad_alloc();
  live_bytes += n;
  rep_ = static_cast<Rep*>(memory);
  rep_->refs = 1;
  rep_->size = static_cast<std::uint32_t>(n);
  rep_->hash = 0;
  std::memcpy(rep_->bytes(), text.data(), n);
  bool ascii = true, path_chars = false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    path_chars = path_chars || c == ':' || c == '/' || c == '.';
  }
  rep_->ascii = ascii;
  rep_->path_chars = path_chars;
}

void String::free_rep() noexcept {
  live_bytes -= rep_->size;
  std::free(rep_);
}

char fold_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool equals_folded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && fold_ascii(a[i]) != fold_ascii(b[i])) return false;
  return true;
}

bool String::equals_slow(const String& other, bool case_sensitive) const {
  if (case_sensitive) return view() == other.view();
  return equals_folded(view(), other.view());
}

// FNV-1a over the folded bytes.
std::uint32_t String::hash_now() const {
  if (!rep_) return 2166136261u;
  std::uint32_t h = 2166136261u;
  for (char c : view()) {
    h ^= static_cast<unsigned char>(fold_ascii(c));
    h *= 16777619u;
  }
  rep_->hash = h == 0xFFFFFFFFu ? 1 : h + 1;
  return rep_->hash - 1;
}

namespace {

// A lone half of a surrogate pair (what charAt gives of a character past
// U+FFFF) is held as its own three-byte sequence: ED A0..AF xx for a high
// half, ED B0..BF xx for a low one.
char32_t surrogate_at(std::string_view s, std::size_t i, unsigned char kind) {
  if (i + 3 > s.size() || static_cast<unsigned char>(s[i]) != 0xED ||
      (static_cast<unsigned char>(s[i + 1]) & 0xF0) != kind)
    return 0;
  return 0xD000 | (static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6 |
         (static_cast<unsigned char>(s[i + 2]) & 0x3F);
}

}  // namespace

String operator+(const String& a, const String& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  std::string_view left = a.view(), right = b.view();
  std::string joined;
  joined.reserve(left.size() + right.size());
  // Two halves of one character meet again as that character.
  char32_t high = left.size() >= 3 ? surrogate_at(left, left.size() - 3, 0xA0) : 0;
  char32_t low = surrogate_at(right, 0, 0xB0);
  if (high && low) {
    left.remove_suffix(3);
    right.remove_prefix(3);
    joined.append(left);
    append_utf8(joined, 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
  } else {
    joined.append(left);
  }
  joined.append(right);
  return String(joined);
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

namespace {

// Length of the UTF-8 sequence starting at s[i] and its code point; 0 when
// the bytes there are not a valid sequence.
std::size_t decode_utf8(std::string_view s, std::size_t i, char32_t& out) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  unsigned char c = b(0);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(k) & 0x3F);
  }
  out = cp;
  return n;
}

}  // namespace

std::u16string to_utf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    std::size_t n = decode_utf8(s, i, cp);
    if (n == 0) {
      out += static_cast<char16_t>(static_cast<unsigned char>(s[i]));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return out;
}

std::string to_utf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    append_utf8(out, c);
  }
  return out;
}

}  // namespace strandel::avm1
