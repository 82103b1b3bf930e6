// The window's own chrome against the recording toolkit: the painted frame,
// the title strip layout, dragging, and the window buttons and Esc.
#include <gtest/gtest.h>

#include "chrome/frame_gradient.h"
#include "chrome/title_bar.h"
#include "launcher/OpenFrm.h"
#include "platform/fake/fake_toolkit.h"

namespace strandel {
namespace {

using platform::RGB;
using platform::fake::FakeToolkit;
using platform::fake::Log;

TEST(FrameGradient, DrawsFourBandsOf101LinesInOrder) {
  FakeToolkit tk;
  tk.window.width = 6000;
  tk.window.height = 4500;
  chrome::PaintFrameGradient(tk.window);
  EXPECT_EQ(tk.log, (Log{"OpenFrm.AutoRedraw = -1"}));
  const auto& lines = tk.window.lines;
  ASSERT_EQ(lines.size(), 404u);
  for (const auto& line : lines) EXPECT_EQ(line.flags, 38);

  // Right band: vertical, x from W down to W − 50 in 0.5 steps, blue 100..200.
  EXPECT_EQ(lines[0].x1, 6000);
  EXPECT_EQ(lines[1].x1, 5999.5f);
  EXPECT_EQ(lines[50].x1, 5975);
  EXPECT_EQ(lines[99].x1, 5950.5f);
  EXPECT_EQ(lines[100].x1, 5950);
  EXPECT_EQ(lines[0].colour, 6553600u);    // RGB(0, 0, 100)
  EXPECT_EQ(lines[100].colour, 13107200u); // RGB(0, 0, 200)
  // Bottom band: horizontal, y from H down to H − 50.
  EXPECT_EQ(lines[101].y1, 4500);
  EXPECT_EQ(lines[201].y1, 4450);
  // Left band: x from 50 down to 0, pale colours.
  EXPECT_EQ(lines[202].x1, 50);
  EXPECT_EQ(lines[302].x1, 0);
  EXPECT_EQ(lines[202].colour, RGB(0, 0, 200));
  EXPECT_EQ(lines[302].colour, 16723245u);  // RGB(45, 45, 255)
  // Top band: y from 50 down to 0.
  EXPECT_EQ(lines[303].y1, 50);
  EXPECT_EQ(lines[403].y1, 0);

  for (int i = 0; i < 404; ++i) {
    bool vertical = i < 101 || (i >= 202 && i < 303);
    const auto& l = lines[i];
    if (vertical) {
      EXPECT_EQ(l.x1, l.x2);
      EXPECT_EQ(l.y1, 0);
      EXPECT_EQ(l.y2, 4500);
    } else {
      EXPECT_EQ(l.y1, l.y2);
      EXPECT_EQ(l.x1, 0);
      EXPECT_EQ(l.x2, 6000);
    }
  }
}

TEST(FrameGradient, PaleColourWhitensPast255) {
  EXPECT_EQ(chrome::PaleBandColour(255), 16711680u);
  EXPECT_EQ(chrome::PaleBandColour(256), 16711937u);
  EXPECT_EQ(chrome::PaleBandColour(300), 16723245u);
  EXPECT_EQ(chrome::PaleBandColour(200), 13107200u);
}

TEST(TitleBar, PlacesStripButtonsAndTitleFor6000TwipWindow) {
  FakeToolkit tk;
  tk.window.width = 6000;
  tk.window.height = 4500;
  tk.window.back_color = RGB(0, 0, 200);
  tk.picBack.text_height = 195;
  chrome::LayoutTitleBar(tk.window, tk.iconPic, tk.picBack, "16777215", tk.btnMin, tk.btnClose,
                         "Velmoran Strandel");
  EXPECT_EQ(tk.window.lines.size(), 404u);
  EXPECT_EQ(tk.log, (Log{"OpenFrm.AutoRedraw = -1", "iconPic.Left = 60", "iconPic.Top = 80",
                         "picBack.Left = 60", "picBack.Top = 60", "picBack.Height = 270",
                         "picBack.Width = 5875", "picBack.BackColor = 13107200",
                         "picBack.ForeColor = 16777215", "picBack.FontBold = -1",
                         "picBack.CurrentX = 300", "picBack.CurrentY = 37.5",
                         "picBack.Print Velmoran Strandel", "btnClose.Left = 5670",
                         "btnClose.Top = 90", "btnMin.Left = 5375", "btnMin.Top = 90"}));
}

TEST(TitleBar, EmptyTitleFallsBackToCaptionAndCentringIsNotRounded) {
  FakeToolkit tk;
  tk.window.caption = "Caption";
  tk.picBack.text_height = 200;  // an odd number of twips
  chrome::LayoutTitleBar(tk.window, tk.iconPic, tk.picBack, "255", tk.btnMin, tk.btnClose, "");
  EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "picBack.Print Caption"), tk.log.end());
  EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "picBack.CurrentY = 35"), tk.log.end());
  EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "picBack.ForeColor = 255"), tk.log.end());
}

