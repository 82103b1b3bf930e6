#include "avm1/local_files.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "avm1/string.h"

namespace strandel::avm1 {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX sequences as bytes; nothing when one decodes to a NUL, which no file
// name holds.
std::optional<std::string> percent_decode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '%' && i + 2 < s.size() && hex_digit(s[i + 1]) >= 0 && hex_digit(s[i + 2]) >= 0) {
      c = static_cast<char>(hex_digit(s[i + 1]) * 16 + hex_digit(s[i + 2]));
      i += 2;
    }
    if (c == '\0') return std::nullopt;
    out += c;
  }
  return out;
}

// The scheme of "file:///a" or "http://b", lower-cased; empty for a relative
// URL. A single letter before the colon is a drive ("C:\menu.xml"), which is
// an absolute path rather than a scheme.
std::string scheme_of(std::string_view url) {
  std::size_t i = 0;
  while (i < url.size() && ((url[i] >= 'a' && url[i] <= 'z') || (url[i] >= 'A' && url[i] <= 'Z') ||
                            (i > 0 && ((url[i] >= '0' && url[i] <= '9') || url[i] == '+' ||
                                       url[i] == '-' || url[i] == '.'))))
    ++i;
  if (i == 0 || i == url.size() || url[i] != ':') return {};
  if (i == 1) return "drive";
  std::string scheme;
  for (std::size_t k = 0; k < i; ++k) scheme += fold_ascii(url[k]);
  return scheme;
}

// "a/./b/../c" as "a/c"; nothing when ".." climbs above the start.
std::optional<std::string> normalize_relative(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    std::size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    if (part == "..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  if (parts.empty()) return std::nullopt;
  std::string out;
  for (std::string_view part : parts) {
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

std::optional<std::string> real_path(const std::string& path) {
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
}

std::string folder_of(std::string_view movie_path) {
  std::size_t slash = movie_path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(movie_path.substr(0, slash));
}

bool valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) >> 6) != 2) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

std::string utf16_to_utf8(std::string_view bytes, bool big_endian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
  }
  return to_utf8(units);
}

std::string latin1_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) append_utf8(out, static_cast<unsigned char>(c));
  return out;
}

// Whether the bytes read as Shift-JIS and hold at least one two-byte
// character: text in the Japanese code page rather than a Western one.
bool double_byte_shift_jis(std::string_view b) {
  bool pairs = false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    auto c = static_cast<unsigned char>(b[i]);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;  // ASCII, half-width kana
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (!lead || i + 1 >= b.size()) return false;
    auto t = static_cast<unsigned char>(b[++i]);
    if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
    pairs = true;
  }
  return pairs;
}

std::optional<std::string> shift_jis_to_utf8(std::string_view b) {
  iconv_t cd = iconv_open("UTF-8", "SHIFT_JIS");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(b);
  std::string out(in.size() * 3 + 4, '\0');  // a character grows to at most 3 bytes
  char* src = in.data();
  char* dst = out.data();
  std::size_t src_left = in.size(), dst_left = out.size();
  std::size_t done = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - dst_left);
  return out;
}

}  // namespace

std::optional<std::string> local_file_path(std::string_view movie_path, std::string_view url) {
  if (movie_path.empty()) return std::nullopt;  // a movie from memory has no folder
  url = url.substr(0, url.find_first_of("?#"));
  std::string scheme = scheme_of(url);
  std::optional<std::string> inside;  // the path below the movie's folder
  auto folder = real_path(folder_of(movie_path));
  if (!folder) return std::nullopt;
  if (scheme == "file") {
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {
      rest.remove_prefix(2);
      std::size_t slash = rest.find('/');
      if (slash == std::string_view::npos) return std::nullopt;
      std::string_view host = rest.substr(0, slash);
      if (!host.empty() && !equals_folded(host, "localhost")) return std::nullopt;
      rest.remove_prefix(slash);
    }
    auto path = percent_decode(rest);
    if (!path || path->empty() || (*path)[0] != '/') return std::nullopt;
    auto real = real_path(*path);
    std::string prefix = *folder == "/" ? "/" : *folder + "/";
    if (!real || real->compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    inside = real->substr(prefix.size());
  } else if (scheme.empty()) {
    auto path = percent_decode(url);
    if (!path) return std::nullopt;
    for (char& c : *path)
      if (c == '\\') c = '/';  // paths written on Windows
    if (path->empty() || (*path)[0] == '/') return std::nullopt;
    inside = normalize_relative(*path);
  }
  if (!inside) return std::nullopt;
  // A link inside the folder may still point out of it: the real path decides.
  auto real = real_path(*folder + "/" + *inside);
  std::string prefix = *folder == "/" ? "/" : *folder + "/";
  if (!real || real->compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return real;
}

std::optional<std::string> read_local_file(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::size_t>(st.st_size) > kMaxLocalFileBytes)
    return std::nullopt;
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;  // shortened while being read
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

std::string decode_loaded_text(std::string bytes, int version, bool use_codepage) {
  std::string_view b = bytes;
  if (b.substr(0, 3) == "\xEF\xBB\xBF") return std::string(b.substr(3));
  if (b.substr(0, 2) == "\xFF\xFE") return utf16_to_utf8(b.substr(2), false);
  if (b.substr(0, 2) == "\xFE\xFF") return utf16_to_utf8(b.substr(2), true);
  if (version >= 6 && use_codepage && !valid_utf8(b)) {
    if (double_byte_shift_jis(b))
      if (auto text = shift_jis_to_utf8(b)) return *text;
    return latin1_to_utf8(b);
  }
  return bytes;
}

}  // namespace strandel::avm1
