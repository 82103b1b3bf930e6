// The timeline player: shows a movie's frames in order, keeps the display
// list (and every placed sprite's own timeline), fills the dictionary as
// definition tags come, and runs the frames' action blocks.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

class Player {
 public:
  explicit Player(std::shared_ptr<const Movie> movie);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  using CommandHandler = std::function<void(const std::string& command, const std::string& args)>;
  void on_fscommand(CommandHandler handler);
  // Problems with the movie's definition tags, as the player meets them.
  void on_log(LogCallback log);
  // Where the movie's sounds go; none: the movie plays silently.
  void set_sound(SoundEvents* sound) { sound_ = sound; }
  // Plays the sound a button's definition gives for the transition.
  void button_sound(std::uint16_t button_id, ButtonSoundEvent event);
  // The main timeline's key in SoundEvents' calls.
  const void* main_timeline() const { return root_.get(); }
  // Every line the movie's scripts trace; the launcher sets none.
  using TraceHandler = std::function<void(std::string_view line)>;
  void on_trace(TraceHandler handler);

  double frame_interval() const;  // seconds between frames: 1/rate; rate 0 -> 12 fps; 1..120 fps
  void advance();                 // shows the next frame (the first call shows frame 1) and runs its actions
  bool is_animating() const;      // a timeline (main or a sprite) is playing
  bool take_dirty();              // true once after the display list changed since the last call
  const DisplayList& display_list() const;
  // The display list of a timeline (null: the stage's), for the pointer logic
  // that changes the buttons' states; null when that sprite is gone.
  DisplayList* display_list_of(const SpriteInstance* timeline);
  const Dictionary& dictionary() const;
  Rect stage() const;
  Rgba background() const;  // white when the movie sets none
  bool actionscript3() const;
  std::uint16_t current_frame() const;  // 1-based; 0 before the first advance

  // A key went down or up while the movie had the keyboard focus. key_code
  // is the file format's key code (the Key class's numbers: 65 for A, 37 for
  // the left arrow); ascii is the character it types, 0 for none.
  void key_down(int key_code, int ascii) { (void)key_code, (void)ascii; }
  void key_up(int key_code) { (void)key_code; }

  // Runs an action block (a button's, say) on a timeline: the main one, or
  // the placed sprite that owns `timeline`. Does nothing for ActionScript 3.
  void run_actions(std::span<const std::uint8_t> block, const SpriteInstance* timeline = nullptr);

  struct Timeline;  // a parsed tag stream: frames and labels

  // --- What the script machine does to the timelines ---
  avm1::Machine& machine() { return *machine_; }
  std::uint8_t version() const { return movie_->version; }
  std::shared_ptr<const Movie> movie() const { return movie_; }
  const std::shared_ptr<SpriteInstance>& root() const { return root_; }
  std::uint16_t total_frames(const SpriteInstance& clip) const;
  // 0-based frame of a label (any case); empty when the clip has none so named.
  std::optional<std::uint16_t> label_frame(const SpriteInstance& clip, std::string_view label) const;
  void set_playing(SpriteInstance& clip, bool play);
  void stop_all_sounds();
  // Goes to a 0-based frame (clamped to the last) and plays or stops there.
  void goto_frame(const std::shared_ptr<SpriteInstance>& clip, std::uint32_t index, bool play);
  // The DoAction blocks of one of the clip's frames (0-based).
  std::vector<std::span<const std::uint8_t>> frame_actions(const SpriteInstance& clip,
                                                           std::uint16_t index) const;
  // The clip's entry in its parent's display list; null for the main timeline.
  DisplayObject* placement_of(const SpriteInstance& clip);
  void get_url(const std::string& url, const std::string& target);
  // Milliseconds since the movie started: advances by one frame interval a
  // frame, so a headless run is deterministic.
  double elapsed_ms() const { return elapsed_ms_; }

 private:
  struct QueuedBlock {
    std::shared_ptr<SpriteInstance> instance;
    std::span<const std::uint8_t> block;
  };

  const Timeline* sprite_timeline(std::uint16_t character_id) const;
  void tick(const std::shared_ptr<SpriteInstance>& instance, const Timeline& timeline);
  void tick_sprites(DisplayList& list, int nesting);
  const Timeline* timeline_of(const SpriteInstance& clip) const;
  void goto_frame(const std::shared_ptr<SpriteInstance>& instance, const Timeline& timeline,
                  std::uint32_t index);
  void rebuild_to(SpriteInstance& instance, const Timeline& timeline, std::uint16_t index);
  void apply_frame(SpriteInstance& instance, const Timeline& timeline, std::uint16_t index);
  void apply_tag(SpriteInstance& instance, const Timeline& timeline, const TagRecord& tag,
                 bool define);
  void queue_frame_actions(const std::shared_ptr<SpriteInstance>& instance,
                           const Timeline& timeline, std::uint16_t index);
  void frame_sounds(const SpriteInstance& instance, const Timeline& timeline, std::uint16_t index);
  void define_sound_tag(const TagRecord& tag, std::span<const std::uint8_t> body);
  void run_queue();
  bool timeline_animating(const SpriteInstance& instance, const Timeline& timeline,
                          int nesting) const;
  const DisplayObject* find_owner(const DisplayList& list, const SpriteInstance* sprite,
                                  int nesting) const;

  std::shared_ptr<const Movie> movie_;
  Dictionary dictionary_;
  std::unique_ptr<Timeline> main_;
  mutable std::map<std::uint16_t, std::unique_ptr<Timeline>> sprite_timelines_;
  std::shared_ptr<SpriteInstance> root_;
  std::unique_ptr<avm1::Machine> machine_;
  std::deque<QueuedBlock> queue_;
  CommandHandler on_fscommand_;
  SoundEvents* sound_ = nullptr;
  double elapsed_ms_ = 0;
  std::uint32_t instance_count_ = 0;  // names unnamed clips instance1, instance2...
  std::uint16_t defined_frames_ = 0;  // main frames whose definition tags have been read
  std::size_t ticks_left_ = 0;        // sprite ticks allowed in this advance
  std::size_t blocks_left_ = 0;       // action blocks allowed in this advance
  bool dirty_ = false;
  bool actionscript3_ = false;
};

}  // namespace strandel::swf
