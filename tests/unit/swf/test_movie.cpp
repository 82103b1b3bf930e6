// The movie reader against movies built byte by byte here: the three
// containers, broken headers and broken tag lists.
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>

#include <vector>

#include "swf/movie.h"
#include "swf/player.h"
#include "swf/records.h"
#include "swf/tags.h"
#include "swf/timeline.h"

namespace strandel::swf {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A movie read from bytes, with the problems its log callback was told.
struct Logged {
  LoadResult result;
  std::vector<Diagnostic> problems;
};
Logged read_logged(const Bytes& file) {
  Logged l;
  l.result = read_movie(file, [&l](const Diagnostic& d) { l.problems.push_back(d); });
  return l;
}

void put16(Bytes& b, unsigned v) {
  b.push_back(v & 0xff);
  b.push_back((v >> 8) & 0xff);
}
void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}

void put_tag(Bytes& b, unsigned code, const Bytes& body, bool long_form = false) {
  if (long_form || body.size() >= 0x3f) {
    put16(b, (code << 6) | 0x3f);
    put32(b, static_cast<std::uint32_t>(body.size()));
  } else {
    put16(b, (code << 6) | body.size());
  }
  b.insert(b.end(), body.begin(), body.end());
}

// Everything after the 8-byte header: stage 0..11000 x 0..8000 twips (nbits 15),
// 24.5 fps, 3 frames, then the given tags.
Bytes movie_body(const Bytes& tags) {
  // RECT nbits=15: 5 + 4*15 = 65 bits -> 9 bytes.
  std::uint64_t bits = 15;
  Bytes rect;
  unsigned long long acc = 0;
  int nacc = 0;
  auto push_bits = [&](std::uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      acc = (acc << 1) | ((v >> i) & 1);
      if (++nacc == 8) {
        rect.push_back(static_cast<std::uint8_t>(acc));
        acc = 0;
        nacc = 0;
      }
    }
  };
  push_bits(static_cast<std::uint32_t>(bits), 5);
  for (std::uint32_t v : {0u, 11000u, 0u, 8000u}) push_bits(v, 15);
  if (nacc) push_bits(0, 8 - nacc);
  Bytes b = rect;
  b.push_back(0x80);  // 0.5
  b.push_back(24);
  put16(b, 3);
  b.insert(b.end(), tags.begin(), tags.end());
  return b;
}

Bytes standard_tags() {
  Bytes t;
  put_tag(t, code(TagCode::SetBackgroundColor), {0x10, 0x20, 0x30});
  put_tag(t, code(TagCode::SetBackgroundColor), {0xff, 0xff, 0xff});
  put_tag(t, code(TagCode::ShowFrame), {});
  put_tag(t, code(TagCode::DoAction), Bytes(100, 0));  // long form by size
  put_tag(t, code(TagCode::ShowFrame), {}, true);      // long form by choice
  put_tag(t, code(TagCode::End), {});
  return t;
}

Bytes fws(const Bytes& body, std::uint32_t declared = 0) {
  Bytes f = {'F', 'W', 'S', 10};
  put32(f, declared ? declared : static_cast<std::uint32_t>(body.size() + 8));
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

Bytes cws(const Bytes& body) {
  Bytes f = {'C', 'W', 'S', 10};
  put32(f, static_cast<std::uint32_t>(body.size() + 8));
  uLongf n = compressBound(body.size());
  Bytes z(n);
  EXPECT_EQ(compress2(z.data(), &n, body.data(), body.size(), 9), Z_OK);
  f.insert(f.end(), z.begin(), z.begin() + n);
  return f;
}

// ZWS from liblzma's "alone" format: its 13-byte header is the 5 properties
// bytes and an 8-byte size, which the movie replaces with its own fields.
Bytes zws(const Bytes& body, std::uint32_t declared = 0) {
  lzma_options_lzma opt;
  lzma_lzma_preset(&opt, 6);
  lzma_stream s = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_alone_encoder(&s, &opt), LZMA_OK);
  Bytes out(body.size() * 2 + 1024);
  s.next_in = body.data();
  s.avail_in = body.size();
  s.next_out = out.data();
  s.avail_out = out.size();
  EXPECT_EQ(lzma_code(&s, LZMA_FINISH), LZMA_STREAM_END);
  out.resize(out.size() - s.avail_out);
  lzma_end(&s);
  Bytes f = {'Z', 'W', 'S', 13};
  put32(f, declared ? declared : static_cast<std::uint32_t>(body.size() + 8));
  put32(f, static_cast<std::uint32_t>(out.size() - 13));
  f.insert(f.end(), out.begin(), out.begin() + 5);
  f.insert(f.end(), out.begin() + 13, out.end());
  return f;
}

