// A recording stand-in for the toolkit, for unit tests. Every property
// assignment and method call lands, in order, in one log of lines such as
// "OpenFrm.Width = 9720" or "ShockwaveFlash.LoadMovie 0, /here/movie.swf",
// so a test compares the whole ordered list with the expected one. Lines
// drawn on the window are kept apart, since a frame is 404 of them.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/toolkit.h"

namespace strandel::platform::fake {

using Log = std::vector<std::string>;

// Thrown by Services::End so a test can see that the program ended.
struct ProgramEnded {};

struct LineCall {
  std::int16_t flags;
  float x1, y1, x2, y2;
  Colour colour;
};

class FakeWindow : public FormWindow {
 public:
  explicit FakeWindow(Log& log) : log_(log) {}
  std::string Caption() const override { return caption; }
  Colour BackColor() const override { return back_color; }
  void set_BackColor(Colour c) override;
  Twips Width() const override { return width; }
  void set_Width(Twips v) override;
  Twips Height() const override { return height; }
  void set_Height(Twips v) override;
  Twips Left() const override { return left; }
  void set_Left(Twips v) override;
  Twips Top() const override { return top; }
  void set_Top(Twips v) override;
  void set_WindowState(std::int16_t state) override;
  void set_AutoRedraw(Truth v) override;
  std::int16_t BorderStyle() const override { return border_style; }
  void Line(std::int16_t flags, float x1, float y1, float x2, float y2, Colour colour) override;
  std::uint32_t hWnd() const override { return 0x1234; }
  void Unload() override;

  std::string caption = design::kCaption;
  Colour back_color = kSystemWindowBackground;
  Twips width = design::kFormWidth, height = design::kFormHeight, left = 0, top = 0;
  std::int16_t border_style = 0;
  std::vector<LineCall> lines;

 private:
  Log& log_;
};

class FakePictureBox : public PictureBox {
 public:
  FakePictureBox(Log& log, std::string name, design::Rect r)
      : log_(log),
        name_(std::move(name)),
        left(r.left),
        top(r.top),
        width(r.width),
        height(r.height) {}
  void set_Visible(Truth v) override;
  void set_BackColor(Colour c) override;
  void set_ForeColor(Colour c) override;
  Twips Left() const override { return left; }
  void set_Left(Twips v) override;
  Twips Top() const override { return top; }
  void set_Top(Twips v) override;
  Twips Width() const override { return width; }
  void set_Width(Twips v) override;
  void set_Height(Twips v) override;
  void set_FontBold(Truth v) override;
  void set_CurrentX(float v) override;
  void set_CurrentY(float v) override;
  float ScaleHeight() const override { return height; }
  float TextHeight(const std::string&) const override { return text_height; }
  void Print(const std::string& text) override;

  float text_height = 195;  // 13 pixels at 15 twips per pixel

 private:
  Log& log_;
  std::string name_;

 public:
  Twips left, top, width, height;
};

class FakePushButton : public PushButton {
 public:
  FakePushButton(Log& log, std::string name) : log_(log), name_(std::move(name)) {}
  void set_Visible(Truth v) override;
  Twips Width() const override { return width; }
  void set_Left(Twips v) override;
  void set_Top(Twips v) override;

  Twips width = design::kBtnMin.width;

 private:
  Log& log_;
  std::string name_;
};

class FakeMovieControl : public MovieControl {
 public:
  explicit FakeMovieControl(Log& log) : log_(log) {}
  void set_Left(Twips v) override;
  void set_Top(Twips v) override;
  Twips Width() const override { return width; }
  void set_Width(Twips v) override;
  Twips Height() const override { return height; }
  void set_Height(Twips v) override;
  void set_Visible(Truth v) override;
  void LoadMovie(std::int32_t layer, const std::string& url) override;

  Twips width = design::kShockwaveFlash.width, height = design::kShockwaveFlash.height;

 private:
  Log& log_;
};

class FakeScreen : public Screen {
 public:
  float Width() const override { return width_px * twips_per_pixel_x; }
  float Height() const override { return height_px * twips_per_pixel_y; }
  float TwipsPerPixelX() const override { return twips_per_pixel_x; }
  float TwipsPerPixelY() const override { return twips_per_pixel_y; }

  float width_px = 1024, height_px = 768;
  float twips_per_pixel_x = 15, twips_per_pixel_y = 15;
};

class FakeServices : public Services {
 public:
  explicit FakeServices(Log& log) : log_(log) {}
  std::string AppPath() const override { return app_path; }
  std::string CurDir() const override { return cur_dir; }
  std::string ReadFileForInput(const std::string& name) override;
  [[noreturn]] void End() override;

  std::string app_path = "/opt/strandel";
  std::string cur_dir = "/media/cdrom";
  std::map<std::string, std::string> files;

 private:
  Log& log_;
};

class FakeShell : public Shell {
 public:
  explicit FakeShell(Log& log) : log_(log) {}
  void Execute(std::uint32_t owner, const std::string& operation, const std::string& file,
               const std::string& parameters, const std::string& directory,
               int show_command) override;

 private:
  Log& log_;
};

// The window with its six controls at their design-time properties.
class FakeToolkit {
 public:
  FakeToolkit();
  Form& form() { return form_; }

  Log log;
  FakeWindow window{log};
  FakePictureBox iconPic{log, "iconPic", design::kIconPic};
  FakePushButton btnMin{log, "btnMin"};
  FakePushButton btnClose{log, "btnClose"};
  FakePictureBox picBack{log, "picBack", design::kPicBack};
  FakeMovieControl ShockwaveFlash{log};
  FakePictureBox workFlash{log, "workFlash", design::kWorkFlash};
  FakeScreen screen;
  FakeServices services{log};
  FakeShell shell{log};

 private:
  Form form_;
};

// Shortest text that reads back as the same single float: 9720, 7607.5.
std::string FormatSingle(float value);

}  // namespace strandel::platform::fake
