// The launcher window on FLTK: the window and its six controls, created at
// their design-time properties, the screen and the program-wide services.
// Run raises the load event, shows the window centred on the screen with the
// keyboard focus on the movie control, and runs the event loop.
#pragma once

#include <memory>
#include <vector>

#include "platform/desktop_opener.h"
#include "platform/fltk/font_warmup.h"
#include "platform/fltk/metrics.h"
#include "platform/fltk/movie_control.h"
#include "platform/fltk/widgets.h"
#include "platform/fltk/window_adapter.h"
#include "platform/process_services.h"
#include "platform/runtime_error.h"
#include "platform/toolkit.h"

namespace strandel::platform::fltk {

class ScreenAdapter : public Screen {
 public:
  explicit ScreenAdapter(const Metrics& metrics) : metrics_(metrics) {}
  float Width() const override { return metrics_.screen_width_px * metrics_.twips_per_pixel_x; }
  float Height() const override { return metrics_.screen_height_px * metrics_.twips_per_pixel_y; }
  float TwipsPerPixelX() const override { return metrics_.twips_per_pixel_x; }
  float TwipsPerPixelY() const override { return metrics_.twips_per_pixel_y; }

 private:
  const Metrics& metrics_;
};

class FltkForm {
 public:
  FltkForm();
  Form& form() { return *form_; }
  // Returns the program's exit status.
  int Run(FormEvents& events);

 private:
  void bind_events(FormEvents& events);
  void on_strip_mouse(FormEvents& events, int event);
  // Key down or up: to Form_KeyDown first, then Tab moves the focus, and the
  // focused control gets the key (the movie any key, a button Space or Enter).
  void on_key(FormEvents& events, int event);
  void move_focus(bool backwards);
  // Every X event, before FLTK handles it (an XEvent).
  void on_x_event(const void* event);
  void take_input_focus();

  FontWarmup font_warmup_;  // first: it starts before the display is opened
  Metrics metrics_;
  std::vector<std::uint8_t> window_icon_pixels_, icon_box_pixels_;
  std::unique_ptr<Fl_RGB_Image> window_icon_, icon_box_picture_;
  // The child widgets belong to the window, which deletes them with itself.
  std::unique_ptr<WindowWidget> window_;
  PictureBoxWidget* icon_widget_ = nullptr;
  PushButtonWidget* min_widget_ = nullptr;
  PushButtonWidget* close_widget_ = nullptr;
  PictureBoxWidget* strip_widget_ = nullptr;
  MovieWidget* movie_widget_ = nullptr;
  PictureBoxWidget* backdrop_widget_ = nullptr;
  NoticeWidget* notice_widget_ = nullptr;

  std::unique_ptr<WindowAdapter> window_adapter_;
  std::unique_ptr<PictureBoxAdapter> icon_;
  std::unique_ptr<PushButtonAdapter> min_;
  std::unique_ptr<PushButtonAdapter> close_;
  std::unique_ptr<PictureBoxAdapter> strip_;
  std::unique_ptr<MovieControlAdapter> movie_;
  std::unique_ptr<PictureBoxAdapter> backdrop_;
  ScreenAdapter screen_{metrics_};
  ProcessServices services_;
  DesktopOpener shell_;
  std::unique_ptr<Form> form_;
};

// Reports a run-time error on stderr and, when a display is open, in a modal
// message box; then ends the program with status 1.
[[noreturn]] void ReportAndExit(const RuntimeError& error);

}  // namespace strandel::platform::fltk
