// The reader and the player over the corpus of third-party movies: each one
// loads or is rejected with a reason, and each loaded one plays its first
// seconds without harm. Movies that ask the host to quit are listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "swf/movie.h"
#include "swf/player.h"
#include "swf/tags.h"

namespace strandel::swf {
namespace {

namespace fs = std::filesystem;

// The shared reference folder: STRANDEL_SHARED when set (worktrees kept
// elsewhere), else ../shared beside the repository.
fs::path shared_dir() {
  const char* env = std::getenv("STRANDEL_SHARED");
  return env && *env ? fs::path(env) : fs::path(STRANDEL_SOURCE_DIR "/../shared");
}

const fs::path kCorpus = shared_dir() / "corpus/swf";

std::vector<fs::path> corpus_movies() {
  std::vector<fs::path> files;
  if (!fs::is_directory(kCorpus)) return files;
  for (const auto& e : fs::directory_iterator(kCorpus))
    if (e.path().extension() == ".swf") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The corpus movie whose name ends with `suffix` (names carry the prefix of
// the collection they come from).
fs::path named(const std::string& suffix) {
  for (const auto& f : corpus_movies()) {
    std::string name = f.filename().string();
    if (name.ends_with(suffix)) return f;
  }
  return kCorpus / suffix;
}

LoadResult load(const std::string& suffix) { return load_movie_file(named(suffix).string()); }

TEST(Corpus, EveryMovieLoadsOrIsRejectedWithAReason) {
  auto files = corpus_movies();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::size_t loaded = 0;
  for (const auto& f : files) {
    LoadResult r = load_movie_file(f.string());
    if (r.movie) {
      ++loaded;
      EXPECT_TRUE(r.error.text.empty()) << f.filename();
    } else {
      EXPECT_FALSE(r.error.text.empty()) << f.filename();
    }
  }
  EXPECT_GT(loaded, files.size() * 9 / 10);
}

TEST(Corpus, KnownFactsOfChosenMovies) {
  if (corpus_movies().empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
  auto red = load("-swfcrate_SimpleRedBackground.swf");
  ASSERT_TRUE(red.movie) << red.error.message();
  EXPECT_EQ(red.movie->background, (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(red.movie->stage, (Rect{0, 8000, 0, 8000}));
  EXPECT_DOUBLE_EQ(red.movie->frame_rate, 60);

  // One movie in three containers: the same tags.
  auto plain = load("-swfcrate_uncompressed.swf");
  ASSERT_TRUE(plain.movie) << plain.error.message();
  for (const char* name : {"-swfcrate_zlib.swf", "-swfcrate_lzma.swf"}) {
    auto other = load(name);
    ASSERT_TRUE(other.movie) << name << ": " << other.error.message();
    ASSERT_EQ(other.movie->tags.size(), plain.movie->tags.size()) << name;
    for (std::size_t i = 0; i < plain.movie->tags.size(); ++i) {
      EXPECT_EQ(other.movie->tags[i].code, plain.movie->tags[i].code);
      auto a = plain.movie->body(plain.movie->tags[i]);
      auto b = other.movie->body(other.movie->tags[i]);
      EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << name << " tag " << i;
    }
  }

  EXPECT_EQ(load("_broken_not_a_swf_text.swf").error.kind, DiagnosticKind::NotAMovie);
  EXPECT_FALSE(load("_broken_empty_file.swf").movie);
  std::vector<Diagnostic> problems;
  auto past_eof = load_movie_file(named("_broken_avm1_tag_past_eof.swf").string(),
                                  [&](const Diagnostic& d) { problems.push_back(d); });
  ASSERT_TRUE(past_eof.movie) << past_eof.error.message();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, DiagnosticKind::Truncated);
}

// Plays about five seconds of every movie (at most 600 frames) and lists
// the ones that send FSCommand "quit".
TEST(Corpus, PlaysTheFirstSecondsOfEveryMovie) {
  auto files = corpus_movies();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::vector<std::string> quitters;
  std::size_t played = 0;
  for (const auto& f : files) {
    LoadResult r = load_movie_file(f.string());
    if (!r.movie) continue;
    Player player(r.movie);
    bool quit = false;
    player.on_fscommand([&](const std::string& command, const std::string&) {
      std::string c = command;
      std::transform(c.begin(), c.end(), c.begin(), ::tolower);
      if (c == "quit") quit = true;
    });
    int frames = static_cast<int>(std::min(600.0, 5.0 / player.frame_interval()));
    for (int i = 0; i < frames; ++i) {
      player.advance();
      if (!player.is_animating()) break;
    }
    EXPECT_GE(player.current_frame(), 1) << f.filename();
    ++played;
    if (quit) quitters.push_back(f.filename().string());
  }
  std::cout << "played " << played << " movies; sending quit:";
  for (const auto& q : quitters) std::cout << " " << q;
  std::cout << "\n";
  EXPECT_GT(played, 0u);
}

// Movies whose frame scripts, clip actions or sprite scripts end in "quit"
// (after arrays, with, a sprite's frame script) send it on the frame the
// vendor's player does.
TEST(Corpus, ScriptedMoviesSendQuitOnTheirFrame) {
  if (corpus_movies().empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
  const std::pair<const char*, int> cases[] = {
      {"_avm1_array_sort_random.swf", 1},          {"_avm1_array_trivial.swf", 1},
      {"_timeline_as2_2_clipaction_fscommand.swf", 1}, {"_timeline_as2_5_sprite_fscommand.swf", 8},
      {"_trace_jump-into-with.swf", 1},             {"_trace_video-enumerate.swf", 1}};
  for (const auto& [suffix, frame] : cases) {
    LoadResult r = load(suffix);
    ASSERT_TRUE(r.movie) << suffix;
    Player player(r.movie);
    int shown = 0, quit_frame = 0;  // frames the movie has shown, counted from 1
    player.on_fscommand([&](const std::string& command, const std::string&) {
      if (command == "quit" && quit_frame == 0) quit_frame = shown;
    });
    while (shown < 20 && quit_frame == 0) {
      ++shown;
      player.advance();
    }
    EXPECT_EQ(quit_frame, frame) << suffix;
  }
}

}  // namespace
}  // namespace strandel::swf