TEST(TitleBar, WindowWithBorderIsLeftUntouched) {
  FakeToolkit tk;
  tk.window.border_style = 2;
  EXPECT_EQ(chrome::LayoutTitleBar(tk.window, tk.iconPic, tk.picBack, "16777215", tk.btnMin,
                                   tk.btnClose, "Velmoran Strandel"),
            0);
  EXPECT_TRUE(tk.log.empty());
  EXPECT_TRUE(tk.window.lines.empty());
}

TEST(TitleBar, FramedStartupDressesTheWindowBeforeLoadingTheMovie) {
  FakeToolkit tk;
  tk.services.files["readme.txt"] = "/m.swf";
  launcher::OpenFrm frm(tk.form());
  frm.Form_Load();
  ASSERT_GE(tk.log.size(), 3u);
  EXPECT_EQ(tk.log[0], "OpenFrm.BackColor = 13107200");
  EXPECT_EQ(tk.log[1], "OpenFrm.AutoRedraw = -1");
  EXPECT_EQ(tk.log.back(), "ShockwaveFlash.LoadMovie 0, /media/cdrom/m.swf");
  EXPECT_EQ(tk.window.lines.size(), 404u);
  // Design-size window: strip 10375 wide, close button at 10170, minimise at 9875.
  EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "btnClose.Left = 10170"), tk.log.end());
  EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "btnMin.Left = 9875"), tk.log.end());

  FakeToolkit borderless;
  borderless.services.files["readme.txt"] = "border:false\n/m.swf";
  launcher::OpenFrm frm2(borderless.form());
  frm2.Form_Load();
  EXPECT_TRUE(borderless.window.lines.empty());
}

struct Dragging : ::testing::Test {
  FakeToolkit tk;
  launcher::OpenFrm frm{tk.form()};
};

TEST_F(Dragging, WorkedExample) {
  tk.window.left = 2000;
  tk.window.top = 1500;
  frm.picBack_MouseDown(1, 0, 300, 120);
  EXPECT_EQ(frm.drag().grab_x, 2300);
  EXPECT_EQ(frm.drag().grab_y, 1620);
  frm.picBack_MouseMove(1, 0, 450, 180);
  // The window caught up: the same screen spot now arrives at the press point.
  frm.picBack_MouseMove(1, 0, 300, 120);
  EXPECT_EQ(tk.log, (Log{"OpenFrm.Left = 2150", "OpenFrm.Top = 1560", "OpenFrm.Left = 2150",
                         "OpenFrm.Top = 1560"}));
}

TEST_F(Dragging, MovesWithoutPressOrAfterReleaseDoNothing) {
  frm.picBack_MouseMove(0, 0, 450, 180);
  frm.picBack_MouseDown(2, 0, 100, 100);  // any button drags
  frm.picBack_MouseUp(2, 0, 100, 100);
  frm.picBack_MouseMove(0, 0, 450, 180);
  EXPECT_TRUE(tk.log.empty());
}

TEST_F(Dragging, SecondPressRegrabsWhereTheWindowIs) {
  tk.window.left = 1000;
  tk.window.top = 1000;
  frm.picBack_MouseDown(1, 0, 100, 100);
  frm.picBack_MouseMove(1, 0, 160, 130);  // window to 1060, 1030
  frm.picBack_MouseDown(2, 0, 100, 100);  // right button, pointer on the grabbed point
  frm.picBack_MouseMove(3, 0, 100, 100);
  EXPECT_EQ(tk.log, (Log{"OpenFrm.Left = 1060", "OpenFrm.Top = 1030", "OpenFrm.Left = 1060",
                         "OpenFrm.Top = 1030"}));
  frm.picBack_MouseUp(1, 0, 100, 100);  // releasing either button ends it
  EXPECT_EQ(frm.drag().dragging, platform::kFalse);
}

TEST_F(Dragging, ButtonsAndEscape) {
  frm.btnMin_Click();
  frm.btnMin_Click();
  for (std::int16_t key : {13, 32, 65, 112}) {
    std::int16_t code = key;
    frm.Form_KeyDown(code, 0);
    EXPECT_EQ(code, key);  // the key code is left as it came
  }
  std::int16_t escape = 27;
  frm.Form_KeyDown(escape, 1 | 2 | 4);  // with Shift, Ctrl and Alt held
  frm.btnClose_Click();
  EXPECT_EQ(tk.log, (Log{"OpenFrm.WindowState = 1", "OpenFrm.WindowState = 1", "OpenFrm.Unload",
                         "OpenFrm.Unload"}));
}

}  // namespace
}  // namespace strandel
