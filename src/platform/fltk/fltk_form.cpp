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

#include "chrome/logo.h"
#include "moviehost/saved_state.h"

namespace strandel::platform::fltk {

namespace {

constexpr char kCaption[] = "Velmoran Strandel";
// WM_CLASS is "strandel", "Strandel": FLTK capitalises the class, which the
// desktop entry names as StartupWMClass.
constexpr char kWindowClass[] = "strandel";

// Design-time geometry of the window and its controls, twips.
struct DesignRect {
  Twips left, top, width, height;
};
constexpr Twips kWindowWidth = 10500, kWindowHeight = 7500;
constexpr DesignRect kIconPic{0, 0, 255, 255};
constexpr DesignRect kBtnMin{9960, 0, 255, 255};
constexpr DesignRect kBtnClose{10250, 0, 255, 255};
constexpr DesignRect kPicBack{0, 0, 615, 375};
constexpr DesignRect kShockwaveFlash{0, 0, 10500, 7500};
constexpr DesignRect kWorkFlash{0, 0, 9735, 6615};

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

WindowAdapter::WindowAdapter(FormWindow& window, const Metrics& metrics)
    : window_(window), metrics_(metrics), width_(kWindowWidth), height_(kWindowHeight) {
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
  auto rect = [&](const DesignRect& r) {
    return std::array<int, 4>{metrics_.to_px_x(r.left), metrics_.to_px_y(r.top),
                              metrics_.size_px_x(r.width), metrics_.size_px_y(r.height)};
  };
  window_ = new FormWindow(metrics_.size_px_x(kWindowWidth), metrics_.size_px_y(kWindowHeight),
                           kCaption);
  window_->border(0);
  window_->xclass(kWindowClass);
  window_icon_pixels_ = chrome::LogoPixels(chrome::kWindowIconSize);
  window_icon_ = std::make_unique<Fl_RGB_Image>(window_icon_pixels_.data(), chrome::kWindowIconSize,
                                                chrome::kWindowIconSize, 3);
  window_->icon(window_icon_.get());

  // Children are drawn first to last, so they are added back to front.
  auto [bx, by, bw, bh] = rect(kWorkFlash);
  backdrop_widget_ = new PictureBoxWidget(bx, by, bw, bh);
  backdrop_widget_->hide();
  auto [mx, my, mw, mh] = rect(kShockwaveFlash);
  movie_widget_ = new MovieWidget(mx, my, mw, mh, moviehost::DesignSavedState());
  auto [sx, sy, sw, sh] = rect(kPicBack);
  strip_widget_ = new PictureBoxWidget(sx, sy, sw, sh);
  auto [cx, cy, cw, ch] = rect(kBtnClose);
  close_widget_ = new PushButtonWidget(cx, cy, cw, ch, "X");
  auto [nx, ny, nw, nh] = rect(kBtnMin);
  min_widget_ = new PushButtonWidget(nx, ny, nw, nh, "-");
  auto [ix, iy, iw, ih] = rect(kIconPic);
  icon_widget_ = new PictureBoxWidget(ix, iy, iw, ih);
  icon_box_pixels_ = chrome::LogoPixels(chrome::kIconBoxPictureSize);
  icon_box_picture_ = std::make_unique<Fl_RGB_Image>(
      icon_box_pixels_.data(), chrome::kIconBoxPictureSize, chrome::kIconBoxPictureSize, 3);
  icon_widget_->set_picture(icon_box_picture_.get());
  window_->end();

  window_adapter_ = std::make_unique<WindowAdapter>(*window_, metrics_);
  auto box = [&](PictureBoxWidget& w, const DesignRect& r) {
    return std::make_unique<PictureBoxAdapter>(w, metrics_, r.left, r.top, r.width, r.height);
  };
  auto button = [&](PushButtonWidget& w, const DesignRect& r) {
    return std::make_unique<PushButtonAdapter>(w, metrics_, r.left, r.top, r.width, r.height);
  };
  icon_ = box(*icon_widget_, kIconPic);
  min_ = button(*min_widget_, kBtnMin);
  close_ = button(*close_widget_, kBtnClose);
  strip_ = box(*strip_widget_, kPicBack);
  movie_ = std::make_unique<MovieControlAdapter>(*movie_widget_, metrics_, kShockwaveFlash.left,
                                                 kShockwaveFlash.top, kShockwaveFlash.width,
                                                 kShockwaveFlash.height);
  backdrop_ = box(*backdrop_widget_, kWorkFlash);
  form_ = std::make_unique<Form>(Form{*window_adapter_, *icon_, *min_, *close_, *strip_, *movie_,
                                      *backdrop_, screen_, services_, shell_});
}

FltkForm::~FltkForm() { delete window_; }

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
        if (e->type == MapNotify && self->window_->shown() && e->xmap.window == fl_xid(self->window_))
          self->take_input_focus();
        return 0;  // FLTK handles the event as usual
      },
      this);
}

void FltkForm::take_input_focus() {
  // Only a viewable window can take it (a movie may have minimised it already).
  XWindowAttributes attributes;
  if (XGetWindowAttributes(fl_display, fl_xid(window_), &attributes) &&
      attributes.map_state == IsViewable)
    XSetInputFocus(fl_display, fl_xid(window_), RevertToParent, CurrentTime);
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
    fl_message_title(kCaption);
    fl_alert("%s", error.report().c_str());
  }
  std::exit(1);
}

}  // namespace strandel::platform::fltk
