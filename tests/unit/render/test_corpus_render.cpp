// Every movie of the corpus loads, plays and renders its first frames. The
// sanitizer build runs this too: no crash, leak or hang on third-party data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "render_support.h"
#include "swf/tags.h"

namespace fs = std::filesystem;
using namespace render_test;

namespace {

// The shared reference folder: STRANDEL_SHARED when set (worktrees kept
// elsewhere), else ../shared beside the repository.
fs::path shared_dir() {
  const char* env = std::getenv("STRANDEL_SHARED");
  return env && *env ? fs::path(env) : fs::path(STRANDEL_SOURCE_DIR "/../shared");
}

std::vector<fs::path> corpus_movies() {
  std::vector<fs::path> out;
  fs::path dir = shared_dir() / "corpus/swf";
  if (!fs::is_directory(dir)) return out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".swf") out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Corpus, EveryMovieRendersItsFirstFrames) {
  auto movies = corpus_movies();
  if (movies.empty()) GTEST_SKIP() << "corpus not present";
  int rendered = 0;
  for (const auto& path : movies) {
    SCOPED_TRACE(path.filename().string());
    auto loaded = strandel::swf::load_movie_file(path.string());
    if (!loaded.movie) continue;  // refusing a broken container is the reader's business
    strandel::swf::Player player(loaded.movie);
    Image image(160, 120);
    for (int frame = 0; frame < 3; ++frame) {
      player.advance();
      draw(player, image);
    }
    EXPECT_EQ(cairo_surface_status(image.surface()), CAIRO_STATUS_SUCCESS);
    ++rendered;
  }
  EXPECT_GT(rendered, static_cast<int>(movies.size()) * 9 / 10);
}

// Definition tags the readers refuse, printed for whoever works on them;
// the only hard expectation is that refusing never throws.
TEST(Corpus, DefinitionRefusalsAreReasons) {
  auto movies = corpus_movies();
  if (movies.empty()) GTEST_SKIP() << "corpus not present";
  int defined = 0, refused = 0;
  for (const auto& path : movies) {
    auto loaded = strandel::swf::load_movie_file(path.string());
    if (!loaded.movie) continue;
    strandel::swf::Dictionary dict;
    dict.on_log([&](const strandel::swf::Diagnostic& d) {
      ++refused;
      std::cout << "  " << path.filename().string() << ": " << d.message() << "\n";
    });
    for (const auto& tag : loaded.movie->tags)
      dict.define(tag.code, loaded.movie->body(tag), tag.offset);
    defined += static_cast<int>(dict.size());
  }
  std::cout << "  " << defined << " characters defined, " << refused << " refused\n";
  EXPECT_GT(defined, 0);
}

}  // namespace
