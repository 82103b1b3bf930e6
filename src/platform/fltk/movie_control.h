// The movie control: a widget of the launcher window that loads a movie from
// a local path, plays its timeline on an FLTK timeout at the movie's frame
// rate, draws it, and raises FSCommand when the movie sends a command.
#pragma once

#include <FL/Fl_Widget.H>
#include <cairo.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/fltk/metrics.h"
#include "platform/fltk/widgets.h"
#include "platform/saved_state.h"
#include "platform/toolkit.h"
#include "swf/renderer.h"

namespace strandel::swf {
class Player;
class RenderCache;
}
namespace strandel::audio {
class MovieSound;
}

namespace strandel::platform::fltk {

class MovieWidget : public Fl_Widget {
 public:
  explicit MovieWidget(const SavedState& state);
  ~MovieWidget() override;

  // Loads the movie at a local path. A missing or unreadable movie leaves the
  // control white and writes one line on stderr; nothing else happens.
  void load(const std::string& path);
  // Starts the timeline once the window is on the screen.
  void start();

  // Keys that reach the movie while it has the keyboard focus: the file
  // format's key codes, and the character typed (0 for none).
  void key_down(int key_code, int character);
  void key_up(int key_code);

  std::function<void(const std::string& command, const std::string& args)> on_fscommand;

  const ControlSettings& settings() const { return settings_; }
  swf::RenderOptions render_options() const;

 protected:
  void draw() override;
  int handle(int event) override;

 private:
  static void tick(void* self);
  static void open_sound(void* self);
  void schedule_next_frame();
  // The main timeline's frame its stream is heard at, while one plays.
  // The frame a stream is heard at (0-based) and the frame its timeline
  // shows (1-based).
  struct StreamLead {
    std::uint32_t heard;
    std::uint16_t shown;
  };
  std::optional<StreamLead> stream_lead() const;
  // After the pointer or a key made the movie run actions: draw, and start the timer
  // again if the actions set a timeline playing.
  void after_pointer(bool changed);
  void pointer_event(int event);
  void request_redraw();

  void render_frame();

  ControlSettings settings_;
  std::unique_ptr<audio::MovieSound> sound_;  // outlives the player, which calls it
  std::unique_ptr<swf::Player> player_;
  bool ticking_ = false;
  bool hand_cursor_ = false;
  // The last frame drawn, a Cairo image at the widget's size: drawn again on
  // every expose, rendered anew only when the movie changed.
  struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const;
  };
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> frame_;
  // Images of shapes kept between frames, for the frame's size.
  std::unique_ptr<swf::RenderCache> shape_cache_;
  bool frame_stale_ = true;
};

class MovieControlAdapter : public MovieControl {
 public:
  MovieControlAdapter(MovieWidget& widget, const Metrics& metrics, design::Rect at);
  void set_Left(Twips v) override { at_.set_left(v); }
  void set_Top(Twips v) override { at_.set_top(v); }
  Twips Width() const override { return at_.width(); }
  void set_Width(Twips v) override { at_.set_width(v); }
  Twips Height() const override { return at_.height(); }
  void set_Height(Twips v) override { at_.set_height(v); }
  void set_Visible(Truth v) override { at_.set_visible(v); }
  void LoadMovie(std::int32_t layer, const std::string& url) override;

 private:
  MovieWidget& widget_;
  ControlGeometry at_;
};

// The path to load for a movie url: as written when it exists; otherwise,
// when it holds backslashes (settings written on Windows end with
// "\movie.swf"), with each one read as a slash.
std::string ResolveMoviePath(const std::string& url);

}  // namespace strandel::platform::fltk
