#include "swf/player.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

#include "avm1/builtins/text_field.h"
#include "avm1/clip.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/url.h"
#include "swf/bytes.h"
#include "swf/sound_events.h"
#include "swf/tags.h"
#include "swf/timeline.h"

namespace strandel::swf {

namespace {

constexpr double kDefaultFrameRate = 12;  // for a movie that says 0
constexpr double kMinFrameRate = 1;
constexpr double kMaxFrameRate = 120;
// Bounds on the work one advance may do, whatever the movie asks for:
// objects made (a sprite that places itself), queued blocks run, and the
// nesting of clips whose timelines are followed.
constexpr std::size_t kMaxInstancesPerAdvance = 10000;
constexpr std::size_t kMaxActionsPerAdvance = 200000;
constexpr int kMaxClipNesting = 64;
// FileAttributes: the ActionScript3 flag in its first byte.
constexpr std::uint8_t kActionScript3Flag = 0x08;
// DoABC without flags and name, as early version 9 movies write it.
constexpr std::uint16_t kDoABCDefine = 72;

// FileAttributes decides; a movie without it is ActionScript 3 when it holds
// ActionScript 3 code.
bool uses_actionscript3(const Movie& movie) {
  bool abc = false;
  for (const TagRecord& t : movie.tags) {
    if (t.code == code(TagCode::DoABC) || t.code == kDoABCDefine) abc = true;
    if (t.code == code(TagCode::FileAttributes)) {
      auto body = movie.body(t);
      return !body.empty() && (body[0] & kActionScript3Flag);
    }
  }
  return abc;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return out;
}

}  // namespace

Player::Player(std::shared_ptr<const Movie> movie)
    : movie_(movie ? std::move(movie) : std::make_shared<const Movie>()),
      main_(std::make_unique<Timeline>(movie_->data, movie_->tags, true)),
      root_(std::make_shared<DisplayObject>()),
      actionscript3_(uses_actionscript3(*movie_)) {
  root_->kind = DisplayKind::MovieClip;
  root_->sprite = std::make_unique<SpriteInstance>();
  root_->version = movie_->version;
  exec_.push_back(root_);
  // attachMovie may name a symbol its frame has not reached yet.
  for (const TagRecord& t : movie_->tags) {
    if (t.code != code(TagCode::ExportAssets)) continue;
    try {
      ByteReader in(movie_->body(t));
      for (unsigned n = in.u16(); n > 0; --n) {
        std::uint16_t id = in.u16();
        exports_.insert_or_assign(lower(in.cstring()), id);
        exported_ids_.insert(id);
      }
    } catch (const ReadError&) {
    }
  }
}

Player::~Player() {
  // Scripts' objects go first: the stage they point into goes after.
  machine_.reset();
}

void Player::on_fscommand(CommandHandler handler) { on_fscommand_ = std::move(handler); }

// Script problems (a runaway loop) share the log with the definition tags.
void Player::on_log(LogCallback log) {
  log_ = log;
  if (machine_) hand_over_handlers();
  dictionary_.on_log(std::move(log));
}

void Player::on_trace(TraceHandler handler) {
  on_trace_ = std::move(handler);
  if (machine_) hand_over_handlers();
}

avm1::Machine& Player::machine() {
  if (machine_) return *machine_;
  machine_ = std::make_unique<avm1::Machine>(*this);
  hand_over_handlers();
  return *machine_;
}

void Player::hand_over_handlers() {
  machine_->on_trace = on_trace_;
  machine_->on_problem = [log = log_](const std::string& problem) {
    if (log) log(Diagnostic{DiagnosticKind::OverLimit, std::nullopt, std::nullopt, problem});
  };
}

double Player::frame_interval() const {
  double rate = movie_->frame_rate > 0 ? movie_->frame_rate : kDefaultFrameRate;
  return 1.0 / std::clamp(rate, kMinFrameRate, kMaxFrameRate);
}

// Every clip takes its turn, newest first; then what they queued runs.
void Player::advance() {
  instances_left_ = kMaxInstancesPerAdvance;
  actions_left_ = kMaxActionsPerAdvance;
  bool first = root_->sprite->current_frame == 0;
  if (!first) elapsed_ms_ += frame_interval() * 1000;
  if (machine_) machine_->begin_frame();
  if (machine_ && !first && !actionscript3_) machine_->run_timers();
  std::vector<std::shared_ptr<DisplayObject>> clips;
  clips.reserve(exec_.size());
  for (auto it = exec_.rbegin(); it != exec_.rend(); ++it)
    if (auto clip = it->lock(); clip && !clip->removed) clips.push_back(std::move(clip));
  for (const auto& clip : clips)
    if (!clip->removed) frame_of(*clip);
  std::erase_if(exec_, [](const std::weak_ptr<DisplayObject>& w) {
    auto clip = w.lock();
    return !clip || clip->removed;
  });
  run_queue();
  if (!machine_) return;  // nothing has run a script yet
  // Files asked for during the frame arrive after its scripts.
  machine_->loads().complete();
  run_queue();
  machine_->loads().after_frame();
  run_queue();
  machine_->run_native([this](avm1::Activation& act) { avm1::update_bound_fields(act, *root_); });
  if (remix_sounds_) remix_sounds();
  machine_->collect();
}

// A clip's turn: its load or enterFrame event, then its timeline's step.
void Player::frame_of(DisplayObject& clip) {
  if (!clip.initialized) {
    clip.initialized = true;
    dispatch(clip, clip_event::Load);
  } else {
    dispatch(clip, clip_event::EnterFrame);
  }
  step_timeline(clip);
}

bool Player::is_animating() const {
  if (root_->sprite->current_frame == 0 || (machine_ && machine_->has_timers())) return true;
  if (machine_ && machine_->loads().going()) return true;  // a NetStream plays
  if (!levels_.empty()) return true;
  return timeline_animating(*root_, 0);
}

bool Player::timeline_animating(const DisplayObject& clip, int nesting) const {
  const SpriteInstance& s = *clip.sprite;
  const Timeline* t = timeline_of(clip);
  if (s.current_frame == 0 || (s.playing && t && t->frames() > 1)) return true;
  for (const ClipAction& a : clip.clip_actions)
    if (a.events & clip_event::EnterFrame) return true;
  if (clip.script && machine_->has_handler(clip.script, "onEnterFrame")) return true;
  if (nesting >= kMaxClipNesting) return false;
  for (const auto& [depth, child] : s.display_list)
    if (child->sprite && timeline_animating(*child, nesting + 1)) return true;
  return false;
}

bool Player::take_dirty() { return std::exchange(dirty_, false); }
const DisplayList& Player::display_list() const { return root_->sprite->display_list; }
const Dictionary& Player::dictionary() const { return dictionary_; }
Rgba Player::background() const { return movie_->background.value_or(Rgba{255, 255, 255, 255}); }
bool Player::actionscript3() const { return actionscript3_; }
std::uint16_t Player::current_frame() const { return root_->sprite->current_frame; }

// Clip actions for the event go first, then the clip's method for it.
void Player::dispatch(DisplayObject& clip, std::uint32_t event) {
  if (actionscript3_) return;
  auto self = clip.shared_from_this();
  bool unload = event == clip_event::Unload;
  for (const ClipAction& a : clip.clip_actions) {
    if (!(a.events & event)) continue;
    QueuedAction q{self, a.actions, nullptr, unload};
    if (event == clip_event::Initialize)
      init_queue_.push_back(q);
    else if (event == clip_event::Construct)
      construct_queue_.push_back(q);
    else
      queue_.push_back(q);
  }
  const char* method = nullptr;
  switch (event) {
    case clip_event::Load:
      method = "onLoad";
      break;
    case clip_event::EnterFrame:
      method = "onEnterFrame";
      break;
    case clip_event::Unload:
      method = "onUnload";
      break;
    case clip_event::MouseDown:
      method = "onMouseDown";
      break;
    case clip_event::MouseUp:
      method = "onMouseUp";
      break;
    case clip_event::MouseMove:
      method = "onMouseMove";
      break;
    case clip_event::KeyDown:
      method = "onKeyDown";
      break;
    case clip_event::KeyUp:
      method = "onKeyUp";
      break;
    case clip_event::Data:
      method = "onData";
      break;
    default:
      break;
  }
  if (method && clip.kind == DisplayKind::MovieClip) queue_.push_back({self, {}, method, unload});
}

// Init actions run before the rest; a block of a clip that has gone since
// it was queued does not run, except its unload handlers.
void Player::run_queue() {
  while (!init_queue_.empty() || !construct_queue_.empty() || !queue_.empty()) {
    if (actions_left_ == 0) {
      init_queue_.clear();
      construct_queue_.clear();
      queue_.clear();
      return;
    }
    --actions_left_;
    auto& from = !init_queue_.empty()        ? init_queue_
                 : !construct_queue_.empty() ? construct_queue_
                                             : queue_;
    QueuedAction q = std::move(from.front());
    from.pop_front();
    if (q.clip->removed && !q.unload) continue;
    // Before any script has run, no clip has a method to call.
    if (q.method && !machine_) continue;
    avm1::ClipObject* object = avm1::clip_object(machine(), q.clip);
    machine_->unloading = q.unload ? q.clip.get() : nullptr;
    if (q.construct) {
      machine_->run_native(
          [object](avm1::Activation& act) { avm1::construct_registered(act, object); },
          q.clip->version);
    } else if (q.method) {
      machine_->call_method(object, q.method, {}, q.clip->version);
    } else {
      avm1::Code code{movie_, q.block, q.clip->version ? q.clip->version : movie_->version};
      machine_->run_block(code, object);
    }
    machine_->unloading = nullptr;
  }
}

void Player::get_url(const std::string& url, const std::string& target) {
  if (avm1::is_fscommand(url)) {
    if (on_fscommand_) on_fscommand_(url.substr(std::string_view("FSCommand:").size()), target);
    return;
  }
  if (log_)
    log_(Diagnostic{DiagnosticKind::Unsupported, std::nullopt, std::nullopt,
                    "the movie asked to open " + url + " (target " + target + "): not opened"});
}

const SoundDefinition* Player::sound_definition(std::uint16_t id) const {
  auto it = sounds_.find(id);
  return it == sounds_.end() ? nullptr : &it->second;
}

// Loaded sounds take the highest ids the movie leaves free.
std::optional<std::uint16_t> Player::add_loaded_sound(std::span<const std::uint8_t> mp3,
                                                      const SoundFormat& format,
                                                      std::uint32_t sample_count) {
  for (const auto& [id, bytes] : loaded_sounds_)  // the same file loaded again
    if (bytes->size() == mp3.size() + 2 && std::equal(mp3.begin(), mp3.end(), bytes->begin() + 2))
      return id;
  if (mp3.size() > kMaxLoadedSoundBytes - loaded_sound_bytes_) return std::nullopt;
  std::uint16_t id = 0xffff;
  while (id > 0 && (sounds_.count(id) || dictionary_.find(id))) --id;
  if (id == 0) return std::nullopt;
  // As DefineSound holds MP3: two bytes of seek samples, then the frames.
  auto bytes = std::make_unique<std::vector<std::uint8_t>>(mp3.size() + 2, std::uint8_t{0});
  std::copy(mp3.begin(), mp3.end(), bytes->begin() + 2);
  loaded_sound_bytes_ += mp3.size();
  SoundDefinition sound{id, format, sample_count, std::span(*bytes)};
  loaded_sounds_.emplace_back(id, std::move(bytes));
  sounds_.insert_or_assign(id, sound);
  if (sound_) sound_->define_sound(sound);
  return id;
}

std::optional<std::uint16_t> Player::exported_character(std::string_view name) const {
  auto it = exports_.find(lower(name));
  if (it == exports_.end()) return std::nullopt;
  return it->second;
}

}  // namespace strandel::swf
