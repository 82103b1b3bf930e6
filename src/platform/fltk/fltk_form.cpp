#include "platform/fltk/fltk_form.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/design.h"
#include "platform/fltk/keys.h"
#include "platform/logo.h"
#include "platform/saved_state.h"

namespace strandel::platform::fltk {

namespace {

// WM_CLASS is "strandel", "Strandel": FLTK capitalises the class, which the
// desktop entry names as StartupWMClass.
constexpr char kWindowClass[] = "strandel";

// Mouse buttons and modifier keys as the toolkit's handlers receive them.
constexpr std::int16_t kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
constexpr std::int16_t kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

std::int16_t button_mask(int fl_button) {
  switch (fl_button) {
    case FL_LEFT_MOUSE: return kLeftButton;
    case FL_RIGHT_MOUSE: return kRightButton;
    case FL_MIDDLE_MOUSE: return kMiddleButton;
    default: return 0;
  }
}

std::int16_t held_buttons() {
  int state = Fl::event_state();
  return static_cast<std::int16_t>(((state & FL_BUTTON1) ? kLeftButton : 0) |
                                   ((state & FL_BUTTON3) ? kRightButton : 0) |
                                   ((state & FL_BUTTON2) ? kMiddleButton : 0));
}

std::int16_t shift_mask(int state) {
  return static_cast<std::int16_t>(((state & FL_SHIFT) ? kShiftMask : 0) |
                                   ((state & FL_CTRL) ? kCtrlMask : 0) |
                                   ((state & FL_ALT) ? kAltMask : 0));
}

// Runs one handler; a run-time error in it ends the program.
template <typename F>
void guarded(F&& handler) {
  try {
    handler();
  } catch (const RuntimeError& error) {
    ReportAndExit(error);
  }
}

// An X protocol error (a request racing a window manager, say) is reported
// and survived; it must never end the program.
int report_x_error(Display* display, XErrorEvent* event) {
  char text[256];
  XGetErrorText(display, event->error_code, text, sizeof text);
  std::fprintf(stderr, "strandel: X error ignored: %s (request %d)\n", text, event->request_code);
  return 0;
}

// The atoms FLTK interns one at a time as it opens the display and shows a
// window, and the window-manager atoms the window uses. Interned together
// first, they cost one round trip to the server instead of some forty:
// Xlib answers the later requests from its atom cache.
constexpr const char* kAtomsUsed[] = {"WM_DELETE_WINDOW",
                                      "WM_PROTOCOLS",
                                      "_MOTIF_WM_HINTS",
                                      "TARGETS",
                                      "CLIPBOARD",
                                      "TIMESTAMP",
                                      "PRIMARY_TIMESTAMP",
                                      "CLIPBOARD_TIMESTAMP",
                                      "XdndAware",
                                      "XdndSelection",
                                      "XdndEnter",
                                      "XdndTypeList",
                                      "XdndPosition",
                                      "XdndLeave",
                                      "XdndDrop",
                                      "XdndStatus",
                                      "XdndActionCopy",
                                      "XdndFinished",
                                      "text/uri-list",
                                      "text/plain;charset=UTF-8",
                                      "text/plain;charset=utf-8",
                                      "text/plain",
                                      "TEXT",
                                      "COMPOUND_TEXT",
                                      "UTF8_STRING",
                                      "image/bmp",
                                      "image/png",
                                      "INCR",
                                      "_NET_WM_PID",
                                      "_NET_WM_NAME",
                                      "_NET_WM_ICON_NAME",
                                      "_NET_SUPPORTING_WM_CHECK",
                                      "_NET_WM_STATE",
                                      "_NET_WM_STATE_FULLSCREEN",
                                      "_NET_WM_FULLSCREEN_MONITORS",
                                      "_NET_WORKAREA",
                                      "_NET_WM_ICON",
                                      "_NET_ACTIVE_WINDOW",
                                      "_NET_WM_STATE_SKIP_TASKBAR",
                                      "_NET_FRAME_EXTENTS"};

void open_display_or_exit() {
  if (fl_display) return;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "strandel: cannot open display \"%s\"\n", name ? name : "");
    std::exit(1);
  }
  Atom atoms[std::size(kAtomsUsed)];
  XInternAtoms(display, const_cast<char**>(kAtomsUsed), std::size(kAtomsUsed), False, atoms);
  fl_open_display(display);
  XSetErrorHandler(report_x_error);
}

}  // namespace

