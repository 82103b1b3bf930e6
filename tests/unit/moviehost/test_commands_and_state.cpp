// The movie control's saved state, and the commands a movie sends.
#include <gtest/gtest.h>

#include "launcher/OpenFrm.h"
#include "platform/fake/fake_toolkit.h"
#include "platform/saved_state.h"

namespace strandel {
namespace {

using platform::fake::FakeToolkit;
using platform::fake::Log;

TEST(SavedState, BytesAsTheControlExpectsThem) {
  platform::SavedState s = platform::DesignSavedState();
  auto u16 = [&](std::size_t at) { return s[at] | (s[at + 1] << 8); };
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(u16(at)) | (static_cast<std::uint32_t>(u16(at + 2)) << 16);
  };
  EXPECT_EQ(u32(0), 0x55665567u);
  EXPECT_EQ(u32(4), 0x00000300u);
  EXPECT_EQ(u32(8), 18521u);
  EXPECT_EQ(u32(12), 13229u);

  // Offsets of the 19 entries and their types: 8 text, 11 truth value, 13 object.
  const std::pair<std::size_t, int> entries[] = {
      {16, 8},  {24, 8},  {32, 8},  {40, 8},  {60, 11},  {64, 11},  {68, 8},
      {84, 8},  {92, 11}, {96, 8},  {104, 8}, {124, 8},  {146, 11}, {150, 11},
      {154, 8}, {162, 8}, {170, 8}, {178, 13}, {196, 11}};
  for (auto [offset, type] : entries) EXPECT_EQ(u16(offset), type) << "entry at " << offset;
  EXPECT_EQ(u32(18), 2u);           // an empty text: the terminator alone
  EXPECT_EQ(u32(42), 14u);          // "Window": 6 characters and the terminator
  EXPECT_EQ(s[46], 'W');
  EXPECT_EQ(s[47], 0);
  EXPECT_EQ(u16(62), 0xFFFF);       // true
  EXPECT_EQ(u32(126), 16u);         // "ShowAll"
  EXPECT_EQ(u16(148), 0);           // false
  for (std::size_t i = 180; i < 196; ++i) EXPECT_EQ(s[i], 0);
  EXPECT_EQ(u16(198), 1);

  auto settings = platform::DecodeSavedState(s);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->extent_x, 18521);
  EXPECT_EQ(settings->extent_y, 13229);
  EXPECT_EQ(settings->wmode, "Window");
  EXPECT_EQ(settings->quality, "High");
  EXPECT_EQ(settings->allow_script_access, "always");
  EXPECT_EQ(settings->scale, "ShowAll");

  s[0] ^= 1;
  EXPECT_FALSE(platform::DecodeSavedState(s));
  platform::SavedState truncated = platform::DesignSavedState();
  EXPECT_FALSE(platform::DecodeSavedState(std::span(truncated).first(100)));
}

struct Commands : ::testing::Test {
  void send(const std::string& command, const std::string& args) {
    frm.ShockwaveFlash_FSCommand(command, args);
  }
  FakeToolkit tk;
  launcher::OpenFrm frm{tk.form()};
};

TEST_F(Commands, OpenHandsTheArgumentToTheShellUnchanged) {
  send("open", "manual.pdf");
  send("open", "");
  send("open", "a b; rm -rf ~ $(id) `id` 'q' \"d\"");
  EXPECT_EQ(tk.log,
            (Log{"Shell.Execute 4660, Open, [manual.pdf], [], /opt/strandel, 1",
                 "Shell.Execute 4660, Open, [], [], /opt/strandel, 1",
                 "Shell.Execute 4660, Open, [a b; rm -rf ~ $(id) `id` 'q' \"d\"], [], /opt/strandel, 1"}));
}

TEST_F(Commands, MinimizeAndQuit) {
  send("minimize", "ignored");
  send("minimize", "");
  EXPECT_EQ(tk.log, (Log{"OpenFrm.WindowState = 1", "OpenFrm.WindowState = 1"}));
  EXPECT_THROW(send("quit", "anything"), platform::fake::ProgramEnded);
  EXPECT_EQ(tk.log.back(), "End");
  EXPECT_EQ(tk.log[tk.log.size() - 2], "ShockwaveFlash.Visible = 0");
}

TEST_F(Commands, AnythingElseDoesNothing) {
  for (const char* command : {"Open", "OPEN", "QUIT", "Quit", "Minimize", "minimize ", " quit",
                              "", "exec", "open\n"})
    send(command, "x");
  EXPECT_TRUE(tk.log.empty());
}

}  // namespace
}  // namespace strandel
