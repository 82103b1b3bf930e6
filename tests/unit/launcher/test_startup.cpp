// The start-up sequence against the recording toolkit: settings lines, the
// placement rules' ordered assignments, and the start-up failures.
#include <gtest/gtest.h>

#include "launcher/OpenFrm.h"
#include "platform/fake/fake_toolkit.h"
#include "platform/runtime_error.h"

namespace strandel {
namespace {

using platform::ErrorNumber;
using platform::fake::FakeToolkit;
using platform::fake::Log;

// Runs Form_Load over a settings file and returns what it assigned, without
// the dressing of a framed window (that has tests of its own).
struct Startup {
  explicit Startup(const std::string& settings, float twips_per_pixel = 15) {
    tk.screen.twips_per_pixel_x = tk.screen.twips_per_pixel_y = twips_per_pixel;
    tk.services.files["readme.txt"] = settings;
  }
  Log run() {
    frm.Form_Load();
    return layout_only(tk.log);
  }
  static Log layout_only(const Log& log) {
    Log out;
    for (const auto& entry : log) {
      bool chrome = entry.starts_with("iconPic.") || entry.starts_with("picBack.") ||
                    entry.starts_with("btnMin.") || entry.starts_with("btnClose.") ||
                    entry.starts_with("OpenFrm.AutoRedraw") || entry.starts_with("OpenFrm.BackColor");
      if (!chrome || entry.ends_with("Visible = 0")) out.push_back(entry);
    }
    return out;
  }
  ErrorNumber failure() {
    try {
      frm.Form_Load();
    } catch (const platform::RuntimeError& error) {
      detail = error.detail();
      return error.error();
    }
    ADD_FAILURE() << "Form_Load did not fail";
    return ErrorNumber::Overflow;
  }
  FakeToolkit tk;
  launcher::OpenFrm frm{tk.form()};
  std::string detail;
};

const std::string kLoad = "ShockwaveFlash.LoadMovie 0, /media/cdrom";
const Log kBorderless = {"iconPic.Visible = 0", "picBack.Visible = 0", "btnMin.Visible = 0",
                         "btnClose.Visible = 0"};

Log concat(std::initializer_list<Log> parts) {
  Log out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The worked example: a 1024 × 768 screen at 15 twips per pixel.
TEST(PlacementRules, WorkedExampleFramed) {
  EXPECT_EQ(Startup("sizes:640x480\r\n/m.swf").run(),
            (Log{"ShockwaveFlash.Width = 9600", "ShockwaveFlash.Height = 7200",
                 "OpenFrm.Width = 9720", "OpenFrm.Height = 7650", "ShockwaveFlash.Left = 60",
                 "ShockwaveFlash.Top = 390", kLoad + "/m.swf"}));
  EXPECT_EQ(Startup("fullscreen:true\r\n/m.swf").run(),
            (Log{"OpenFrm.Width = 15360", "OpenFrm.Height = 11520", "ShockwaveFlash.Width = 15240",
                 "ShockwaveFlash.Height = 11070", "ShockwaveFlash.Left = 60",
                 "ShockwaveFlash.Top = 390", kLoad + "/m.swf"}));
  EXPECT_EQ(Startup("fullscreen:true\r\nsizes:640x480\r\n/m.swf").run(),
            (Log{"OpenFrm.Width = 15360", "OpenFrm.Height = 11520", "ShockwaveFlash.Width = 15240",
                 "ShockwaveFlash.Height = 11070", "ShockwaveFlash.Left = 60",
                 "ShockwaveFlash.Top = 390", "ShockwaveFlash.Width = 9600",
                 "ShockwaveFlash.Height = 7200", "ShockwaveFlash.Left = 2880",
                 "workFlash.Visible = -1", "workFlash.BackColor = 14417920", "workFlash.Left = 60",
                 "workFlash.Top = 390", "workFlash.Width = 15240", "workFlash.Height = 11070",
                 "ShockwaveFlash.Top = 1995", kLoad + "/m.swf"}));
  EXPECT_EQ(Startup("sizes:640x480\r\nfullscreen:true\r\n/m.swf").run(),
            (Log{"ShockwaveFlash.Width = 9600", "ShockwaveFlash.Height = 7200",
                 "OpenFrm.Width = 9720", "OpenFrm.Height = 7650", "ShockwaveFlash.Left = 60",
                 "ShockwaveFlash.Top = 390", "OpenFrm.Width = 15360", "OpenFrm.Height = 11520",
                 "ShockwaveFlash.Width = 15240", "ShockwaveFlash.Height = 11070",
                 "ShockwaveFlash.Left = 60", "ShockwaveFlash.Top = 390", kLoad + "/m.swf"}));
}

TEST(PlacementRules, WorkedExampleBorderless) {
  EXPECT_EQ(Startup("border:false\r\nsizes:640x480\r\n/m.swf").run(),
            concat({kBorderless,
                    {"ShockwaveFlash.Width = 9600", "ShockwaveFlash.Height = 7200",
                     "OpenFrm.Width = 9600", "OpenFrm.Height = 7200", kLoad + "/m.swf"}}));
  EXPECT_EQ(Startup("border:false\r\nfullscreen:true\r\n/m.swf").run(),
            concat({kBorderless,
                    {"OpenFrm.Width = 15360", "OpenFrm.Height = 11520",
                     "ShockwaveFlash.Width = 15360", "ShockwaveFlash.Height = 11520",
                     kLoad + "/m.swf"}}));
  EXPECT_EQ(Startup("border:false\r\nfullscreen:true\r\nsizes:640x480\r\n/m.swf").run(),
            concat({kBorderless,
                    {"OpenFrm.Width = 15360", "OpenFrm.Height = 11520",
                     "ShockwaveFlash.Width = 15360", "ShockwaveFlash.Height = 11520",
                     "ShockwaveFlash.Width = 9600", "ShockwaveFlash.Height = 7200",
                     "ShockwaveFlash.Left = 2880", "ShockwaveFlash.Top = 2160", kLoad + "/m.swf"}}));
  // Both keys on one line: borderless first, then the full-screen rule.
  EXPECT_EQ(Startup("border:false fullscreen:true\r\n/m.swf").run(),
            concat({kBorderless,
                    {"OpenFrm.Width = 15360", "OpenFrm.Height = 11520",
                     "ShockwaveFlash.Width = 15360", "ShockwaveFlash.Height = 11520",
                     kLoad + "/m.swf"}}));
}

TEST(PlacementRules, OtherFactorsAndFractions) {
  EXPECT_EQ(Startup("sizes:640x480\n/m.swf", 12).run(),
            (Log{"ShockwaveFlash.Width = 7680", "ShockwaveFlash.Height = 5760",
                 "OpenFrm.Width = 7776", "OpenFrm.Height = 6120", "ShockwaveFlash.Left = 48",
                 "ShockwaveFlash.Top = 312", kLoad + "/m.swf"}));
  Log fractional = Startup("border:false\nsizes: 640.5 x 480 \n/m.swf").run();
  EXPECT_EQ(fractional[4], "ShockwaveFlash.Width = 9607.5");
  EXPECT_EQ(fractional[6], "OpenFrm.Width = 9607.5");
}

TEST(PlacementRules, MovieLargerThanScreenGetsNegativePositions) {
  Log framed = Startup("fullscreen:true\nsizes:2048x1536\n/m.swf").run();
  EXPECT_NE(std::find(framed.begin(), framed.end(), "ShockwaveFlash.Left = -7680"), framed.end());
  EXPECT_NE(std::find(framed.begin(), framed.end(), "ShockwaveFlash.Top = -5925"), framed.end());
  Log borderless = Startup("border:false\nfullscreen:true\nsizes:2048x1536\n/m.swf").run();
  EXPECT_NE(std::find(borderless.begin(), borderless.end(), "ShockwaveFlash.Top = -5760"),
            borderless.end());
}

TEST(PlacementRules, BothKeysOnOneLineAndKeysInsidePieces) {
  // The third piece holds the full-screen key and is ignored by the sizes rule,
  // which already centres the movie because the full-screen rule ran first.
  Log log = Startup("sizes:640x480xfullscreen:true\n/m.swf").run();
  EXPECT_EQ(log[0], "OpenFrm.Width = 15360");
  EXPECT_EQ(log[8], "ShockwaveFlash.Left = 2880");
  EXPECT_EQ(log.back(), "ShockwaveFlash.LoadMovie 0, /media/cdrom/m.swf");

  // The key inside the height piece makes it no number.
  Startup inside("sizes:640x480fullscreen:true\n/m.swf");
  EXPECT_EQ(inside.failure(), ErrorNumber::TypeMismatch);
  EXPECT_EQ(inside.tk.log.back(), "ShockwaveFlash.Width = 9600");  // step 1 ran, step 2 failed
}

TEST(SettingsFile, LastLineNamesTheMovieWhateverItHolds) {
  EXPECT_EQ(Startup("/movie.swf").run(), (Log{kLoad + "/movie.swf"}));
  EXPECT_EQ(Startup("sizes:640x480").run().back(), kLoad + "sizes:640x480");
  EXPECT_EQ(Startup("a\r\n\r\n").run().back(), kLoad);  // ends with an empty line
  EXPECT_EQ(Startup("a\n\n").run().back(), kLoad);
  EXPECT_EQ(Startup("sizes:640x480\r\n").run().back(), kLoad + "sizes:640x480");
  EXPECT_EQ(Startup("\xEF\xBB\xBF/movie.swf").run(), (Log{kLoad + "/movie.swf"}));
  // Only CR + LF is one separator; LF + CR is two.
  EXPECT_EQ(Startup("a\n\r/m.swf").run().back(), kLoad + "/m.swf");
}

TEST(SettingsFile, KeysMatchExactlyAndRepeat) {
  EXPECT_EQ(Startup("BORDER:FALSE\nFullScreen:true\nSizes:640x480\n/m.swf").run(),
            (Log{kLoad + "/m.swf"}));
  Startup twice("border:false\nborder:false\n/m.swf");
  EXPECT_EQ(twice.run(), concat({kBorderless, kBorderless, {kLoad + "/m.swf"}}));
  EXPECT_EQ(twice.frm.framed(), platform::kFalse);
  // Framed sizes line, then borderless full screen: the movie keeps the margin
  // offsets of the framed line.
  Log log = Startup("sizes:640x480\nborder:false\nfullscreen:true\n/m.swf").run();
  EXPECT_EQ(log[4], "ShockwaveFlash.Left = 60");
  EXPECT_EQ(log.size(), 6u + 4 + 4 + 1);
}

TEST(SettingsFile, StartupFailures) {
  Startup missing("");
  missing.tk.services.files.clear();
  EXPECT_EQ(missing.failure(), ErrorNumber::FileNotFound);
  EXPECT_EQ(missing.detail, "/media/cdrom/readme.txt");

  Startup empty("");
  EXPECT_EQ(empty.failure(), ErrorNumber::InputPastEndOfFile);
  Startup bom_only("\xEF\xBB\xBF");
  EXPECT_EQ(bom_only.failure(), ErrorNumber::InputPastEndOfFile);

  Startup capital_x("sizes:640X480\n/m.swf");
  EXPECT_EQ(capital_x.failure(), ErrorNumber::SubscriptOutOfRange);
  EXPECT_TRUE(capital_x.tk.log.empty());
  EXPECT_NE(capital_x.detail.find("line 1: \"sizes:640X480\""), std::string::npos);

  Startup nothing("sizes:\n/m.swf");
  EXPECT_EQ(nothing.failure(), ErrorNumber::SubscriptOutOfRange);
  EXPECT_TRUE(nothing.tk.log.empty());

  Startup not_a_number("/a\nsizes:wide x480\n/m.swf");
  EXPECT_EQ(not_a_number.failure(), ErrorNumber::TypeMismatch);
  EXPECT_TRUE(not_a_number.tk.log.empty());  // nothing set before the failing step
  EXPECT_NE(not_a_number.detail.find("line 2"), std::string::npos);

  for (const char* text : {"sizes:nanx480", "sizes:infx480", "sizes:0x1fx480", "sizes:,5x480",
                           "sizes:1,5x480", "sizes:1e x480"}) {
    Startup bad(std::string(text) + "\n/m.swf");
    EXPECT_EQ(bad.failure(), ErrorNumber::TypeMismatch) << text;
  }
  for (const char* text : {"sizes:1e38x480", "sizes:1e309x480", "sizes:640x3e37"}) {
    Startup huge(std::string(text) + "\n/m.swf");
    EXPECT_EQ(huge.failure(), ErrorNumber::Overflow) << text;
  }
}

}  // namespace
}  // namespace strandel
