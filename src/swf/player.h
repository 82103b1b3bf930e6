// The player: plays a movie's timelines frame by frame as the vendor's
// player does, keeps the display tree, fills the dictionary as definition
// tags come, and runs the movie's scripts (the frames', clip events', and
// buttons') on the script machine, in the order that player runs them.
//
// A frame: every clip, newest first, sends its load (first time) or
// enterFrame event and steps its timeline; a clip that a frame places runs
// its own first frame there and then. What the frames and events queue runs
// after that, in order (init actions first); a goto from a script queues
// the target frame behind the running block.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "swf/diagnostic.h"
#include "swf/dictionary.h"
#include "swf/display_list.h"
#include "swf/geometry.h"
#include "swf/movie.h"
#include "swf/sound.h"

namespace strandel::avm1 {
class Machine;
}

namespace strandel::swf {

class SoundEvents;
class Timeline;

// What all the sound files scripts load may hold together.
inline constexpr std::size_t kMaxLoadedSoundBytes = 64u << 20;

// How scripts ask the stage to sit in its window (Stage.align, scaleMode,
// displayState): align is a set of the letters L, T, R and B.
struct StageLayout {
  std::string align;
  std::string scale_mode = "showAll";
  bool full_screen = false;
};

class Player {
 public:
  explicit Player(std::shared_ptr<const Movie> movie);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  using CommandHandler = std::function<void(const std::string& command, const std::string& args)>;
  void on_fscommand(CommandHandler handler);
  // Problems with the movie's definition tags and its scripts, as the player
  // meets them.
  void on_log(LogCallback log);
  // Where the movie's sounds go; none: the movie plays silently.
  void set_sound(SoundEvents* sound) { sound_ = sound; }
  SoundEvents* sound() const { return sound_; }
  // A DefineSound the movie has read (kept whether or not it is heard).
  const SoundDefinition* sound_definition(std::uint16_t id) const;
  // What a Sound object made without a target sets: the whole movie's.
  SoundTransform& global_sound_transform() { return global_sound_; }
  // An MP3 file a script loaded, kept while the movie plays so its sound can
  // be started like a DefineSound's: the id it was given, or none when no
  // id is free or the loaded sounds would pass kMaxLoadedSoundBytes.
  std::optional<std::uint16_t> add_loaded_sound(std::span<const std::uint8_t> mp3,
                                                const SoundFormat& format,
                                                std::uint32_t sample_count);
  // Plays the sound a button's definition gives for the transition.
  void button_sound(const DisplayObject& button, ButtonSoundEvent event);
  // How a sound heard through `clip` plays: the Sound settings of the clip,
  // of the clips around it and of the movie, one inside the other (null:
  // the movie's alone).
  SoundMix sound_mix(const DisplayObject* clip) const;
  // A Sound object changed a clip's or the movie's settings: the sounds
  // playing follow at the end of the frame.
  void sound_settings_changed() { remix_sounds_ = true; }
  // The main timeline's key in SoundEvents' calls.
  const void* main_timeline() const { return root_.get(); }
  // The playing timelines that have a stream, by their keys in SoundEvents'
  // calls, the main one first, with the frame each shows (1-based).
  std::vector<std::pair<const void*, std::uint16_t>> streaming_timelines() const;
  // Every line the movie's scripts trace; the launcher sets none.
  using TraceHandler = std::function<void(std::string_view line)>;
  void on_trace(TraceHandler handler);

  double frame_interval() const;  // seconds between frames: 1/rate; rate 0 -> 12 fps; 1..120 fps
  void advance();  // shows the next frame (the first call shows frame 1) and runs its scripts
  bool is_animating() const;  // a timeline plays, or a script waits for time to pass
  bool take_dirty();          // true once after the display tree changed since the last call
  const DisplayList& display_list() const;
  const Dictionary& dictionary() const;
  Rect stage() const;
  StageLayout& stage_layout() { return stage_layout_; }
  Rgba background() const;  // white when the movie sets none
  bool actionscript3() const;
  std::uint16_t current_frame() const;  // 1-based; 0 before the first advance

  // The pointer, in stage twips: buttons and clips with mouse handlers react
  // as the file format defines (roll over and out, press, release inside
  // and outside, drag over and out). Each returns true when something on
  // the stage changed.
  bool pointer_move(double stage_x, double stage_y);
  bool pointer_down();
  bool pointer_up();
  bool pointer_leave();
  // Whether the pointer is over something that reacts to it (a hand cursor).
  bool over_button() const;

