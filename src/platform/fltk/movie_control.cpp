#include "platform/fltk/movie_control.h"

#include "audio/movie_sound.h"
#include "platform/fltk/blit.h"

// Before the FLTK drawing headers: they pull in Xlib, whose macros (None,
// Status, Bool) would clash with names in the movie reader.
#include "swf/player.h"
#include "swf/renderer.h"
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

MovieWidget::MovieWidget(const SavedState& state) : Fl_Widget(0, 0, 1, 1) {
  if (auto decoded = DecodeSavedState(state)) settings_ = *decoded;
  box(FL_FLAT_BOX);
  color(FL_WHITE);
}

MovieWidget::~MovieWidget() {
  Fl::remove_timeout(tick, this);
  Fl::remove_timeout(open_sound, this);
}

void MovieWidget::load(const std::string& path) {
  shape_cache_.reset();
  frame_.reset();
  swf::LoadResult loaded = swf::load_movie_file(path);
  if (!loaded.movie) {
    std::fprintf(stderr, "strandel: cannot load movie \"%s\": %s\n", path.c_str(),
                 loaded.error.message().c_str());
    player_.reset();
    request_redraw();
    return;
  }
  player_.reset();  // before the sound it calls
  player_ = std::make_unique<swf::Player>(loaded.movie);
  sound_ = std::make_unique<audio::MovieSound>(
      audio::MovieSound::Options{.frame_rate = 1 / player_->frame_interval(), .hold_device = true},
      [](const std::string& problem) { std::fprintf(stderr, "strandel: %s\n", problem.c_str()); });
  player_->set_sound(sound_.get());
  if (player_->actionscript3())
    std::fprintf(stderr,
                 "strandel: movie \"%s\" is made of ActionScript 3 code, which this player cannot "
                 "play; only its stage colour is shown\n",
                 path.c_str());
  // What the movie asks that cannot be done (a web page) and scripts that
  // had to be stopped are reported, one line each; problems with single
  // definition tags are not.
  player_->on_log([](const swf::Diagnostic& problem) {
    if (!problem.tag)
      std::fprintf(stderr, "strandel: %s\n", problem.message().c_str());
  });
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
  unsigned frames = 1;
  if (auto lead = self->stream_lead()) frames = audio::frames_due(lead->heard, lead->shown);
  for (unsigned i = 0; i < frames; ++i) self->player_->advance();
  if (self->player_->take_dirty()) self->request_redraw();
  self->schedule_next_frame();
}

// The movie keeps pace with the first stream heard now: the main timeline's
// before any sprite's.
std::optional<MovieWidget::StreamLead> MovieWidget::stream_lead() const {
  if (!sound_ || !player_) return std::nullopt;
  for (auto [timeline, shown] : player_->streaming_timelines())
    if (auto heard = sound_->stream_heard_frame(timeline)) return StreamLead{*heard, shown};
  return std::nullopt;
}

// Ticks a quarter frame apart while a stream leads, so the frames follow the
// sound closely; one frame apart otherwise.
constexpr double kStreamTicksPerFrame = 4;

void MovieWidget::schedule_next_frame() {
  // A stopped movie keeps no timer: nothing runs until something moves again.
  if (!player_ || ticking_ || !player_->is_animating()) return;
  ticking_ = true;
  double interval = player_->frame_interval();
  if (stream_lead()) interval /= kStreamTicksPerFrame;
  Fl::repeat_timeout(interval, tick, this);
}

void MovieWidget::after_pointer(bool changed) {
  if (!player_) return;
  if (player_->take_dirty() || changed) request_redraw();
  if (!ticking_ && player_->is_animating()) {
    ticking_ = true;
    Fl::add_timeout(player_->frame_interval(), tick, this);
  }
  bool hand = player_->over_button();
  if (hand != hand_cursor_) {
    hand_cursor_ = hand;
    if (Fl_Window* win = window()) win->cursor(hand ? FL_CURSOR_HAND : FL_CURSOR_DEFAULT);
  }
}

void MovieWidget::pointer_event(int event) {
  if (!player_ || player_->actionscript3()) return;
  if (event == FL_LEAVE) return after_pointer(player_->pointer_leave());
  // The pointer in stage twips, through the same transform as the drawing.
  auto to_stage =
      swf::stage_transform(player_->stage(), w(), h(), render_options().scale).inverse();
  if (!to_stage) return;
  swf::Point stage = to_stage->apply(Fl::event_x() - x() + 0.5, Fl::event_y() - y() + 0.5);
  bool changed = player_->pointer_move(stage.x, stage.y);
  if (event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE) changed |= player_->pointer_down();
  if (event == FL_RELEASE && Fl::event_button() == FL_LEFT_MOUSE)
    changed |= player_->pointer_up();
  after_pointer(changed);
}

