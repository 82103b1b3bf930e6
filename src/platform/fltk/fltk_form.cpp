#include "platform/fltk/fltk_form.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/design.h"
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

// The toolkit's key code of an FLTK key; 0 for keys without one.
std::int16_t key_code(int key) {
  if (key >= 'a' && key <= 'z') return static_cast<std::int16_t>(key - 'a' + 'A');
  if ((key >= '0' && key <= '9') || key == ' ') return static_cast<std::int16_t>(key);
  if (key >= FL_F + 1 && key <= FL_F + 12) return static_cast<std::int16_t>(112 + key - FL_F - 1);
  switch (key) {
    case FL_Escape: return 27;
    case FL_Enter: case FL_KP_Enter: return 13;
    case FL_Tab: return 9;
    case FL_BackSpace: return 8;
    case FL_Left: return 37;
    case FL_Up: return 38;
    case FL_Right: return 39;
    case FL_Down: return 40;
    case FL_Shift_L: case FL_Shift_R: return 16;
    case FL_Control_L: case FL_Control_R: return 17;
    case FL_Alt_L: case FL_Alt_R: return 18;
    default: return 0;
  }
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

void open_display_or_exit() {
  if (fl_display) return;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "strandel: cannot open display \"%s\"\n", name ? name : "");
    std::exit(1);
  }
  fl_open_display(display);
  XSetErrorHandler(report_x_error);
}

}  // namespace

// ------------------------------------------------------------ WindowAdapter

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
  window_.resize(metrics_.to_px_x(left_), metrics_.to_px_y(top_), metrics_.size_px_x(width_),
                 metrics_.size_px_y(height_));
}

void WindowAdapter::set_Width(Twips v) { width_ = v; place(); }
void WindowAdapter::set_Height(Twips v) { height_ = v; place(); }
void WindowAdapter::set_Left(Twips v) { left_ = v; place(); }
void WindowAdapter::set_Top(Twips v) { top_ = v; place(); }

void WindowAdapter::centre_on_screen() {
  // Centred in twips, from the size the window has now.
  left_ = static_cast<float>((static_cast<double>(metrics_.screen_width_px) *
                                  metrics_.twips_per_pixel_x - width_) / 2);
  top_ = static_cast<float>((static_cast<double>(metrics_.screen_height_px) *
                                 metrics_.twips_per_pixel_y - height_) / 2);
  place();
  window_.keep_position();
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

// ---------------------------------------------------------- ProcessServices

std::string ProcessServices::AppPath() const {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return CurDir();
  std::string path(buffer, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return CurDir();
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ProcessServices::CurDir() const {
  std::string dir(PATH_MAX, '\0');
  while (!getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE) return ".";
    dir.resize(dir.size() * 2);
  }
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}

std::string ProcessServices::ReadFileForInput(const std::string& name) {
  struct stat st;
  if (stat(name.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw RuntimeError(ErrorNumber::FileNotFound);
    throw RuntimeError(ErrorNumber::PathFileAccessError, std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) throw RuntimeError(ErrorNumber::PathFileAccessError, "a directory");
  std::ifstream in(name, std::ios::binary);
  if (!in) throw RuntimeError(ErrorNumber::PathFileAccessError, std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void ProcessServices::End() {
  std::fflush(nullptr);
  _exit(0);
}

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
  // Positions come from the pointer's place on the screen and the window's
  // Left and Top properties, so a move the window manager has not carried
  // out yet never feeds back into the drag.
  float x = static_cast<float>(Fl::event_x_root() * metrics_.twips_per_pixel_x -
                               window_adapter_->Left() - strip_->Left());
  float y = static_cast<float>(Fl::event_y_root() * metrics_.twips_per_pixel_y -
                               window_adapter_->Top() - strip_->Top());
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

void FltkForm::bind_events(FormEvents& events) {
  strip_widget_->on_mouse = [this, &events](int event) { on_strip_mouse(events, event); };
  min_widget_->callback(
      [](Fl_Widget*, void* e) { guarded([&] { static_cast<FormEvents*>(e)->btnMin_Click(); }); },
      &events);
  close_widget_->callback(
      [](Fl_Widget*, void* e) { guarded([&] { static_cast<FormEvents*>(e)->btnClose_Click(); }); },
      &events);
  window_->on_key = [&events](int key, int state) {
    std::int16_t code = key_code(key);
    guarded([&] { events.Form_KeyDown(code, shift_mask(state)); });
    return true;  // no key does anything else, and Esc must not reach FLTK's own close
  };
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
        auto* self = static_cast<FltkForm*>(form);
        const XEvent* e = static_cast<const XEvent*>(event);
        if (e->type == MapNotify && self->window_->shown() && e->xmap.window == fl_xid(self->window_.get()))
          self->take_input_focus();
        return 0;  // FLTK handles the event as usual
      },
      this);
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
  guarded([&] { events.Form_Load(); });
  window_adapter_->centre_on_screen();
  window_->show();
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