// ------------------------------------------------------------------ FltkForm

FltkForm::FltkForm() {
  open_display_or_exit();
  metrics_ = ReadScreenMetrics();
  window_ =
      std::make_unique<WindowWidget>(metrics_.size_px_x(design::kFormWidth),
                                     metrics_.size_px_y(design::kFormHeight), design::kCaption);
  window_->border(0);
  window_->xclass(kWindowClass);
  window_icon_pixels_ = LogoPixels(kWindowIconSize);
  window_icon_ = std::make_unique<Fl_RGB_Image>(window_icon_pixels_.data(), kWindowIconSize,
                                                kWindowIconSize, 3);
  window_->icon(window_icon_.get());

  // Children are drawn first to last, so they are added back to front. The
  // window owns them; the adapters place them at their design rectangles.
  backdrop_widget_ = new PictureBoxWidget;
  backdrop_widget_->hide();
  movie_widget_ = new MovieWidget(DesignSavedState());
  strip_widget_ = new PictureBoxWidget;
  close_widget_ = new PushButtonWidget("X");
  min_widget_ = new PushButtonWidget("-");
  icon_widget_ = new PictureBoxWidget;
  icon_box_pixels_ = LogoPixels(kIconBoxPictureSize);
  icon_box_picture_ = std::make_unique<Fl_RGB_Image>(icon_box_pixels_.data(), kIconBoxPictureSize,
                                                     kIconBoxPictureSize, 3);
  icon_widget_->set_picture(icon_box_picture_.get());
  notice_widget_ = new NoticeWidget;
  window_->end();

  window_adapter_ = std::make_unique<WindowAdapter>(*window_, metrics_);
  icon_ = std::make_unique<PictureBoxAdapter>(*icon_widget_, metrics_, design::kIconPic);
  min_ = std::make_unique<PushButtonAdapter>(*min_widget_, metrics_, design::kBtnMin);
  close_ = std::make_unique<PushButtonAdapter>(*close_widget_, metrics_, design::kBtnClose);
  strip_ = std::make_unique<PictureBoxAdapter>(*strip_widget_, metrics_, design::kPicBack);
  movie_ = std::make_unique<MovieControlAdapter>(*movie_widget_, metrics_, design::kShockwaveFlash);
  backdrop_ = std::make_unique<PictureBoxAdapter>(*backdrop_widget_, metrics_, design::kWorkFlash);
  // A failed "open" keeps the window and the movie going and says why.
  shell_.on_failure = [this](const std::string& message) {
    notice_widget_->show_text(message,
                              PointsToPixels(kPictureBoxFontPoints, metrics_.twips_per_pixel_y));
  };
  form_ = std::make_unique<Form>(Form{*window_adapter_, *icon_, *min_, *close_, *strip_, *movie_,
                                      *backdrop_, screen_, services_, shell_});
}

void FltkForm::on_strip_mouse(FormEvents& events, int event) {
  // The pointer against the window's place on the screen as last known: the
  // same place Left and Top report during this event, so a move the window
  // manager has not carried out yet never feeds back into the drag.
  WindowAdapter::Point origin = window_adapter_->client_origin();
  float x = static_cast<float>((Fl::event_x_root() - origin.x) * metrics_.twips_per_pixel_x -
                               strip_->Left());
  float y = static_cast<float>((Fl::event_y_root() - origin.y) * metrics_.twips_per_pixel_y -
                               strip_->Top());
  std::int16_t shift = shift_mask(Fl::event_state());
  guarded([&] {
    switch (event) {
      case FL_PUSH: events.picBack_MouseDown(button_mask(Fl::event_button()), shift, x, y); break;
      case FL_DRAG:
      case FL_MOVE: events.picBack_MouseMove(held_buttons(), shift, x, y); break;
      case FL_RELEASE: events.picBack_MouseUp(button_mask(Fl::event_button()), shift, x, y); break;
    }
  });
}

