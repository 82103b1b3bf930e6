// The FLTK widgets behind the launcher's controls, and the adapters that give
// them the toolkit's properties in twips. Each adapter keeps the single float
// last assigned and derives the widget's pixel geometry from it.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Widget.H>

#include <functional>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/fltk/metrics.h"
#include "platform/toolkit.h"

namespace strandel::platform::fltk {

// A toolkit colour as an FLTK colour; the two system colours map to the
// usual window background (white) and window text (black).
Fl_Color ToFlColor(Colour colour);

// Font sizes in points, turned into FLTK's pixels by the screen's DPI.
inline constexpr double kPictureBoxFontPoints = 8.25;
inline constexpr double kButtonFontPoints = 9.75;
int PointsToPixels(double points, float twips_per_pixel);

// The launcher window: its own drawing (the background and the painted
// frame) lies behind every control.
class WindowWidget : public Fl_Double_Window {
 public:
  WindowWidget(int w, int h, const char* title);

  void set_background(Fl_Color colour);
  // Shows the window where it was placed rather than where FLTK would choose.
  void keep_position() { force_position(1); }
  // Lines in pixels. The window keeps them and draws them again on every
  // repaint, so the painted frame survives without the launcher drawing it
  // again: that list is the window's retained image.
  void add_line(int x1, int y1, int x2, int y2, Fl_Color colour);

  // Key down (FL_KEYBOARD) and key up (FL_KEYUP), wherever the focus is.
  std::function<void(int event)> on_key;
  std::function<void()> on_first_draw;

 protected:
  void draw() override;
  int handle(int event) override;

 private:
  struct PixelLine {
    int x1, y1, x2, y2;
    Fl_Color colour;
  };

  Fl_Color background_ = FL_WHITE;
  std::vector<PixelLine> lines_;
  bool drawn_ = false;
};

// A picture box: flat, no border, a background colour, an optional picture,
// and the texts printed on it, which it keeps and repaints.
class PictureBoxWidget : public Fl_Widget {
 public:
  PictureBoxWidget();

  struct PrintedText {
    int x, y;  // top-left of the text, pixels inside the box
    std::string text;
    Fl_Font font;
    int size;
    Fl_Color colour;
  };
  void print(PrintedText text);
  void set_picture(Fl_RGB_Image* picture) { picture_ = picture; }

  // Mouse events over the box (push, drag, release, move); the box takes
  // every press so that nothing beneath it sees one.
  std::function<void(int event)> on_mouse;

 protected:
  void draw() override;
  int handle(int event) override;

 private:
  std::vector<PrintedText> printed_;
  Fl_RGB_Image* picture_ = nullptr;
};

// A push button whose click happens on the left mouse button only. It shows
// a focus mark while it has the keyboard focus.
class PushButtonWidget : public Fl_Button {
 public:
  explicit PushButtonWidget(const char* caption);

 protected:
  int handle(int event) override;
};

// A one-line notice in the window's lower-left corner, in front of every
// control: it tells a user who never sees standard error that something
// failed. A click on it dismisses it; a later notice replaces it.
class NoticeWidget : public Fl_Widget {
 public:
  NoticeWidget();
  // Shows text (control characters as "?", cut to fit the window) in the
  // given font size, pixels.
  void show_text(const std::string& text, int font_size);

 protected:
  void draw() override;
  int handle(int event) override;

 private:
  void dismiss();
  std::string text_;
  int font_size_ = 11;
};

// Where a control is: its Left, Top, Width and Height in twips, each as last
// assigned, and its widget placed at the pixel rectangle they give.
class ControlGeometry {
 public:
  ControlGeometry(Fl_Widget& widget, const Metrics& metrics, design::Rect at);
  Twips left() const { return left_; }
  Twips top() const { return top_; }
  Twips width() const { return width_; }
  Twips height() const { return height_; }
  void set_left(Twips v) { left_ = v; place(); }
  void set_top(Twips v) { top_ = v; place(); }
  void set_width(Twips v) { width_ = v; place(); }
  void set_height(Twips v) { height_ = v; place(); }
  void set_visible(Truth v);

 private:
  void place();
  Fl_Widget& widget_;
  const Metrics& metrics_;
  Twips left_, top_, width_, height_;
};

class PictureBoxAdapter : public PictureBox {
 public:
  PictureBoxAdapter(PictureBoxWidget& widget, const Metrics& metrics, design::Rect at);
  void set_Visible(Truth v) override { at_.set_visible(v); }
  void set_BackColor(Colour c) override;
  void set_ForeColor(Colour c) override { fore_color_ = c; }
  Twips Left() const override { return at_.left(); }
  void set_Left(Twips v) override { at_.set_left(v); }
  Twips Top() const override { return at_.top(); }
  void set_Top(Twips v) override { at_.set_top(v); }
  Twips Width() const override { return at_.width(); }
  void set_Width(Twips v) override { at_.set_width(v); }
  void set_Height(Twips v) override { at_.set_height(v); }
  void set_FontBold(Truth v) override { bold_ = v != kFalse; }
  void set_CurrentX(float v) override { current_x_ = v; }
  void set_CurrentY(float v) override { current_y_ = v; }
  float ScaleHeight() const override { return at_.height(); }
  float TextHeight(const std::string& text) const override;
  void Print(const std::string& text) override;

 private:
  Fl_Font font() const;
  int font_size() const;

  PictureBoxWidget& widget_;
  const Metrics& metrics_;
  ControlGeometry at_;
  Colour fore_color_ = kSystemWindowText;
  bool bold_ = false;
  float current_x_ = 0, current_y_ = 0;
};

class PushButtonAdapter : public PushButton {
 public:
  PushButtonAdapter(PushButtonWidget& widget, const Metrics& metrics, design::Rect at);
  void set_Visible(Truth v) override { at_.set_visible(v); }
  Twips Width() const override { return at_.width(); }
  void set_Left(Twips v) override { at_.set_left(v); }
  void set_Top(Twips v) override { at_.set_top(v); }

 private:
  ControlGeometry at_;
};

}  // namespace strandel::platform::fltk