  // A key went down or up while the movie had the keyboard focus. key_code
  // is the file format's key code (the Key class's numbers: 65 for A, 37 for
  // the left arrow); ascii is the character it types, 0 for none.
  void key_down(int key_code, int ascii);
  void key_up(int key_code);

  // --- What the script machine asks of the stage and the timelines ---
  // The script machine, made when the movie first needs it: a movie whose
  // first frames have no script starts without building its classes.
  avm1::Machine& machine();
  std::uint8_t version() const { return movie_->version; }
  std::shared_ptr<const Movie> movie() const { return movie_; }
  const std::shared_ptr<DisplayObject>& root() const { return root_; }
  std::uint16_t total_frames(const DisplayObject& clip) const;
  // 0-based frame of a label (any case); empty when the clip has none so named.
  std::optional<std::uint16_t> label_frame(const DisplayObject& clip, std::string_view label,
                                           std::uint16_t from = 0) const;
  void set_playing(DisplayObject& clip, bool play);
  // Goes to a 0-based frame (clamped to the last) and plays or stops there.
  void goto_frame(DisplayObject& clip, std::uint32_t index, bool play);
  // The DoAction blocks of one of the clip's frames (0-based).
  std::vector<std::span<const std::uint8_t>> frame_actions(const DisplayObject& clip,
                                                           std::uint16_t index) const;
  void stop_all_sounds();
  void get_url(const std::string& url, const std::string& target);
  // Milliseconds since the movie started: advances by one frame interval a
  // frame, so a headless run is deterministic.
  double elapsed_ms() const { return elapsed_ms_; }
  double mouse_x() const { return mouse_x_; }  // stage twips
  double mouse_y() const { return mouse_y_; }

  // Scripts making and removing objects. Each returns the new object, or
  // null when the character is not there or the depth is out of range.
  std::optional<std::uint16_t> exported_character(std::string_view name) const;
  // A name exported by the movie `clip` belongs to (the main one or a loaded one).
  std::optional<std::uint16_t> exported_character(const DisplayObject& clip,
                                                  std::string_view name) const;
  // Whether the movie `clip` belongs to exports character `id` by some name.
  bool exports_character(const DisplayObject& clip, std::uint16_t id) const;
  // The characters an object is made of: its movie's.
  const Dictionary& dictionary_for(const DisplayObject& object) const;
  DisplayObject* attach(DisplayObject& parent, std::uint16_t character_id, const std::string& name,
                        std::int32_t depth);
  DisplayObject* create_empty_clip(DisplayObject& parent, const std::string& name,
                                   std::int32_t depth);
  // A text field made by a script: `bounds` in twips, at x, y in its parent.
  DisplayObject* create_text_field(DisplayObject& parent, const std::string& name,
                                   std::int32_t depth, const Rect& bounds, double x, double y);
  // A script's bitmap shown at a depth of a clip.
  DisplayObject* attach_bitmap(DisplayObject& parent, std::shared_ptr<BitmapData> bitmap,
                               std::int32_t depth, bool smoothing);
  DisplayObject* duplicate(DisplayObject& original, const std::string& name, std::int32_t depth);
  void remove(DisplayObject& object);
  // Moves an object to another depth of its parent, swapping with what is there.
  void swap_depths(DisplayObject& object, std::int32_t depth);
  // Dragging: the clip follows the pointer (by its centre when lock_center).
  struct DragBounds {
    bool constrained = false;
    double left = 0, top = 0, right = 0, bottom = 0;  // parent pixels
  };
  void start_drag(DisplayObject& clip, bool lock_center, const DragBounds& bounds);
  void stop_drag();
  DisplayObject* dragged() const;
  // The topmost object under the pointer other than `ignore` (for _droptarget).
  DisplayObject* object_under_pointer(const DisplayObject* ignore) const;
  // Whether a stage point lies on the object's shapes (hitTest with shapeFlag).
  bool object_contains(const DisplayObject& object, double stage_x, double stage_y) const;
  // The object's matrix to the stage.
  Matrix to_stage(const DisplayObject& object) const;
  // The object's bounds in its own space (twips); empty when it shows nothing.
  std::optional<Rect> bounds(const DisplayObject& object) const;
  void mark_dirty() { dirty_ = true; }
  // _soundbuftime: seconds of sound to buffer, as scripts set it.
  std::int32_t sound_buffer_time = 5;
  // The object with the keyboard focus (Selection.setFocus); none when empty.
  std::weak_ptr<DisplayObject> focus;
  // _focusrect of the main timeline: whether focused buttons and clips show
  // the focus rectangle unless they say otherwise.
  bool focus_rect = true;
  // The focus highlight moves from one button or clip to another (either
  // may be null): the one that had it rolls out and the one that gets it
  // rolls over, as under the pointer.
  void move_focus_highlight(DisplayObject* from, DisplayObject* to);
  // Another movie in place of a clip's content: the children go (with their
  // unload events) and the movie's main timeline plays in the clip from its
  // first frame, which runs now. False when the clip is not a movie clip or
  // too many movies have been loaded.
  bool load_movie(DisplayObject& clip, std::shared_ptr<const Movie> movie, std::string url,
                  std::size_t file_bytes);
  // A JPEG, PNG or GIF file in place of a clip's content, its top left
  // corner at the clip's origin. False when the data is not such a picture
  // (or as load_movie).
  bool load_image(DisplayObject& clip, std::span<const std::uint8_t> image, std::string url);
  // Levels: _level0 is the main movie's root; loadMovieNum puts movies in
  // others, drawn above it from the lowest up. Null when the level is empty.
  DisplayObject* level(int number) const;
  // Loads a movie into a level, making the level when it is empty (false
  // when the number is out of range or as load_movie).
  bool load_level(int number, std::shared_ptr<const Movie> movie, std::string url,
                  std::size_t file_bytes);
  // Empties a level; level 0 keeps its root, as an empty clip.
  void unload_level(int number);
  // What is drawn: the main movie's objects, or while other levels are
  // loaded, every level's root from the lowest up.
  const DisplayList& stage_list() const;
  const DisplayList& levels() const { return levels_; }  // above level 0
  // Empties a clip as loading a movie does, leaving nothing in its place;
  // the clip hears its unload event.
  void unload_movie(DisplayObject& clip);
  // The movie's URL a clip shows as _url: that of the movie loaded into it
  // or its nearest such parent, else the main movie's.
  const std::string& url_of(const DisplayObject& object) const;
  // Where the movie came from, as _url gives it ("file:///..."); empty when unknown.
  void set_url(std::string url) { url_ = std::move(url); }
  const std::string& url() const { return url_; }

