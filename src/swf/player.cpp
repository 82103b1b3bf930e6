#include "swf/player.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <utility>

#include "avm1/clip.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/url.h"
#include "swf/bytes.h"
#include "swf/sound_events.h"
#include "swf/tags.h"
#include "swf/text_field.h"

namespace strandel::swf {

namespace {

constexpr double kDefaultFrameRate = 12;  // for a movie that says 0
constexpr double kMinFrameRate = 1;
constexpr double kMaxFrameRate = 120;
// Bounds on the work one advance may do, whatever the movie asks for.
constexpr int kMaxSpriteNesting = 16;
constexpr std::size_t kMaxSpriteTicks = 20000;
constexpr std::size_t kMaxActionBlocks = 1000;
// A timeline's frame number is a u16.
constexpr std::size_t kMaxFrames = 65535;
// FileAttributes: the ActionScript3 flag in its first byte.
constexpr std::uint8_t kActionScript3Flag = 0x08;
// DoABC without flags and name, as early version 9 movies write it.
constexpr std::uint16_t kDoABCDefine = 72;

bool is_definition(std::uint16_t c) {
  switch (static_cast<TagCode>(c)) {
    case TagCode::DefineShape: case TagCode::DefineShape2: case TagCode::DefineShape3:
    case TagCode::DefineShape4: case TagCode::DefineMorphShape: case TagCode::DefineMorphShape2:
    case TagCode::DefineBits: case TagCode::JPEGTables: case TagCode::DefineBitsJPEG2:
    case TagCode::DefineBitsJPEG3: case TagCode::DefineBitsJPEG4:
    case TagCode::DefineBitsLossless: case TagCode::DefineBitsLossless2:
    case TagCode::DefineFont: case TagCode::DefineFont2: case TagCode::DefineFont3:
    case TagCode::DefineFont4: case TagCode::DefineFontInfo: case TagCode::DefineFontInfo2:
    case TagCode::DefineFontAlignZones: case TagCode::DefineFontName:
    case TagCode::DefineText: case TagCode::DefineText2: case TagCode::DefineEditText:
    case TagCode::CSMTextSettings: case TagCode::DefineButton: case TagCode::DefineButton2:
    case TagCode::DefineButtonCxform: case TagCode::DefineButtonSound:
    case TagCode::DefineSound: case TagCode::DefineSprite: case TagCode::DefineScalingGrid:
    case TagCode::DefineVideoStream: case TagCode::DefineBinaryData:
      return true;
    default:
      return false;
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool uses_actionscript3(const Movie& movie) {
  for (const TagRecord& t : movie.tags) {
    if (t.code == code(TagCode::DoABC) || t.code == kDoABCDefine) return true;
    if (t.code == code(TagCode::FileAttributes)) {
      auto body = movie.body(t);
      if (!body.empty() && (body[0] & kActionScript3Flag)) return true;
    }
  }
  return false;
}

}  // namespace

// A timeline's tags cut into frames: frame i is tags[frame_start[i] ..
// frame_start[i + 1]). Tags after the last ShowFrame make one more frame;
// a timeline with no tags at all has one empty frame.
struct Player::Timeline {
  std::span<const std::uint8_t> bytes;  // tag offsets are relative to these
  std::vector<TagRecord> tags;
  std::vector<std::size_t> frame_start{0};
  std::map<std::string, std::uint16_t> labels;  // lower case: labels match in any case
  bool is_main = false;
  bool has_stream = false;  // holds a SoundStreamHead

  Timeline(std::span<const std::uint8_t> b, std::vector<TagRecord> t, bool main)
      : bytes(b), tags(std::move(t)), is_main(main) {
    std::size_t i = 0;
    for (; i < tags.size() && frame_start.size() <= kMaxFrames; ++i) {
      std::uint16_t c = tags[i].code;
      if (c == code(TagCode::End)) break;
      if (c == code(TagCode::SoundStreamHead) || c == code(TagCode::SoundStreamHead2))
        has_stream = true;
      if (c == code(TagCode::FrameLabel)) add_label(tags[i]);
      if (c == code(TagCode::ShowFrame)) frame_start.push_back(i + 1);
    }
    tags.resize(i);
    if (frame_start.size() == 1 || frame_start.back() < tags.size()) {
      if (frame_start.size() <= kMaxFrames) frame_start.push_back(tags.size());
      else frame_start.back() = tags.size();
    }
  }

  std::uint16_t frames() const { return static_cast<std::uint16_t>(frame_start.size() - 1); }
  std::span<const TagRecord> frame_tags(std::uint16_t index) const {
    return std::span<const TagRecord>(tags).subspan(
        frame_start[index], frame_start[index + 1] - frame_start[index]);
  }
  std::span<const std::uint8_t> body(const TagRecord& t) const { return tag_body(bytes, t); }

 private:
  void add_label(const TagRecord& t) {
    ByteReader in(body(t));
    try {
      labels.emplace(lower(in.cstring()), static_cast<std::uint16_t>(frame_start.size() - 1));
    } catch (const ReadError&) {
    }
  }
};

Player::Player(std::shared_ptr<const Movie> movie)
    : movie_(movie ? std::move(movie) : std::make_shared<const Movie>()),
      main_(std::make_unique<Timeline>(movie_->data, movie_->tags, true)),
      root_(std::make_shared<SpriteInstance>()),
      actionscript3_(uses_actionscript3(*movie_)) {
  machine_ = std::make_unique<avm1::Machine>(*this);
}

Player::~Player() = default;

void Player::on_fscommand(CommandHandler handler) { on_fscommand_ = std::move(handler); }
// Script problems (a runaway loop) share the log with the definition tags.
void Player::on_log(LogCallback log) {
  machine_->on_problem = [log](const std::string& problem) {
    if (log) log(Diagnostic{DiagnosticKind::OverLimit, std::nullopt, std::nullopt, problem});
  };
  dictionary_.on_log(std::move(log));
}
void Player::on_trace(TraceHandler handler) { machine_->on_trace = std::move(handler); }

double Player::frame_interval() const {
  double rate = movie_->frame_rate > 0 ? movie_->frame_rate : kDefaultFrameRate;
  return 1.0 / std::clamp(rate, kMinFrameRate, kMaxFrameRate);
}

// The main timeline steps first and its actions run; then every placed
// sprite steps after its parent, each followed by its own actions.
void Player::advance() {
  ticks_left_ = kMaxSpriteTicks;
  blocks_left_ = kMaxActionBlocks;
  if (root_->current_frame != 0) elapsed_ms_ += frame_interval() * 1000;
  machine_->begin_frame();
  tick(root_, *main_);
  run_queue();
  tick_sprites(root_->display_list, 1);
  machine_->loads().complete();
  run_queue();
  queue_.clear();
  machine_->collect();
}

bool Player::is_animating() const {
  if (root_->current_frame == 0) return true;
  return timeline_animating(*root_, *main_, 0);
}

bool Player::take_dirty() { return std::exchange(dirty_, false); }
const DisplayList& Player::display_list() const { return root_->display_list; }
DisplayList* Player::display_list_of(const SpriteInstance* timeline) {
  if (!timeline) return &root_->display_list;
  const DisplayObject* owner = find_owner(root_->display_list, timeline, 0);
  return owner ? &owner->sprite->display_list : nullptr;
}
const Dictionary& Player::dictionary() const { return dictionary_; }
Rect Player::stage() const { return movie_->stage; }
Rgba Player::background() const { return movie_->background.value_or(Rgba{255, 255, 255, 255}); }
bool Player::actionscript3() const { return actionscript3_; }
std::uint16_t Player::current_frame() const { return root_->current_frame; }

void Player::run_actions(std::span<const std::uint8_t> block, const SpriteInstance* timeline) {
  if (actionscript3_) return;
  blocks_left_ = kMaxActionBlocks;
  const DisplayObject* owner = timeline ? find_owner(root_->display_list, timeline, 0) : nullptr;
  queue_.push_back({owner ? owner->sprite : root_, block});
  run_queue();
}

const DisplayObject* Player::find_owner(const DisplayList& list, const SpriteInstance* sprite,
                                        int nesting) const {
  if (nesting > kMaxSpriteNesting) return nullptr;
  for (const auto& [depth, obj] : list) {
    if (!obj.sprite) continue;
    if (obj.sprite.get() == sprite) return &obj;
    if (const DisplayObject* o = find_owner(obj.sprite->display_list, sprite, nesting + 1)) return o;
  }
  return nullptr;
}

// Sprite timelines are parsed once per character, when first needed.
const Player::Timeline* Player::sprite_timeline(std::uint16_t character_id) const {
  auto it = sprite_timelines_.find(character_id);
  if (it != sprite_timelines_.end()) return it->second.get();
  const SpriteDefinition* def = dictionary_.sprite(character_id);
  if (!def) return nullptr;
  auto timeline = std::make_unique<Timeline>(def->tags, read_tag_list(def->tags).tags, false);
  return sprite_timelines_.emplace(character_id, std::move(timeline)).first->second.get();
}

// A timeline shows frame 1 on its first tick; after that it steps while
// playing and loops from its last frame to frame 1. A one-frame timeline
// stays put, so its frame's actions run once.
void Player::tick(const std::shared_ptr<SpriteInstance>& instance, const Timeline& timeline) {
  SpriteInstance& in = *instance;
  if (in.current_frame == 0) {
    apply_frame(in, timeline, 0);
    in.current_frame = 1;
    frame_sounds(in, timeline, 0);
    queue_frame_actions(instance, timeline, 0);
    return;
  }
  if (!in.playing || timeline.frames() <= 1) return;
  if (in.current_frame < timeline.frames()) {
    std::uint16_t index = in.current_frame;
    apply_frame(in, timeline, index);
    in.current_frame = index + 1;
    frame_sounds(in, timeline, index);
    queue_frame_actions(instance, timeline, index);
  } else {
    rebuild_to(in, timeline, 0);
    in.current_frame = 1;
    frame_sounds(in, timeline, 0);
    queue_frame_actions(instance, timeline, 0);
  }
}

// Steps the sprites of one display list (in depth order) and then their
// children. The list is copied first: a sprite's actions change only its
// own list, never its parent's.
void Player::tick_sprites(DisplayList& list, int nesting) {
  if (nesting > kMaxSpriteNesting) return;
  std::vector<std::pair<std::shared_ptr<SpriteInstance>, std::uint16_t>> sprites;
  for (auto& [depth, obj] : list)
    if (obj.sprite) sprites.emplace_back(obj.sprite, obj.character_id);
  for (auto& [instance, character_id] : sprites) {
    const Timeline* timeline = sprite_timeline(character_id);
    if (!timeline || ticks_left_ == 0) continue;
    --ticks_left_;
    tick(instance, *timeline);
    run_queue();
    tick_sprites(instance->display_list, nesting + 1);
  }
}

// Going forward applies the frames in between; going back rebuilds the
// list from frame 1. Only the target frame's actions run.
void Player::goto_frame(const std::shared_ptr<SpriteInstance>& instance, const Timeline& timeline,
                        std::uint32_t index) {
  SpriteInstance& in = *instance;
  auto target = static_cast<std::uint16_t>(std::min<std::uint32_t>(index, timeline.frames() - 1u));
  if (target + 1u == in.current_frame) return;
  if (in.current_frame != 0 && target + 1u > in.current_frame) {
    for (std::uint16_t f = in.current_frame; f <= target; ++f) apply_frame(in, timeline, f);
  } else {
    rebuild_to(in, timeline, target);
  }
  in.current_frame = target + 1;
  frame_sounds(in, timeline, target);
  queue_frame_actions(instance, timeline, target);
}

// An object that is at the same depth with the same character before and
// after the rebuild keeps its sprite instance (and so its own frame).
void Player::rebuild_to(SpriteInstance& instance, const Timeline& timeline, std::uint16_t index) {
  DisplayList old = std::move(instance.display_list);
  instance.display_list.clear();
  for (std::uint16_t f = 0; f <= index; ++f) apply_frame(instance, timeline, f);
  for (auto& [depth, obj] : instance.display_list) {
    auto it = old.find(depth);
    if (obj.sprite && it != old.end() && it->second.character_id == obj.character_id &&
        it->second.sprite)
      obj.sprite = it->second.sprite;
  }
  dirty_ = true;
}

void Player::apply_frame(SpriteInstance& instance, const Timeline& timeline, std::uint16_t index) {
  // Definition tags are read the first time the main timeline reaches their frame.
  bool define = timeline.is_main && index >= defined_frames_;
  for (const TagRecord& tag : timeline.frame_tags(index)) apply_tag(instance, timeline, tag, define);
  if (define) defined_frames_ = index + 1;
}

void Player::apply_tag(SpriteInstance& instance, const Timeline& timeline, const TagRecord& tag,
                       bool define) {
  auto body = timeline.body(tag);
  if (auto placement = read_placement(tag.code, body)) {
    if (DisplayObject* obj = apply_placement(instance.display_list, *placement)) {
      if (!obj->sprite && dictionary_.sprite(obj->character_id)) {
        obj->sprite = std::make_shared<SpriteInstance>();
        obj->sprite->character_id = obj->character_id;
        obj->sprite->parent = instance.weak_from_this();
        if (obj->name.empty()) obj->name = "instance" + std::to_string(++instance_count_);
      }
      if (obj->sprite) obj->sprite->name = obj->name;
      if (const EditTextDefinition* e = dictionary_.edit_text(obj->character_id);
          e && !obj->text_field)
        obj->text_field = std::make_shared<TextField>(*e, dictionary_);
    }
    dirty_ = true;
  } else if (auto depth = read_removal_depth(tag.code, body)) {
    instance.display_list.erase(*depth);
    dirty_ = true;
  } else if (define && is_definition(tag.code)) {
    // A bad definition leaves its character out; the movie plays on.
    try {
      dictionary_.define(tag.code, body, tag.offset);
    } catch (const std::exception&) {
    }
    define_sound_tag(tag, body);
  } else if (define && tag.code == code(TagCode::ExportAssets)) {
    define_sound_tag(tag, body);
  } else if (define && tag.code == code(TagCode::DoInitAction) && !actionscript3_ &&
             body.size() >= 2) {
    queue_.push_back({root_, body.subspan(2)});  // after the SpriteID
  }
}

// Sounds the frame starts, and the timeline's stream, which the frame's
// showing keeps going or starts. Only a frame that is shown makes sound: the
// frames a goto passes over are silent.
void Player::frame_sounds(const SpriteInstance& instance, const Timeline& timeline,
                          std::uint16_t index) {
  if (!sound_) return;
  for (const TagRecord& tag : timeline.frame_tags(index)) {
    try {
      if (tag.code == code(TagCode::StartSound) || tag.code == code(TagCode::StartSound2)) {
        sound_->start_sound(read_start_sound(tag.code, timeline.body(tag)));
      } else if (tag.code == code(TagCode::SoundStreamHead) ||
                 tag.code == code(TagCode::SoundStreamHead2)) {
        StreamHead head = read_stream_head(timeline.body(tag));
        sound_->stream_head(&instance, head,
                            collect_stream_blocks(head, timeline.bytes, timeline.tags));
      }
    } catch (const ReadError&) {
    }
  }
  if (timeline.has_stream && instance.playing) sound_->stream_frame(&instance, index);
}

void Player::button_sound(std::uint16_t button_id, ButtonSoundEvent event) {
  const ButtonDefinition* button = dictionary_.button(button_id);
  if (!sound_ || !button) return;
  const ButtonSound& s = button->sounds[static_cast<std::size_t>(event)];
  if (s.sound_id != 0) sound_->start_sound({s.sound_id, {}, s.info});
}

void Player::define_sound_tag(const TagRecord& tag, std::span<const std::uint8_t> body) {
  if (!sound_) return;
  try {
    if (tag.code == code(TagCode::DefineSound)) {
      sound_->define_sound(read_define_sound(body));
    } else if (tag.code == code(TagCode::ExportAssets)) {
      ByteReader in(body);
      for (unsigned n = in.u16(); n > 0; --n) {
        std::uint16_t id = in.u16();
        sound_->export_name(id, in.cstring());
      }
    }
  } catch (const ReadError&) {
  }
}

void Player::queue_frame_actions(const std::shared_ptr<SpriteInstance>& instance,
                                 const Timeline& timeline, std::uint16_t index) {
  if (actionscript3_) return;
  for (const TagRecord& tag : timeline.frame_tags(index))
    if (tag.code == code(TagCode::DoAction)) queue_.push_back({instance, timeline.body(tag)});
}

// Blocks run in the order queued; a goto inside one queues the target
// frame's blocks behind it rather than running them inside it.
void Player::run_queue() {
  while (!queue_.empty()) {
    if (blocks_left_ == 0) {
      queue_.clear();
      return;
    }
    --blocks_left_;
    QueuedBlock q = std::move(queue_.front());
    queue_.pop_front();
    avm1::Code code{movie_, q.block, movie_->version};
    machine_->run_block(code, avm1::clip_object(*machine_, q.instance));
  }
}

void Player::get_url(const std::string& url, const std::string& target) {
  if (avm1::is_fscommand(url)) {
    if (on_fscommand_) on_fscommand_(url.substr(std::string_view("FSCommand:").size()), target);
    return;
  }
  std::fprintf(stderr, "strandel: movie asked to open %s (target %s): not opened\n", url.c_str(),
               target.c_str());
}

const Player::Timeline* Player::timeline_of(const SpriteInstance& clip) const {
  return clip.character_id == 0 ? main_.get() : sprite_timeline(clip.character_id);
}

std::uint16_t Player::total_frames(const SpriteInstance& clip) const {
  const Timeline* t = timeline_of(clip);
  return t ? t->frames() : 0;
}

std::optional<std::uint16_t> Player::label_frame(const SpriteInstance& clip,
                                                 std::string_view label) const {
  const Timeline* t = timeline_of(clip);
  if (!t) return std::nullopt;
  auto it = t->labels.find(lower(std::string(label)));
  if (it == t->labels.end()) return std::nullopt;
  return it->second;
}

void Player::goto_frame(const std::shared_ptr<SpriteInstance>& clip, std::uint32_t index,
                        bool play) {
  const Timeline* t = timeline_of(*clip);
  if (!t) return;
  set_playing(*clip, play);
  goto_frame(clip, *t, index);
}

// A clip that stops silences its sound stream.
void Player::set_playing(SpriteInstance& clip, bool play) {
  clip.playing = play;
  const Timeline* t = timeline_of(clip);
  if (!play && sound_ && t && t->has_stream) sound_->stream_stop(&clip);
}

void Player::stop_all_sounds() {
  if (sound_) sound_->stop_all();
}

std::vector<std::span<const std::uint8_t>> Player::frame_actions(const SpriteInstance& clip,
                                                                 std::uint16_t index) const {
  std::vector<std::span<const std::uint8_t>> blocks;
  const Timeline* t = timeline_of(clip);
  if (!t || index >= t->frames() || actionscript3_) return blocks;
  for (const TagRecord& tag : t->frame_tags(index))
    if (tag.code == code(TagCode::DoAction)) blocks.push_back(t->body(tag));
  return blocks;
}

DisplayObject* Player::placement_of(const SpriteInstance& clip) {
  auto parent = clip.parent.lock();
  if (!parent) return nullptr;
  for (auto& [depth, obj] : parent->display_list)
    if (obj.sprite.get() == &clip) return &obj;
  return nullptr;
}

bool Player::timeline_animating(const SpriteInstance& instance, const Timeline& timeline,
                                int nesting) const {
  if (instance.current_frame == 0 || (instance.playing && timeline.frames() > 1)) return true;
  if (nesting >= kMaxSpriteNesting) return false;
  for (const auto& [depth, obj] : instance.display_list) {
    if (!obj.sprite) continue;
    const Timeline* t = sprite_timeline(obj.character_id);
    if (t && timeline_animating(*obj.sprite, *t, nesting + 1)) return true;
  }
  return false;
}

}  // namespace strandel::swf
