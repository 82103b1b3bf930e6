// The files a movie's scripts may read: those in the movie's folder or
// below it, named by a relative URL ("data/menu.xml", "a%20b.txt") or by a
// file: URL that leads there. Nothing else is read: no URL of another scheme,
// no absolute path, no ".." that climbs out of the folder, no link that
// points outside it, nothing but a regular file of bounded size.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace strandel::avm1 {

// The largest file a script may load; larger ones fail to load.
inline constexpr std::size_t kMaxLocalFileBytes = 16u << 20;

// The file `url` names for a movie read from `movie_path`, or nothing when
// the URL leads outside the movie's folder or is not a local file.
std::optional<std::string> local_file_path(std::string_view movie_path, std::string_view url);

// The bytes of a regular file, read without blocking on a named pipe in its
// place; nothing when it cannot be read or exceeds kMaxLocalFileBytes.
std::optional<std::string> read_local_file(const std::string& path);

// Text as a loaded file holds it, as script text: a byte-order mark picks
// UTF-8 or UTF-16; otherwise movies from version 6 read UTF-8 (unless
// `use_codepage`, when text that is not UTF-8 is read as Latin-1) and older
// movies take the bytes as they are.
std::string decode_loaded_text(std::string bytes, int version, bool use_codepage);

}  // namespace strandel::avm1
