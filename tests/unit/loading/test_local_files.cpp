// Which files a movie's scripts may read: only those in the movie's folder
// and below it, whatever the URL says, and only regular files of bounded size.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "avm1/local_files.h"

namespace strandel::avm1 {
namespace {

namespace fs = std::filesystem;

class LocalFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "strandel-local-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = fs::canonical(pattern);
    fs::create_directories(root_ / "movie" / "data");
    write(root_ / "movie" / "menu.xml", "<menu/>");
    write(root_ / "movie" / "data" / "items.txt", "a=1");
    write(root_ / "movie" / "two words.txt", "b=2");
    write(root_ / "secret.txt", "outside");
    movie_ = (root_ / "movie" / "menu.swf").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  static void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string inside(const std::string& relative) const {
    return (root_ / "movie" / relative).string();
  }

  fs::path root_;
  std::string movie_;
};

TEST_F(LocalFiles, RelativeUrlsResolveInsideTheMovieFolder) {
  EXPECT_EQ(local_file_path(movie_, "menu.xml"), inside("menu.xml"));
  EXPECT_EQ(local_file_path(movie_, "data/items.txt"), inside("data/items.txt"));
  EXPECT_EQ(local_file_path(movie_, "./data/../menu.xml"), inside("menu.xml"));
  EXPECT_EQ(local_file_path(movie_, "data\\items.txt"), inside("data/items.txt"));
  EXPECT_EQ(local_file_path(movie_, "two%20words.txt"), inside("two words.txt"));
  EXPECT_EQ(local_file_path(movie_, "menu.xml?lang=en#top"), inside("menu.xml"));
}

TEST_F(LocalFiles, NothingOutsideTheFolderIsReachable) {
  for (const char* url : {"../secret.txt", "data/../../secret.txt", "%2e%2e/secret.txt",
                          "..%2Fsecret.txt", "..\\secret.txt", "/etc/passwd", "\\etc\\passwd",
                          "C:\\secret.txt", "", ".", "data/..", "menu.xml%00.txt"})
    EXPECT_FALSE(local_file_path(movie_, url)) << url;
  std::string outside = (root_ / "secret.txt").string();
  EXPECT_FALSE(local_file_path(movie_, outside));
  EXPECT_FALSE(local_file_path(movie_, "file://" + outside));
  EXPECT_FALSE(local_file_path("", "menu.xml"));  // a movie read from memory
}

TEST_F(LocalFiles, OnlyLocalFileUrlsAreRead) {
  EXPECT_EQ(local_file_path(movie_, "file://" + inside("menu.xml")), inside("menu.xml"));
  EXPECT_EQ(local_file_path(movie_, "FILE://localhost" + inside("menu.xml")), inside("menu.xml"));
  EXPECT_FALSE(local_file_path(movie_, "file://server" + inside("menu.xml")));
  for (const char* url : {"http://example.com/menu.xml", "https://example.com/menu.xml",
                          "ftp://example.com/menu.xml", "javascript:alert(1)"})
    EXPECT_FALSE(local_file_path(movie_, url)) << url;
}

TEST_F(LocalFiles, LinksPointingOutOfTheFolderAreRefused) {
  fs::create_symlink(root_ / "secret.txt", root_ / "movie" / "link.txt");
  fs::create_directory_symlink(root_, root_ / "movie" / "up");
  EXPECT_FALSE(local_file_path(movie_, "link.txt"));
  EXPECT_FALSE(local_file_path(movie_, "up/secret.txt"));
}

TEST_F(LocalFiles, OnlyRegularFilesOfBoundedSizeAreRead) {
  EXPECT_EQ(read_local_file(inside("menu.xml")), "<menu/>");
  EXPECT_FALSE(read_local_file(inside("missing.xml")));
  EXPECT_FALSE(read_local_file(inside("data")));
  // A named pipe with no writer would block an ordinary open for ever.
  ASSERT_EQ(mkfifo(inside("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(read_local_file(inside("pipe")));
  fs::path big = inside("big.txt");
  write(big, "");
  fs::resize_file(big, kMaxLocalFileBytes + 1);
  EXPECT_FALSE(read_local_file(big.string()));
}

TEST(LoadedText, ByteOrderMarksChooseTheEncoding) {
  EXPECT_EQ(decode_loaded_text("\xEF\xBB\xBFx=\xC3\xA9", 8, false), "x=\xC3\xA9");
  EXPECT_EQ(decode_loaded_text(std::string("\xFF\xFEx\0=\0\xE9\0", 8), 8, false), "x=\xC3\xA9");
  EXPECT_EQ(decode_loaded_text(std::string("\xFE\xFF\0x\0=\0\xE9", 8), 8, false), "x=\xC3\xA9");
}

TEST(LoadedText, CodePageTextIsReadAsLatin1OnlyWhenAsked) {
  EXPECT_EQ(decode_loaded_text("x=\xE9", 8, true), "x=\xC3\xA9");
  EXPECT_EQ(decode_loaded_text("x=\xC3\xA9", 8, true), "x=\xC3\xA9");
  EXPECT_EQ(decode_loaded_text("x=\xE9", 8, false), "x=\xE9");
  EXPECT_EQ(decode_loaded_text("x=\xE9", 5, true), "x=\xE9");
}

}  // namespace
}  // namespace strandel::avm1
