#include "swf/movie.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "swf/bytes.h"
#include "swf/records.h"
#include "swf/tags.h"

namespace strandel::swf {

namespace {

constexpr std::size_t kHeaderBytes = 8;         // signature, version, file length
constexpr std::size_t kZwsPrefixBytes = 17;     // + compressed length, LZMA properties
constexpr std::size_t kLzmaPropertiesBytes = 5;
constexpr std::size_t kOutputChunk = 64 * 1024;
// Empty tags take two bytes, so a full-size movie could hold 128 million of
// them; no real movie comes near this bound on the list.
constexpr std::size_t kMaxTags = std::size_t{1} << 22;

using Problem = std::optional<Diagnostic>;

// A problem with the file as a whole, not with one of its tags.
Diagnostic file_problem(DiagnosticKind kind, std::string text) {
  return {kind, std::nullopt, std::nullopt, std::move(text)};
}

// A problem in a compressed stream, at a byte of the file.
Diagnostic stream_problem(DiagnosticKind kind, std::string text, std::size_t at) {
  return {kind, std::nullopt, at, std::move(text)};
}

// Grows out by a chunk, never beyond limit. Returns false when out is at the limit.
bool grow(std::vector<std::uint8_t>& out, std::size_t& used, std::size_t limit) {
  if (used >= limit) return false;
  if (used == out.size()) out.resize(std::min(limit, std::max(out.size() * 2, used + kOutputChunk)));
  return true;
}

// Inflates a zlib stream onto out (which holds the header already) until the
// stream ends or out reaches limit bytes.
Problem inflate_body(std::span<const std::uint8_t> in, std::size_t in_offset,
                     std::vector<std::uint8_t>& out, std::size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return file_problem(DiagnosticKind::System, "zlib cannot start");
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(in.size(), UINT32_MAX));
  std::size_t used = out.size();
  Problem error;
  for (;;) {
    if (!grow(out, used, limit)) break;  // declared length reached: the rest is not the movie
    z.next_out = out.data() + used;
    z.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - used, UINT32_MAX));
    int rc = inflate(&z, Z_NO_FLUSH);
    used = out.size() - z.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR || (rc == Z_OK && z.avail_in == 0 && z.avail_out > 0)) {
      error = stream_problem(DiagnosticKind::Truncated, "zlib stream ends early",
                             in_offset + z.total_in);
      break;
    }
    if (rc != Z_OK) {
      error = stream_problem(DiagnosticKind::Corrupt,
                             std::string("zlib stream is corrupt") +
                                 (z.msg ? std::string(": ") + z.msg : std::string()),
                             in_offset + z.total_in);
      break;
    }
  }
  inflateEnd(&z);
  out.resize(used);
  return error;
}

constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

// liblzma's "alone" decoder wants a 13-byte header: the 5 properties bytes,
// then the uncompressed size as 8 little-endian bytes (all ones: unknown, the
// stream then ends with an end marker).
Problem unpack_lzma_body(std::span<const std::uint8_t> file, std::uint64_t size,
                         std::vector<std::uint8_t>& out, std::size_t limit) {
  if (file.size() < kZwsPrefixBytes)
    return file_problem(DiagnosticKind::NotAMovie, "LZMA header ends early");
  std::uint8_t alone_header[13];
  std::memcpy(alone_header, file.data() + 12, kLzmaPropertiesBytes);
  for (int i = 0; i < 8; ++i) alone_header[5 + i] = static_cast<std::uint8_t>(size >> (8 * i));

  lzma_stream z = LZMA_STREAM_INIT;
  if (lzma_alone_decoder(&z, kMaxMovieBytes) != LZMA_OK)
    return file_problem(DiagnosticKind::System, "LZMA decoder cannot start");
  Problem error;
  z.next_in = alone_header;
  z.avail_in = sizeof alone_header;
  std::size_t used = out.size();
  bool header_done = false;
  for (;;) {
    if (!grow(out, used, limit)) break;
    if (z.avail_in == 0 && !header_done) {
      header_done = true;
      z.next_in = file.data() + kZwsPrefixBytes;
      z.avail_in = file.size() - kZwsPrefixBytes;
    }
    z.next_out = out.data() + used;
    z.avail_out = out.size() - used;
    lzma_ret rc = lzma_code(&z, header_done ? LZMA_FINISH : LZMA_RUN);
    used = out.size() - z.avail_out;
    if (rc == LZMA_STREAM_END) break;
    std::size_t at = kZwsPrefixBytes + (z.total_in > 13 ? z.total_in - 13 : 0);
    if (rc == LZMA_BUF_ERROR || (rc == LZMA_OK && header_done && z.avail_in == 0 && z.avail_out > 0)) {
      error = stream_problem(DiagnosticKind::Truncated, "LZMA stream ends early", at);
      break;
    }
    if (rc == LZMA_MEMLIMIT_ERROR || rc == LZMA_MEM_ERROR) {
      error = file_problem(DiagnosticKind::OverLimit, "LZMA stream needs more memory than allowed");
      break;
    }
    if (rc != LZMA_OK) {
      error = rc == LZMA_DATA_ERROR
                  ? stream_problem(DiagnosticKind::Corrupt, "LZMA stream is corrupt", at)
                  : stream_problem(DiagnosticKind::System, "LZMA stream cannot be read", at);
      break;
    }
  }
  lzma_end(&z);
  out.resize(used);
  return error;
}