 private:
  StageLayout stage_layout_;
  struct QueuedAction {
    std::shared_ptr<DisplayObject> clip;
    std::span<const std::uint8_t> block;  // empty for a method call
    const char* method = nullptr;         // onLoad, onEnterFrame...
    bool unload = false;                  // runs though the clip has gone
    bool construct = false;               // runs the clip's registered class
  };
  struct Drag {
    std::weak_ptr<DisplayObject> clip;
    bool lock_center = false;
    double dx = 0, dy = 0;  // clip position less pointer, in the parent's twips
    DragBounds bounds;
  };

  const Timeline* timeline_of(const DisplayObject& clip) const;
  const Timeline* sprite_timeline(const Dictionary& dictionary, std::uint16_t character_id) const;
  void frame_of(DisplayObject& clip);
  void step_timeline(DisplayObject& clip);
  void run_frames(DisplayObject& clip, const Timeline& timeline, std::uint16_t from,
                  std::uint16_t to, bool rewind, bool actions = true);
  void apply_tag(DisplayObject& clip, const Timeline& timeline, const TagRecord& tag,
                 std::uint16_t frame, bool effective, bool last_frame, bool define);
  void place(DisplayObject& clip, const Placement& p, std::uint16_t frame);
  std::shared_ptr<DisplayObject> instantiate(DisplayObject& parent, std::uint16_t character_id,
                                             std::int32_t depth);
  void adopt(DisplayObject& parent, const std::shared_ptr<DisplayObject>& child);
  void detach(DisplayObject& object, bool run_unload);
  void unload_tree(DisplayObject& object, bool run_unload);
  void dispatch(DisplayObject& clip, std::uint32_t event);
  void dispatch_all(std::uint32_t event, const char* listener_method);
  void queue_frame_actions(DisplayObject& clip, const Timeline& timeline, std::uint16_t index);
  void frame_sounds(const DisplayObject& clip, const Timeline& timeline, std::uint16_t index);
  void remix_sounds();
  void hand_over_handlers();  // the trace and log handlers, to the machine
  void define_sound_tag(const TagRecord& tag, std::span<const std::uint8_t> body);
  void define_tag(const TagRecord& tag, std::span<const std::uint8_t> body);
  void run_queue();
  bool timeline_animating(const DisplayObject& clip, int nesting) const;
  void button_event(DisplayObject& button, std::uint16_t condition, std::uint32_t clip_event,
                    const char* method);
  DisplayObject* interactive_at(double x, double y) const;
  bool wants_mouse(const DisplayObject& clip) const;
  void start_object(const std::shared_ptr<DisplayObject>& object);
  bool make_room(DisplayObject& parent, std::int32_t depth);
  // A script-made object joins its parent and starts.
  DisplayObject* join(DisplayObject& parent, const std::shared_ptr<DisplayObject>& child);
  void set_button_state(DisplayObject* object, ButtonState state);
  void follow_drag();

