// Script strings: immutable byte strings shared by a reference count, so a
// copy is a pointer copy. Movies from version 6 on hold UTF-8; older movies
// hold bytes in the author's code page, which pass through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace strandel::avm1 {

// Scripts cannot build a string longer than this: their concatenations
// and the built-ins that join text stop here rather than exhausting memory.
inline constexpr std::size_t kMaxStringBytes = 64u << 20;

class String {
 public:
  String() = default;
  String(std::string_view text);  // NOLINT: a script string is made from any text
  String(const char* text) : String(std::string_view(text)) {}
  String(const std::string& text) : String(std::string_view(text)) {}
  String(const String& other) noexcept;
  String(String&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  String& operator=(const String& other) noexcept;
  String& operator=(String&& other) noexcept;
  ~String();

  std::string_view view() const;
  const char* data() const;
  std::size_t size() const;
  bool empty() const { return size() == 0; }
  std::string str() const { return std::string(view()); }
  bool is_ascii() const;

  // Names compare in either case below version 7: ASCII letters fold.
  bool equals(const String& other, bool case_sensitive) const;
  // Hash of the lower-cased bytes, kept once computed: equal for names that
  // are equal in either comparison.
  std::uint32_t folded_hash() const;

  bool operator==(const String& other) const { return equals(other, true); }
  bool operator==(std::string_view other) const { return view() == other; }

 private:
  struct Rep;
  void release() noexcept;
  Rep* rep_ = nullptr;  // null is the empty string
};

String operator+(const String& a, const String& b);

char fold_ascii(char c);
bool equals_folded(std::string_view a, std::string_view b);

// Characters of UTF-8 text as the script sees them: UTF-16 code units.
// Invalid bytes count as one unit each (read as Latin-1).
std::u16string to_utf16(std::string_view utf8);
std::string to_utf8(std::u16string_view units);
void append_utf8(std::string& out, char32_t code_point);

}  // namespace strandel::avm1
