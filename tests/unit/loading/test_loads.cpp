// Loading from a playing movie's scripts: a file beside the movie arrives
// after the frame that asked for it; one outside the movie's folder never
// does, and the movie plays on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "swf/movie.h"
#include "swf/player.h"
#include "swfwriter/swfwriter.h"

namespace strandel::swf {
namespace {

namespace fs = std::filesystem;

class ScriptLoads : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "strandel-loads-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directory(root_ / "movie");
    std::ofstream(root_ / "movie" / "near.txt") << "near=yes";
    std::ofstream(root_ / "far.txt") << "far=yes";
  }
  void TearDown() override { fs::remove_all(root_); }

  // Plays a movie whose first frame loads each URL into _root and whose
  // later frames trace `names`; returns every traced line.
  std::vector<std::string> play(const std::vector<std::string>& urls,
                                const std::vector<std::string>& names, int frames) {
    swfw::Movie m(8, 100, 100, 12);
    swfw::Actions load;
    for (const std::string& url : urls) load.push_string(url).push_string("_root").get_url2(0xC0);
    for (const std::string& name : names) load.push_string(name).get_variable().trace();
    m.do_action(load);
    m.show_frame();
    swfw::Actions show;
    for (const std::string& name : names) show.push_string(name).get_variable().trace();
    m.do_action(show);
    m.show_frame();
    fs::path file = root_ / "movie" / "test.swf";
    m.write(file.string(), swfw::Container::FWS);
    auto loaded = load_movie_file(file.string());
    EXPECT_TRUE(loaded.movie);
    std::vector<std::string> lines;
    if (!loaded.movie) return lines;
    Player player(loaded.movie);
    player.on_trace([&](std::string_view line) { lines.emplace_back(line); });
    for (int i = 0; i < frames; ++i) player.advance();
    return lines;
  }

  fs::path root_;
};

TEST_F(ScriptLoads, AFileBesideTheMovieArrivesAfterTheFrameThatAskedForIt) {
  EXPECT_EQ(play({"near.txt"}, {"near"}, 2), (std::vector<std::string>{"undefined", "yes"}));
}

TEST_F(ScriptLoads, AFileOutsideTheFolderNeverArrives) {
  std::string far = (root_ / "far.txt").string();
  EXPECT_EQ(play({"../far.txt", far, "file://" + far, "near.txt"}, {"far", "near"}, 2),
            (std::vector<std::string>{"undefined", "undefined", "undefined", "yes"}));
}

}  // namespace
}  // namespace strandel::swf