void expect_standard_movie(const Logged& l, Container c) {
  const LoadResult& r = l.result;
  ASSERT_TRUE(r.movie) << r.error.message();
  const Movie& m = *r.movie;
  EXPECT_EQ(m.container, c);
  EXPECT_EQ(m.stage, (Rect{0, 11000, 0, 8000}));
  EXPECT_DOUBLE_EQ(m.frame_rate, 24.5);
  EXPECT_EQ(m.frame_count, 3);
  ASSERT_TRUE(m.background);
  EXPECT_EQ(*m.background, (Rgba{0x10, 0x20, 0x30, 255}));  // the first one wins
  ASSERT_EQ(m.tags.size(), 6u);
  EXPECT_EQ(m.tags[3].code, code(TagCode::DoAction));
  EXPECT_EQ(m.tags[3].length, 100u);
  EXPECT_EQ(m.body(m.tags[3]).size(), 100u);
  EXPECT_EQ(m.tags[4].length, 0u);
  EXPECT_EQ(m.tags[5].code, code(TagCode::End));
  EXPECT_TRUE(l.problems.empty());
}

TEST(Movie, ReadsTheThreeContainersAlike) {
  Bytes body = movie_body(standard_tags());
  expect_standard_movie(read_logged(fws(body)), Container::FWS);
  expect_standard_movie(read_logged(cws(body)), Container::CWS);
  expect_standard_movie(read_logged(zws(body)), Container::ZWS);
}

TEST(Movie, CompressedBodyIsCutAtTheDeclaredLength) {
  Bytes body = movie_body(standard_tags());
  Bytes f = cws(body);
  f[4] = static_cast<std::uint8_t>(body.size() + 8 - 4);  // the End tag and two more bytes are cut
  f[5] = f[6] = f[7] = 0;
  auto [r, problems] = read_logged(f);
  ASSERT_TRUE(r.movie) << r.error.message();
  EXPECT_EQ(r.movie->data.size(), body.size() + 8 - 4);
  EXPECT_EQ(r.movie->tags.size(), 4u);  // the second ShowFrame's long header is cut
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, DiagnosticKind::Truncated);
}

TEST(Movie, LzmaWithDeclaredLengthTooLargeStillReads) {
  Bytes body = movie_body(standard_tags());
  expect_standard_movie(read_logged(zws(body, 0xffffffff)), Container::ZWS);
}

TEST(Movie, RejectsBrokenFilesWithAReason) {
  Bytes body = movie_body(standard_tags());
  struct Case {
    const char* what;
    Bytes file;
    DiagnosticKind kind;
    std::optional<std::size_t> offset;  // of the byte where a stream fails
  };
  Bytes cws_cut = cws(body);
  cws_cut.resize(cws_cut.size() / 2);
  Bytes cws_garbage = cws(body);
  for (std::size_t i = 8; i < cws_garbage.size(); ++i) cws_garbage[i] ^= 0x5a;
  Bytes zws_cut = zws(body);
  zws_cut.resize(zws_cut.size() / 2);
  Bytes header_cut = fws(body);
  header_cut.resize(12);
  const std::size_t cws_cut_end = cws_cut.size();
  std::vector<Case> cases = {
      {"empty", {}, DiagnosticKind::NotAMovie, std::nullopt},
      {"bad signature",
       {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0},
       DiagnosticKind::NotAMovie,
       std::nullopt},
      {"header cut", header_cut, DiagnosticKind::NotAMovie, std::nullopt},
      {"zlib cut", cws_cut, DiagnosticKind::Truncated, cws_cut_end},
      {"zlib garbage", cws_garbage, DiagnosticKind::Corrupt, 10},
      {"lzma cut", zws_cut, DiagnosticKind::Truncated, std::nullopt},
      {"lzma prefix cut",
       {'Z', 'W', 'S', 13, 40, 0, 0, 0, 1, 0},
       DiagnosticKind::NotAMovie,
       std::nullopt},
  };
  for (const Case& c : cases) {
    auto r = read_movie(c.file);
    EXPECT_FALSE(r.movie) << c.what;
    EXPECT_EQ(r.error.kind, c.kind) << c.what << ": " << r.error.message();
    EXPECT_FALSE(r.error.text.empty()) << c.what;
    if (c.offset) {
      EXPECT_EQ(r.error.offset, c.offset) << c.what << ": " << r.error.message();
    }
  }
}

TEST(Movie, TagRunningPastTheEndEndsTheListWithANote) {
  Bytes tags;
  put_tag(tags, code(TagCode::ShowFrame), {});
  put16(tags, (code(TagCode::DoAction) << 6) | 0x3f);
  put32(tags, 0xfffffff0);  // hostile long length
  tags.push_back(0);
  auto [r, problems] = read_logged(fws(movie_body(tags)));
  ASSERT_TRUE(r.movie) << r.error.message();
  ASSERT_EQ(r.movie->tags.size(), 1u);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, DiagnosticKind::Truncated);
  EXPECT_EQ(problems[0].tag, code(TagCode::DoAction));
  EXPECT_EQ(problems[0].offset, 8u + 13u + 2u);  // header, RECT and rate, count, ShowFrame
  EXPECT_FALSE(r.movie->background);
}

