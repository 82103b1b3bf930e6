#include "platform/fltk/movie_control.h"

// Before the FLTK drawing headers: they pull in Xlib, whose macros (None,
// Status, Bool) would clash with names in the movie reader.
#include "swf/player.h"
// clang-format off
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
// clang-format on

namespace strandel::platform::fltk {

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ResolveMoviePath(const std::string& url) {
  if (exists(url) || url.find('\\') == std::string::npos) return url;
  std::string slashes = url;
  std::replace(slashes.begin(), slashes.end(), '\\', '/');
  return slashes;
}

MovieWidget::MovieWidget(int x, int y, int w, int h, const moviehost::SavedState& state)
    : Fl_Widget(x, y, w, h) {
  if (auto decoded = moviehost::DecodeSavedState(state)) settings_ = *decoded;
  box(FL_FLAT_BOX);
  color(FL_WHITE);
}

MovieWidget::~MovieWidget() { Fl::remove_timeout(tick, this); }

void MovieWidget::load(const std::string& path) {
  swf::LoadResult loaded = swf::load_movie_file(path);
  if (!loaded.movie) {
    std::fprintf(stderr, "strandel: cannot load movie \"%s\": %s\n", path.c_str(),
                 loaded.error.c_str());
    player_.reset();
    request_redraw();
    return;
  }
  player_ = std::make_unique<swf::Player>(loaded.movie);
  if (player_->actionscript3())
    std::fprintf(stderr,
                 "strandel: movie \"%s\" is made of ActionScript 3 code, which this player cannot "
                 "play; only its stage colour is shown\n",
                 path.c_str());
  player_->on_fscommand([this](const std::string& command, const std::string& args) {
    if (on_fscommand) on_fscommand(command, args);
  });
  request_redraw();
}

void MovieWidget::start() {
  if (player_ && !ticking_) {
    ticking_ = true;
    Fl::add_timeout(0, tick, this);  // frame 1 shows as soon as the window does
  }
}

void MovieWidget::tick(void* data) {
  auto* self = static_cast<MovieWidget*>(data);
  self->ticking_ = false;
  if (!self->player_) return;
  self->player_->advance();
  if (self->player_->take_dirty()) self->request_redraw();
  self->schedule_next_frame();
}

void MovieWidget::schedule_next_frame() {
  // A stopped movie keeps no timer: nothing runs until something moves again.
  if (!player_ || ticking_ || !player_->is_animating()) return;
  ticking_ = true;
  Fl::repeat_timeout(player_->frame_interval(), tick, this);
}

void MovieWidget::request_redraw() {
  // The controls in front of the movie (the title strip, the buttons) must be
  // drawn again over it, so the window repaints the whole area.
  if (Fl_Window* win = window()) win->damage(FL_DAMAGE_ALL, x(), y(), w(), h());
}

void MovieWidget::draw() {
  Fl_Color background = FL_WHITE;
  if (player_) {
    swf::Rgba bg = player_->background();
    background = fl_rgb_color(bg.r, bg.g, bg.b);
  }
  fl_color(background);
  fl_rectf(x(), y(), w(), h());
}

int MovieWidget::handle(int event) {
  switch (event) {
    case FL_FOCUS:
    case FL_UNFOCUS:
      return 1;
    case FL_PUSH:
    case FL_DRAG:
    case FL_RELEASE:
    case FL_ENTER:
    case FL_MOVE:
      return 1;  // the movie takes the mouse: a press on it starts no drag
    default:
      return Fl_Widget::handle(event);
  }
}

MovieControlAdapter::MovieControlAdapter(MovieWidget& widget, const Metrics& metrics, Twips l,
                                         Twips t, Twips w, Twips h)
    : widget_(widget), metrics_(metrics), left_(l), top_(t), width_(w), height_(h) {
  place();
}

void MovieControlAdapter::place() {
  widget_.resize(metrics_.to_px_x(left_), metrics_.to_px_y(top_), metrics_.size_px_x(width_),
                 metrics_.size_px_y(height_));
  if (widget_.window()) widget_.window()->redraw();
}

void MovieControlAdapter::set_Left(Twips v) { left_ = v; place(); }
void MovieControlAdapter::set_Top(Twips v) { top_ = v; place(); }
void MovieControlAdapter::set_Width(Twips v) { width_ = v; place(); }
void MovieControlAdapter::set_Height(Twips v) { height_ = v; place(); }

void MovieControlAdapter::set_Visible(Truth v) {
  if (v != kFalse) widget_.show(); else widget_.hide();
  if (widget_.window()) widget_.window()->redraw();
}

void MovieControlAdapter::LoadMovie(std::int32_t, const std::string& url) {
  widget_.load(ResolveMoviePath(url));
}

}  // namespace strandel::platform::fltk