void MovieWidget::key_down(int key_code, int character) {
  if (!player_ || player_->actionscript3()) return;
  player_->key_down(key_code, character);
  after_pointer(false);
}

void MovieWidget::key_up(int key_code) {
  if (!player_ || player_->actionscript3()) return;
  player_->key_up(key_code);
  after_pointer(false);
}

// The saved state's scale and quality settings, as the drawing takes them.
swf::RenderOptions MovieWidget::render_options() const {
  return {swf::scale_mode_named(settings_.scale), swf::antialias_for_quality(settings_.quality)};
}

void MovieWidget::request_redraw() {
  frame_stale_ = true;
  // The controls in front of the movie (the title strip, the buttons) must be
  // drawn again over it, so the window repaints the whole area.
  if (Fl_Window* win = window()) win->damage(FL_DAMAGE_ALL, x(), y(), w(), h());
}

// Movies larger than this many pixels are shown as their background colour
// only, rather than asking for an image of gigabytes.
constexpr long kMaxFramePixels = 64l << 20;

void MovieWidget::SurfaceDeleter::operator()(cairo_surface_t* s) const {
  cairo_surface_destroy(s);
}

void MovieWidget::render_frame() {
  frame_stale_ = false;
  if (!frame_ || cairo_image_surface_get_width(frame_.get()) != w() ||
      cairo_image_surface_get_height(frame_.get()) != h()) {
    frame_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w(), h()));
    shape_cache_ = std::make_unique<swf::RenderCache>();
    if (cairo_surface_status(frame_.get()) != CAIRO_STATUS_SUCCESS) {
      frame_.reset();
      return;
    }
  }
  cairo_t* cr = cairo_create(frame_.get());
  swf::render_frame(cr, w(), h(), player_->dictionary(), player_->stage_list(), player_->stage(),
                    player_->background(), shape_cache_.get(), render_options());
  cairo_destroy(cr);
  cairo_surface_flush(frame_.get());
}

void MovieWidget::draw() {
  bool drawable = player_ && !player_->actionscript3() &&
                  static_cast<long>(w()) * h() <= kMaxFramePixels;
  if (drawable && (frame_stale_ || !frame_ || cairo_image_surface_get_width(frame_.get()) != w() ||
                   cairo_image_surface_get_height(frame_.get()) != h()))
    render_frame();
  if (drawable && frame_) {
    DrawRgb24(cairo_image_surface_get_data(frame_.get()),
              cairo_image_surface_get_stride(frame_.get()), x(), y(), w(), h());
  } else {
    Fl_Color background = FL_WHITE;
    if (player_) {
      swf::Rgba bg = player_->background();
      background = fl_rgb_color(bg.r, bg.g, bg.b);
    }
    fl_color(background);
    fl_rectf(x(), y(), w(), h());
  }
  // The movie is on screen: its sound may start once this paint is out.
  if (sound_ && sound_->holding_device() && !Fl::has_timeout(open_sound, this))
    Fl::add_timeout(0, open_sound, this);
}

void MovieWidget::open_sound(void* self) {
  auto* widget = static_cast<MovieWidget*>(self);
  if (widget->sound_) widget->sound_->release_device();
}

int MovieWidget::handle(int event) {
  switch (event) {
    case FL_FOCUS:
    case FL_UNFOCUS:
      return 1;
    case FL_PUSH:
      take_focus();  // a click gives the movie the keyboard
      pointer_event(event);
      return 1;
    case FL_DRAG:
    case FL_RELEASE:
    case FL_ENTER:
    case FL_MOVE:
    case FL_LEAVE:
      pointer_event(event);
      return 1;  // the movie takes the mouse: a press on it starts no drag
    default:
      return Fl_Widget::handle(event);
  }
}

MovieControlAdapter::MovieControlAdapter(MovieWidget& widget, const Metrics& metrics,
                                         design::Rect at)
    : widget_(widget), at_(widget, metrics, at) {}

void MovieControlAdapter::LoadMovie(std::int32_t, const std::string& url) {
  widget_.load(ResolveMoviePath(url));
}

}  // namespace strandel::platform::fltk