TEST(Movie, PlainMovieShorterThanDeclaredUsesWhatIsThere) {
  Bytes tags;
  put_tag(tags, code(TagCode::ShowFrame), {});
  auto r = read_movie(fws(movie_body(tags), 100000));
  ASSERT_TRUE(r.movie) << r.error.message();
  EXPECT_EQ(r.movie->declared_length, 100000u);
  EXPECT_EQ(r.movie->tags.size(), 1u);
}

TEST(Movie, TagListStopsAtEndAndHandlesACutHeader) {
  Bytes tags;
  put_tag(tags, code(TagCode::ShowFrame), {});
  put_tag(tags, code(TagCode::End), {});
  put_tag(tags, code(TagCode::ShowFrame), {});  // after End: not part of the list
  TagList list = read_tag_list(tags);
  EXPECT_EQ(list.tags.size(), 2u);
  EXPECT_FALSE(list.problem);
  Bytes cut = {0x7f};  // half a record header
  list = read_tag_list(cut);
  EXPECT_TRUE(list.tags.empty());
  EXPECT_TRUE(list.problem);
  EXPECT_TRUE(tag_body(cut, TagRecord{1, 0, 5}).empty());
}

TEST(Movie, EndlessTagsAndFramesStopAtTheirCaps) {
  constexpr std::size_t kShowFrames = 5'000'000;  // ten megabytes of empty tags
  Bytes tags;
  tags.reserve(kShowFrames * 2);
  for (std::size_t i = 0; i < kShowFrames; ++i) put_tag(tags, code(TagCode::ShowFrame), {});
  auto [r, problems] = read_logged(fws(movie_body(tags)));
  ASSERT_TRUE(r.movie) << r.error.message();
  EXPECT_LT(r.movie->tags.size(), kShowFrames);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, DiagnosticKind::OverLimit);
  // Millions of frames play as the most a timeline holds.
  Player player(r.movie);
  player.advance();
  EXPECT_EQ(player.total_frames(*player.root()), kMaxFrames);
  for (int i = 0; i < 3; ++i) player.advance();
  EXPECT_EQ(player.current_frame(), 4);
}

TEST(Movie, LoadFileReportsWhyItCannotOpen) {
  auto r = load_movie_file("/nonexistent/strandel/movie.swf");
  EXPECT_FALSE(r.movie);
  EXPECT_EQ(r.error.kind, DiagnosticKind::System);
  EXPECT_EQ(r.error.text, "cannot open: No such file or directory");
}

TEST(Records, ReadPackedRecordsAndStayByteAligned) {
  // MATRIX: HasScale, nbits 19, scale 2.0 and 0.5; no rotate; translate nbits 0.
  // CXFORMWITHALPHA: add+mult, nbits 10, mult (256,128,512,256) add (10,-10,0,5).
  Bytes bits;
  unsigned long long acc = 0;
  int n = 0;
  auto push = [&](std::uint32_t v, int count) {
    for (int i = count - 1; i >= 0; --i) {
      acc = (acc << 1) | ((v >> i) & 1);
      if (++n == 8) {
        bits.push_back(static_cast<std::uint8_t>(acc));
        acc = n = 0;
      }
    }
  };
  auto flush = [&] {
    if (n) push(0, 8 - n);
  };
  push(1, 1), push(19, 5), push(0x20000, 19), push(0x8000, 19), push(0, 1), push(0, 5);
  flush();
  push(1, 1), push(1, 1), push(11, 4);
  for (int v : {256, 128, 512, 256, 10, -10, 0, 5}) push(static_cast<std::uint32_t>(v) & 0x7ff, 11);
  flush();
  bits.insert(bits.end(), {1, 2, 3, 4});
  ByteReader in(bits);
  Matrix m = read_matrix(in);
  EXPECT_EQ(m, (Matrix{2.0, 0, 0, 0.5, 0, 0}));
  ColorTransform cx = read_cxform_with_alpha(in);
  EXPECT_EQ(cx, (ColorTransform{1.0, 0.5, 2.0, 1.0, 10, -10, 0, 5}));
  EXPECT_EQ(read_argb(in), (Rgba{2, 3, 4, 1}));
  EXPECT_TRUE(in.at_end());
  ByteReader empty(std::span<const std::uint8_t>{});
  EXPECT_THROW(read_rect(empty), ReadError);
}

}  // namespace
}  // namespace strandel::swf