// The uncompressed size is the declared length less the 8 header bytes. A
// stream that ends with an end marker before that size is corrupt for a
// decoder that was told the size, so such a movie (its declared length too
// large) is read again as a stream of unknown size.
Problem unpack_lzma(std::span<const std::uint8_t> file, std::uint32_t declared_length,
                    std::vector<std::uint8_t>& out, std::size_t limit) {
  std::uint64_t size = declared_length >= kHeaderBytes ? declared_length - kHeaderBytes : 0;
  Problem error = unpack_lzma_body(file, size, out, limit);
  if (!error || error->kind != DiagnosticKind::Corrupt) return error;
  out.resize(kHeaderBytes);
  if (!unpack_lzma_body(file, kUnknownSize, out, limit)) return std::nullopt;
  return error;
}

// Frame rate is 8.8 fixed point, little-endian: the fraction byte comes first.
double read_frame_rate(ByteReader& in) { return in.u16() / 256.0; }

Problem read_header(Movie& movie, const LogCallback& log) {
  try {
    ByteReader in(std::span<const std::uint8_t>(movie.data).subspan(kHeaderBytes));
    movie.stage = read_rect(in);
    movie.frame_rate = read_frame_rate(in);
    movie.frame_count = in.u16();
    TagList list = read_tag_list(in.data().subspan(in.position()));
    std::size_t base = kHeaderBytes + in.position();
    for (TagRecord& t : list.tags) t.offset += base;
    movie.tags = std::move(list.tags);
    if (list.problem && log) {
      list.problem->offset = *list.problem->offset + base;
      log(*list.problem);
    }
    return std::nullopt;
  } catch (const ReadError&) {
    return file_problem(DiagnosticKind::NotAMovie, "header ends early");
  }
}

// The first SetBackgroundColor wins: it is the colour the stage has when the
// first frame is drawn, and this player sets the stage colour only once.
void find_background(Movie& movie, const LogCallback& log) {
  for (const TagRecord& t : movie.tags) {
    if (t.code != code(TagCode::SetBackgroundColor)) continue;
    ByteReader in(movie.body(t));
    try {
      movie.background = read_rgb(in);
      return;
    } catch (const ReadError&) {
      if (log) log({DiagnosticKind::Truncated, t.code, t.offset, "record ends early"});
    }
  }
}

LoadResult rejected(Diagnostic why) { return {nullptr, std::move(why)}; }

LoadResult read_movie_unguarded(std::span<const std::uint8_t> file, const LogCallback& log) {
  if (file.size() < kHeaderBytes)
    return rejected(file_problem(DiagnosticKind::NotAMovie, "shorter than its 8-byte header"));
  auto movie = std::make_shared<Movie>();
  std::string sig(file.begin(), file.begin() + 3);
  if (sig == "FWS") movie->container = Container::FWS;
  else if (sig == "CWS") movie->container = Container::CWS;
  else if (sig == "ZWS") movie->container = Container::ZWS;
  else
    return rejected(file_problem(DiagnosticKind::NotAMovie, "bad signature"));
  movie->version = file[3];
  ByteReader len(file.subspan(4, 4));
  movie->declared_length = len.u32();

  // The declared length bounds what a compressed body may unpack to.
  std::size_t limit = std::min<std::size_t>(
      std::max<std::size_t>(movie->declared_length, kHeaderBytes), kMaxMovieBytes);
  Problem error;
  switch (movie->container) {
    case Container::FWS:
      // A plain movie keeps the bytes that are there, whatever its declared
      // length says: the tag list ends at its End tag or at the last whole tag.
      if (file.size() > kMaxMovieBytes)
        return rejected(file_problem(DiagnosticKind::OverLimit, "movie is larger than 256 MiB"));
      movie->data.assign(file.begin(), file.end());
      break;
    case Container::CWS:
      movie->data.assign(file.begin(), file.begin() + kHeaderBytes);
      error = inflate_body(file.subspan(kHeaderBytes), kHeaderBytes, movie->data, limit);
      break;
    case Container::ZWS:
      movie->data.assign(file.begin(), file.begin() + kHeaderBytes);
      error = unpack_lzma(file, movie->declared_length, movie->data, limit);
      break;
  }
  if (error) return rejected(*error);
  error = read_header(*movie, log);
  if (error) return rejected(*error);
  find_background(*movie, log);
  return {std::move(movie), {}};
}

}  // namespace

