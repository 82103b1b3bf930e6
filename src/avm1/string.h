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
// All script strings alive at once hold at most this many bytes; making one
// more throws std::bad_alloc, which stops the movie's scripts.
inline constexpr std::size_t kMaxLiveStringBytes = 256u << 20;

class String {
 public:
  String() = default;
  String(std::string_view text);  // NOLINT: a script string is made from any text
  String(const char* text) : String(std::string_view(text)) {}
  String(const std::string& text) : String(std::string_view(text)) {}
  // Copies and destruction are on every path of the interpreter: they stay
  // inline, down to the reference count.
  String(const String& other) noexcept : rep_(other.rep_) {
    if (rep_) ++rep_->refs;
  }
  String(String&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  String& operator=(const String& other) noexcept {
    if (other.rep_) ++other.rep_->refs;
    release();
    rep_ = other.rep_;
    return *this;
  }
  String& operator=(String&& other) noexcept {
    if (this != &other) {
      release();
      rep_ = other.rep_;
      other.rep_ = nullptr;
    }
    return *this;
  }
  ~String() { release(); }

  std::string_view view() const {
    return rep_ ? std::string_view(rep_->bytes(), rep_->size) : std::string_view();
  }
  const char* data() const { return rep_ ? rep_->bytes() : ""; }
  std::size_t size() const { return rep_ ? rep_->size : 0; }
  bool empty() const { return rep_ == nullptr; }
  std::string str() const { return std::string(view()); }
  bool is_ascii() const { return !rep_ || rep_->ascii; }
  // Whether the text holds ':', '/' or '.', so that as a variable name it
  // may be a path; a plain name never is.
  bool may_be_path() const { return rep_ && rep_->path_chars; }

  // Names compare in either case below version 7: ASCII letters fold.
  bool equals(const String& other, bool case_sensitive) const {
    if (rep_ == other.rep_) return true;
    if (size() != other.size()) return false;
    return equals_slow(other, case_sensitive);
  }
  // Hash of the lower-cased bytes, kept once computed: equal for names that
  // are equal in either comparison.
  std::uint32_t folded_hash() const { return rep_ && rep_->hash ? rep_->hash - 1 : hash_now(); }

  bool operator==(const String& other) const { return equals(other, true); }
  bool operator==(std::string_view other) const { return view() == other; }

 private:
  // The bytes follow the header in the same allocation.
  struct Rep {
    std::uint32_t refs;
    std::uint32_t size;
    mutable std::uint32_t hash;  // folded_hash + 1; 0 until computed
    bool ascii;
    bool path_chars;
    char* bytes() { return reinterpret_cast<char*>(this + 1); }
  };
  void release() noexcept {
    if (rep_ && --rep_->refs == 0) free_rep();
    rep_ = nullptr;
  }
  void free_rep() noexcept;
  bool equals_slow(const String& other, bool case_sensitive) const;
  std::uint32_t hash_now() const;
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