void FltkForm::on_key(FormEvents& events, int event) {
  int key = Fl::event_key();
  auto code = static_cast<std::int16_t>(KeyCodeOf(key));
  Fl_Widget* focus = Fl::focus();
  if (event == FL_KEYUP) {
    if (focus == movie_widget_) movie_widget_->key_up(code);
    return;
  }
  // The window's key-down handler sees every key first: Esc closes from
  // anywhere. It may also take the key by setting its code to 0.
  guarded([&] { events.Form_KeyDown(code, shift_mask(Fl::event_state())); });
  if (!window_->shown() || code == 0) return;
  if (key == FL_Tab) return move_focus((Fl::event_state() & FL_SHIFT) != 0);
  if (focus == movie_widget_)
    return movie_widget_->key_down(code, CharacterOf(Fl::event_text(), Fl::event_length()));
  bool press = key == ' ' || key == FL_Enter || key == FL_KP_Enter;
  if (press && (focus == min_widget_ || focus == close_widget_)) focus->do_callback();
}

void FltkForm::move_focus(bool backwards) {
  // The controls in their tab order: the movie 0, the title strip 1, close 2,
  // minimise 3, the icon box 4, the backdrop 5. Hidden ones are skipped.
  Fl_Widget* const order[] = {movie_widget_, strip_widget_, close_widget_,
                              min_widget_,   icon_widget_,  backdrop_widget_};
  constexpr int count = std::size(order);
  int at = 0;
  while (at < count && order[at] != Fl::focus()) ++at;
  if (at == count) at = 0;
  for (int step = 1; step < count; ++step) {
    Fl_Widget* next = order[(at + (backwards ? count - step : step)) % count];
    if (next->visible() && next->take_focus()) break;
  }
}

void FltkForm::bind_events(FormEvents& events) {
  strip_widget_->on_mouse = [this, &events](int event) { on_strip_mouse(events, event); };
  min_widget_->callback(
      [](Fl_Widget*, void* e) { guarded([&] { static_cast<FormEvents*>(e)->btnMin_Click(); }); },
      &events);
  close_widget_->callback(
      [](Fl_Widget*, void* e) { guarded([&] { static_cast<FormEvents*>(e)->btnClose_Click(); }); },
      &events);
  window_->on_key = [this, &events](int event) { on_key(events, event); };
  movie_widget_->on_fscommand = [&events](const std::string& command, const std::string& args) {
    guarded([&] { events.ShockwaveFlash_FSCommand(command, args); });
  };
  // Some window managers do not give a borderless window the input focus
  // when it maps; without it Esc would not reach the window. The focus is
  // taken as soon as the window is mapped, and again at its first paint in
  // case a window manager's frame was not mapped yet.
  window_->on_first_draw = [this] { take_input_focus(); };
  Fl::add_system_handler(
      [](void* event, void* form) {
        static_cast<FltkForm*>(form)->on_x_event(event);
        return 0;  // FLTK handles the event as usual
      },
      this);
}

void FltkForm::on_x_event(const void* event) {
  if (!window_->shown()) return;
  const XEvent& e = *static_cast<const XEvent*>(event);
  ::Window xid = fl_xid(window_.get());
  bool ours = (e.type == MapNotify && e.xmap.window == xid) ||
              (e.type == ConfigureNotify && e.xconfigure.window == xid) ||
              (e.type == ReparentNotify && e.xreparent.window == xid);
  if (!ours) return;
  // Moved by us, by the window manager or by the user, or given a frame.
  window_adapter_->forget_position();
  if (e.type == MapNotify) take_input_focus();
}

void FltkForm::take_input_focus() {
  // Only a viewable window can take it (a movie may have minimised it already).
  XWindowAttributes attributes;
  if (XGetWindowAttributes(fl_display, fl_xid(window_.get()), &attributes) &&
      attributes.map_state == IsViewable)
    XSetInputFocus(fl_display, fl_xid(window_.get()), RevertToParent, CurrentTime);
}

int FltkForm::Run(FormEvents& events) {
  bind_events(events);
  font_warmup_.wait();  // the title bar's layout measures text
  guarded([&] { events.Form_Load(); });
  window_adapter_->centre_on_screen();
  window_->show();
  window_adapter_->tell_window_manager();
  movie_widget_->take_focus();
  movie_widget_->start();
  Fl::run();
  return 0;
}

[[noreturn]] void ReportAndExit(const RuntimeError& error) {
  std::string heading = "Run-time error '" + std::to_string(error.number()) + "': " + error.what();
  std::fprintf(stderr, "strandel: %s%s%s\n", heading.c_str(), error.detail().empty() ? "" : ": ",
               error.detail().c_str());
  if (fl_display) {
    fl_message_title(design::kCaption);
    fl_alert("%s", error.report().c_str());
  }
  std::exit(1);
}

}  // namespace strandel::platform::fltk