std::span<const std::uint8_t> tag_body(std::span<const std::uint8_t> bytes, const TagRecord& tag) {
  if (tag.offset > bytes.size() || tag.length > bytes.size() - tag.offset) return {};
  return bytes.subspan(tag.offset, tag.length);
}

std::span<const std::uint8_t> Movie::body(const TagRecord& tag) const { return tag_body(data, tag); }

// RECORDHEADER: u16 code<<6 | length; a length of 0x3f means a u32 length follows.
TagList read_tag_list(std::span<const std::uint8_t> bytes) {
  TagList list;
  ByteReader in(bytes);
  while (!in.at_end()) {
    std::size_t start = in.position();
    if (list.tags.size() == kMaxTags) {
      list.problem = {DiagnosticKind::OverLimit, std::nullopt, start,
                      "more than " + std::to_string(kMaxTags) + " tags: the rest is left out"};
      break;
    }
    TagRecord tag;
    try {
      std::uint16_t head = in.u16();
      tag.code = head >> 6;
      tag.length = head & 0x3f;
      if (tag.length == 0x3f) tag.length = in.u32();
    } catch (const ReadError&) {
      list.problem = {DiagnosticKind::Truncated, std::nullopt, start, "tag header ends early"};
      break;
    }
    tag.offset = in.position();
    if (tag.length > in.remaining()) {
      list.problem = {DiagnosticKind::Truncated, tag.code, start,
                      "runs past the end (" + std::to_string(tag.length) + " bytes, " +
                          std::to_string(in.remaining()) + " left)"};
      break;
    }
    in.skip(tag.length);
    list.tags.push_back(tag);
    if (tag.code == code(TagCode::End)) break;
  }
  return list;
}

LoadResult read_movie(std::span<const std::uint8_t> file, const LogCallback& log) {
  try {
    return read_movie_unguarded(file, log);
  } catch (const std::bad_alloc&) {
    return rejected(file_problem(DiagnosticKind::System, "out of memory while reading the movie"));
  } catch (const std::exception& e) {
    return rejected(
        file_problem(DiagnosticKind::System, std::string("cannot read the movie: ") + e.what()));
  }
}

LoadResult load_movie_file(const std::string& path, const LogCallback& log) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    return rejected(
        file_problem(DiagnosticKind::System, std::string("cannot open: ") + std::strerror(errno)));
  std::vector<std::uint8_t> bytes;
  Problem error;
  try {
    std::uint8_t buf[64 * 1024];
    for (;;) {
      std::size_t n = std::fread(buf, 1, sizeof buf, f);
      bytes.insert(bytes.end(), buf, buf + n);
      if (bytes.size() > kMaxMovieBytes) {
        error = file_problem(DiagnosticKind::OverLimit, "movie is larger than 256 MiB");
        break;
      }
      if (n < sizeof buf) {
        if (std::ferror(f))
          error = file_problem(DiagnosticKind::System,
                               std::string("cannot read: ") + std::strerror(errno));
        break;
      }
    }
  } catch (const std::bad_alloc&) {
    error = file_problem(DiagnosticKind::System, "out of memory while reading the file");
  }
  std::fclose(f);
  if (error) return rejected(*error);
  LoadResult result = read_movie(bytes, log);
  // Nothing else holds the new movie yet.
  if (result.movie) std::const_pointer_cast<Movie>(result.movie)->path = path;
  return result;
}

}  // namespace strandel::swf
