// The launcher window's properties on FLTK. Size, colour and drawing keep
// the values last assigned; Left and Top are where the window is on the
// screen, so a move made by the window manager or the user counts too.
#pragma once

#include <string>

#include "platform/fltk/metrics.h"
#include "platform/fltk/widgets.h"
#include "platform/toolkit.h"

namespace strandel::platform::fltk {

class WindowAdapter : public FormWindow {
 public:
  WindowAdapter(WindowWidget& window, const Metrics& metrics);
  std::string Caption() const override;
  Colour BackColor() const override { return back_color_; }
  void set_BackColor(Colour c) override;
  Twips Width() const override { return width_; }
  void set_Width(Twips v) override;
  Twips Height() const override { return height_; }
  void set_Height(Twips v) override;
  // The outer top-left corner (a window manager's frame included) on the
  // screen; before the window is shown, the value last assigned.
  Twips Left() const override;
  void set_Left(Twips v) override;
  Twips Top() const override;
  void set_Top(Twips v) override;
  void set_WindowState(std::int16_t state) override;
  void set_AutoRedraw(Truth v) override { auto_redraw_ = v; }
  std::int16_t BorderStyle() const override { return 0; }
  void Line(std::int16_t flags, float x1, float y1, float x2, float y2, Colour colour) override;
  std::uint32_t hWnd() const override;
  void Unload() override;

  // Places the window in the middle of the monitor at its present size.
  void centre_on_screen();

  // Once the window is shown: a window that covers its monitor asks the
  // window manager for the full-screen state, so desktop panels do not cover
  // a kiosk; and the window keeps its task-bar entry, which FLTK gives up
  // for borderless windows, so that a minimised window can be found again.
  void tell_window_manager();

  // Where the client area's top-left corner is on the screen, pixels.
  struct Point {
    int x = 0, y = 0;
  };
  Point client_origin() const;
  // The window was moved, framed or mapped: the next read asks the server.
  void forget_position() { position_known_ = false; }

 private:
  void place();
  // Frame and client positions as last known, asking the server when
  // unknown. Within one event they do not change unless the program moves
  // the window itself, so a drag computes from one consistent position.
  void learn_position() const;
  void move_to(Point frame);

  WindowWidget& window_;
  const Metrics& metrics_;
  Colour back_color_ = kSystemWindowBackground;
  Twips width_, height_, left_ = 0, top_ = 0;
  Truth auto_redraw_ = kFalse;
  mutable bool position_known_ = false;
  mutable Point frame_;  // the outer corner
  mutable Point inset_;  // the client's offset inside the frame (_NET_FRAME_EXTENTS)
};

}  // namespace strandel::platform::fltk