  std::shared_ptr<const Movie> movie_;
  Dictionary dictionary_;
  std::unique_ptr<Timeline> main_;
  mutable std::map<std::pair<const Dictionary*, std::uint16_t>, std::unique_ptr<Timeline>>
      sprite_timelines_;
  std::shared_ptr<DisplayObject> root_;
  std::unique_ptr<avm1::Machine> machine_;  // null until machine() is first asked
  TraceHandler on_trace_;
  std::vector<std::weak_ptr<DisplayObject>> exec_;  // oldest first; frames run newest first
  // Init actions and Initialize events run first, Construct events next.
  std::deque<QueuedAction> init_queue_, construct_queue_, queue_;
  // A movie loaded into a clip or a level, with its main timeline and the
  // characters it defines; kept while the player lives (at most
  // kMaxLoadedMovies).
  struct LoadedMovie {
    std::shared_ptr<const Movie> movie;
    std::unique_ptr<Timeline> timeline;
    std::unique_ptr<Dictionary> dictionary;
    std::map<std::string, std::uint16_t, std::less<>> exports;  // ExportAssets, lower case
  };
  std::vector<LoadedMovie> loaded_;
  // Every character and export of a movie whose whole file is here; its
  // ImportAssets are followed when `imports`.
  void read_characters(LoadedMovie& loaded, bool imports);
  // ImportAssets and ImportAssets2 of a movie read from `movie_path`.
  void import_assets(Dictionary& into, const std::string& movie_path, std::uint16_t tag_code,
                     std::span<const std::uint8_t> body);
  const LoadedMovie* imported_movie(const std::string& movie_path, std::string_view url);
  DisplayList levels_;              // the roots of levels above 0, by number
  mutable DisplayList stage_list_;  // level 0's root and levels_, while there are levels
  std::map<std::string, std::uint16_t, std::less<>> exports_;  // ExportAssets, lower case
  std::set<std::uint16_t> exported_ids_;                       // the characters exports_ names
  // Sprites whose DoInitAction has run, by the dictionary they are in.
  std::set<std::pair<const Dictionary*, std::uint16_t>> init_done_;
  CommandHandler on_fscommand_;
  LogCallback log_;
  SoundEvents* sound_ = nullptr;
  std::map<std::uint16_t, SoundDefinition> sounds_;  // DefineSound, by id
  SoundTransform global_sound_;
  bool remix_sounds_ = false;
  // Loaded sounds' ids and bytes (as DefineSound holds them).
  std::vector<std::pair<std::uint16_t, std::unique_ptr<std::vector<std::uint8_t>>>> loaded_sounds_;
  std::size_t loaded_sound_bytes_ = 0;
  std::string url_;
  double elapsed_ms_ = 0;
  std::uint32_t instance_count_ = 0;  // names unnamed objects instance1, instance2...
  std::uint16_t defined_frames_ = 0;  // main frames whose definition tags have been read
  std::size_t instances_left_ = 0;    // objects one advance may make
  std::size_t actions_left_ = 0;      // queued blocks one advance may run
  bool dirty_ = false;
  bool actionscript3_ = false;
  // The pointer.
  double mouse_x_ = 0, mouse_y_ = 0;
  bool mouse_down_ = false;
  std::weak_ptr<DisplayObject> hovered_, pressed_;
  std::unique_ptr<Drag> drag_;
};

}  // namespace strandel::swf
