#include "platform/fltk/window_adapter.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include "platform/design.h"

namespace strandel::platform::fltk {

namespace {

// The left and top widths of the frame a window manager put around the
// window (_NET_FRAME_EXTENTS: left, right, top, bottom); 0 without one.
WindowAdapter::Point frame_extents(::Window xid) {
  static const Atom extents_atom = XInternAtom(fl_display, "_NET_FRAME_EXTENTS", False);
  WindowAdapter::Point inset;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(fl_display, xid, extents_atom, 0, 4, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32 && count == 4) {
    const long* values = reinterpret_cast<const long*>(data);
    inset = {static_cast<int>(values[0]), static_cast<int>(values[2])};
  }
  if (data) XFree(data);
  return inset;
}

// Asks the window manager to add (true) or remove a state of the mapped
// window; nothing happens without one.
void change_state(::Window xid, const char* state, bool add) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = XInternAtom(fl_display, "_NET_WM_STATE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = add ? 1 : 0;
  event.xclient.data.l[1] = static_cast<long>(XInternAtom(fl_display, state, False));
  event.xclient.data.l[3] = 1;  // from an application
  XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

WindowAdapter::WindowAdapter(WindowWidget& window, const Metrics& metrics)
    : window_(window), metrics_(metrics), width_(design::kFormWidth), height_(design::kFormHeight) {
  place();
}

std::string WindowAdapter::Caption() const { return window_.label() ? window_.label() : ""; }

void WindowAdapter::set_BackColor(Colour c) {
  back_color_ = c;
  window_.set_background(ToFlColor(c));
}

void WindowAdapter::place() {
  if (window_.shown()) {
    window_.size(metrics_.size_px_x(width_), metrics_.size_px_y(height_));
    return;
  }
  window_.resize(metrics_.to_px_x(left_), metrics_.to_px_y(top_), metrics_.size_px_x(width_),
                 metrics_.size_px_y(height_));
}

void WindowAdapter::set_Width(Twips v) {
  width_ = v;
  place();
}

void WindowAdapter::set_Height(Twips v) {
  height_ = v;
  place();
}

void WindowAdapter::learn_position() const {
  if (position_known_ || !window_.shown()) return;
  ::Window child;
  int x = 0, y = 0;
  XTranslateCoordinates(fl_display, fl_xid(&window_), RootWindow(fl_display, fl_screen), 0, 0, &x,
                        &y, &child);
  inset_ = frame_extents(fl_xid(&window_));
  frame_ = {x - inset_.x, y - inset_.y};
  position_known_ = true;
}

WindowAdapter::Point WindowAdapter::client_origin() const {
  if (!window_.shown()) return {metrics_.to_px_x(left_), metrics_.to_px_y(top_)};
  learn_position();
  return {frame_.x + inset_.x, frame_.y + inset_.y};
}

Twips WindowAdapter::Left() const {
  if (!window_.shown()) return left_;
  learn_position();
  return static_cast<Twips>(frame_.x * static_cast<double>(metrics_.twips_per_pixel_x));
}

Twips WindowAdapter::Top() const {
  if (!window_.shown()) return top_;
  learn_position();
  return static_cast<Twips>(frame_.y * static_cast<double>(metrics_.twips_per_pixel_y));
}

void WindowAdapter::move_to(Point frame) {
  // A window manager puts its frame's corner where the window asks to be
  // (north-west gravity); without one the window itself goes there.
  frame_ = frame;
  position_known_ = true;
  window_.position(frame.x, frame.y);
}

void WindowAdapter::set_Left(Twips v) {
  left_ = v;
  if (!window_.shown()) return place();
  learn_position();
  move_to({metrics_.to_px_x(v), frame_.y});
}

void WindowAdapter::set_Top(Twips v) {
  top_ = v;
  if (!window_.shown()) return place();
  learn_position();
  move_to({frame_.x, metrics_.to_px_y(v)});
}

void WindowAdapter::centre_on_screen() {
  // Centred in twips, from the size the window has now.
  left_ = static_cast<float>(
      (static_cast<double>(metrics_.screen_width_px) * metrics_.twips_per_pixel_x - width_) / 2);
  top_ = static_cast<float>(
      (static_cast<double>(metrics_.screen_height_px) * metrics_.twips_per_pixel_y - height_) / 2);
  place();
  window_.keep_position();
}

void WindowAdapter::tell_window_manager() {
  if (!window_.shown()) return;
  ::Window xid = fl_xid(&window_);
  change_state(xid, "_NET_WM_STATE_SKIP_TASKBAR", false);
  if (window_.w() == metrics_.screen_width_px && window_.h() == metrics_.screen_height_px)
    change_state(xid, "_NET_WM_STATE_FULLSCREEN", true);
}

void WindowAdapter::set_WindowState(std::int16_t state) {
  if (state == kWindowMinimized) window_.iconize();
}

void WindowAdapter::Line(std::int16_t, float x1, float y1, float x2, float y2, Colour colour) {
  window_.add_line(metrics_.to_px_x(x1), metrics_.to_px_y(y1), metrics_.to_px_x(x2),
                   metrics_.to_px_y(y2), ToFlColor(colour));
}

std::uint32_t WindowAdapter::hWnd() const {
  return window_.shown() ? static_cast<std::uint32_t>(fl_xid(&window_)) : 0;
}

void WindowAdapter::Unload() {
  // Hiding the only window ends the event loop; the window and its controls
  // are destroyed on the way out.
  window_.hide();
}

}  // namespace strandel::platform::fltk
