// Sound: a script's handle on the sounds of one clip (or, made without a
// target, of the whole movie). It sets the clip's volume and channel gains,
// attaches an exported sound or loads an MP3 file beside the movie, and
// starts and stops it; its position runs on movie time, and
// onSoundComplete is called when the last loop ends.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/function.h"
#include "avm1/local_files.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/display_list.h"
#include "swf/mp3_file.h"
#include "swf/player.h"
#include "swf/sound_events.h"

namespace strandel::avm1 {

namespace {

// Loops a start may ask for; more play as this many.
constexpr double kMaxLoops = 65535;

class SoundObject : public Object {
 public:
  using Object::Object;

  Value target;              // a clip or a path; unset: the whole movie
  bool targeted = false;     // made with a target
  Object* origin = nullptr;  // the timeline a path target is read from
  // The sound: an exported one by character id, or a loaded file.
  std::optional<std::uint16_t> sound_id;
  bool has_sound = false;
  double duration_ms = 0;
  Value bytes_loaded, bytes_total;
  // The current play; `generation` tells a finished play's timer from a
  // later one's.
  bool playing = false;
  double started_ms = 0, offset_ms = 0, loops = 1, stopped_at_ms = 0;
  std::uint32_t generation = 0;

  void trace(Tracer& tracer) override {
    Object::trace(tracer);
    tracer.mark(target);
    tracer.mark(bytes_loaded);
    tracer.mark(bytes_total);
    if (origin) tracer.mark(origin);
  }

  double position_ms(double now) const {
    if (!playing) return stopped_at_ms;
    double span = duration_ms - offset_ms;
    if (span <= 0) return duration_ms;
    double elapsed = now - started_ms;
    if (elapsed >= span * loops) return duration_ms;
    return offset_ms + std::fmod(std::max(elapsed, 0.0), span);
  }
};

Object* allocate_sound(Activation& act, Object* proto) {
  return act.heap().make<SoundObject>(proto);
}

swf::Player& player_of(Activation& act) { return act.machine().player(); }

// The clip a Sound addresses now: null when it has none or its clip is not
// on the stage.
swf::DisplayObject* target_clip(Activation& act, SoundObject& sound) {
  if (!sound.targeted) return nullptr;
  if (ClipObject* clip = as_clip(sound.target)) return clip->object();
  if (!sound.target.is_string()) return nullptr;
  Object* found = resolve_target(act, act.to_string(sound.target), sound.origin);
  return found ? display_object(Value(found)) : nullptr;
}

// The transform a Sound sets: its clip's, or without a target the whole
// movie's; null when its clip is not on the stage.
swf::SoundTransform* transform_of(Activation& act, SoundObject& sound) {
  if (!sound.targeted) return &player_of(act).global_sound_transform();
  swf::DisplayObject* object = target_clip(act, sound);
  return object ? &object->sound : nullptr;
}

// The transform a setter changes: the sounds playing follow the change.
swf::SoundTransform* changed_transform_of(Activation& act, SoundObject& sound) {
  swf::SoundTransform* t = transform_of(act, sound);
  if (t) player_of(act).sound_settings_changed();
  return t;
}

// How a sound started for the clip is heard, and its owner: it ends when
// the clip leaves the stage.
swf::SoundMix mix_of(Activation& act, SoundObject& sound) {
  swf::DisplayObject* clip = target_clip(act, sound);
  swf::SoundMix mix = player_of(act).sound_mix(clip);
  mix.owner = clip;
  return mix;
}

// A volume or pan (0 when not given) as the vendor's player reads it: truncated, with NaN and
// numbers past the 32-bit range read as the smallest integer.
std::int32_t saturated_int(Activation& act, std::span<const Value> args) {
  if (args.empty()) return 0;
  double d = act.to_number(args[0]);
  if (std::isnan(d) || d >= 2147483648.0 || d <= -2147483649.0)
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(std::trunc(d));
}

std::int32_t wrap32(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

Value construct(Activation& act, const Value& self, std::span<const Value> args) {
  auto* sound = this_as<SoundObject>(self);
  if (!sound) return Value();
  const Value& target = arg(args, 0);
  if (!target.is_undefined() && !target.is_null()) {
    sound->targeted = true;
    sound->target = target;
    sound->origin = act.target;
  }
  return Value();
}

SoundObject* sound_of(const Value& self) { return this_as<SoundObject>(self); }

Value get_volume(Activation& act, const Value& self, std::span<const Value>) {
  SoundObject* s = sound_of(self);
  swf::SoundTransform* t = s ? transform_of(act, *s) : nullptr;
  return t ? Value(double(t->volume)) : Value();
}

Value set_volume(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = sound_of(self);
  if (swf::SoundTransform* t = s ? changed_transform_of(act, *s) : nullptr)
    t->volume = saturated_int(act, args);
  return Value();
}

// The pan the gains amount to: from the left gain unless it is full, else
// from the right one.
Value get_pan(Activation& act, const Value& self, std::span<const Value>) {
  SoundObject* s = sound_of(self);
  swf::SoundTransform* t = s ? transform_of(act, *s) : nullptr;
  if (!t) return Value();
  std::int64_t pan = t->ll == 100 ? std::llabs(t->rr) - 100 : 100 - std::llabs(t->ll);
  return Value(double(wrap32(pan)));
}

// A pan of p (-100 left .. 100 right) turns the far side down by |p|.
Value set_pan(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = sound_of(self);
  swf::SoundTransform* t = s ? changed_transform_of(act, *s) : nullptr;
  if (!t) return Value();
  std::int64_t pan = saturated_int(act, args);
  t->ll = pan >= 0 ? wrap32(100 - pan) : 100;
  t->rr = pan >= 0 ? 100 : wrap32(100 + pan);
  t->lr = t->rl = 0;
  return Value();
}

Value get_transform(Activation& act, const Value& self, std::span<const Value>) {
  SoundObject* s = sound_of(self);
  swf::SoundTransform* t = s ? transform_of(act, *s) : nullptr;
  if (!t) return Value();
  Object* o = act.new_object();
  o->set(act, "ll", Value(double(t->ll)));
  o->set(act, "lr", Value(double(t->lr)));
  o->set(act, "rr", Value(double(t->rr)));
  o->set(act, "rl", Value(double(t->rl)));
  return Value(o);
}

// Takes the gains the object itself holds; the others stay.
Value set_transform(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = sound_of(self);
  swf::SoundTransform* t = s ? changed_transform_of(act, *s) : nullptr;
  Object* from = arg(args, 0).object();
  if (!t || !from) return Value();
  auto take = [&](const char* name, std::int32_t& gain) {
    if (from->has_own_property(act, name)) gain = act.to_int32(from->get(act, name));
  };
  take("ll", t->ll);
  take("lr", t->lr);
  take("rl", t->rl);
  take("rr", t->rr);
  return Value();
}

Value duration_value(SoundObject& s) {
  return s.has_sound ? Value(std::round(s.duration_ms)) : Value();
}

Value position_value(Activation& act, SoundObject& s) {
  return s.has_sound ? Value(std::round(s.position_ms(act.machine().milliseconds()))) : Value();
}

// The Sound, when its clip is on the stage (or it has none).
SoundObject* bound_sound(Activation& act, const Value& self) {
  SoundObject* s = sound_of(self);
  return s && transform_of(act, *s) ? s : nullptr;
}

Value get_duration(Activation& act, const Value& self, std::span<const Value>) {
  SoundObject* s = bound_sound(act, self);
  return s ? duration_value(*s) : Value();
}

Value get_position(Activation& act, const Value& self, std::span<const Value>) {
  SoundObject* s = bound_sound(act, self);
  return s ? position_value(act, *s) : Value();
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

// Once a sound is attached or loaded, `duration` and `position` read it,
// unless the script already stored both names itself.
void add_sound_properties(Activation& act, SoundObject& s) {
  if (s.has_own_property(act, "duration") && s.has_own_property(act, "position")) return;
  define_property(act, &s, "duration", get_duration);
  define_property(act, &s, "position", get_position);
}

// Ends the current play, keeping where it was.
void end_play(Activation& act, SoundObject& s) {
  if (s.playing) s.stopped_at_ms = s.position_ms(act.machine().milliseconds());
  s.playing = false;
  ++s.generation;
}

// A Sound that takes another sound first silences the one it played.
void silence(Activation& act, SoundObject& s) {
  swf::SoundEvents* events = player_of(act).sound();
  if (!s.playing || !events || !s.sound_id) return;
  swf::StartSoundRecord record;
  record.id = *s.sound_id;
  record.info.stop = true;
  events->start_sound(record);
}

// Called by the play's timer: the last loop is over.
Value play_complete(Activation& act, const Value&, std::span<const Value> args) {
  auto* s = dynamic_cast<SoundObject*>(arg(args, 0).object());
  if (!s || !s->playing || act.to_number(arg(args, 1)) != s->generation) return Value();
  s->playing = false;
  s->stopped_at_ms = s->duration_ms;
  act.call_method(Value(s), "onSoundComplete");
  return Value();
}

Value attach_sound(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = bound_sound(act, self);
  if (!s || args.empty()) return Value();
  swf::Player& player = player_of(act);
  auto id = player.exported_character(act.to_string(args[0]).view());
  const swf::SoundDefinition* definition = id ? player.sound_definition(*id) : nullptr;
  if (!definition) return Value();
  silence(act, *s);
  end_play(act, *s);
  s->sound_id = *id;
  s->has_sound = true;
  s->stopped_at_ms = 0;
  s->duration_ms =
      definition->format.rate > 0 ? definition->sample_count * 1000.0 / definition->format.rate : 0;
  add_sound_properties(act, *s);
  return Value();
}

void begin_play(Activation& act, SoundObject& s, double offset_ms, double loops) {
  end_play(act, s);
  s.playing = true;
  s.started_ms = act.machine().milliseconds();
  s.offset_ms = std::clamp(offset_ms, 0.0, s.duration_ms);
  s.loops = loops;
  double length = (s.duration_ms - s.offset_ms) * loops;
  Machine::Timer timer;
  timer.function = Value(make_native(act, play_complete));
  timer.args = {Value(static_cast<Object*>(&s)), Value(double(s.generation))};
  timer.due = s.started_ms + std::max(length, 0.0);
  timer.repeat = false;
  timer.version = act.version();
  act.machine().add_timer(std::move(timer));
}

// Starts the play and its sound, `offset` seconds in.
void play(Activation& act, SoundObject& s, double offset, double loops) {
  begin_play(act, s, offset * 1000, loops);
  swf::SoundEvents* events = player_of(act).sound();
  if (!events || !s.sound_id) return;
  swf::StartSoundRecord record;
  record.id = *s.sound_id;
  record.info.in_point = static_cast<std::uint32_t>(std::min(offset * 44100, 4.0e9));
  record.info.loops = static_cast<std::uint16_t>(loops);
  record.mix = mix_of(act, s);
  events->start_sound(record);
}

// start(seconds in, loops): plays the sound from its start, or that far
// into it, as many times.
Value start(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = bound_sound(act, self);
  if (!s || !s->has_sound) return Value();
  double offset = args.size() > 0 ? act.to_number(args[0]) : 0;
  double loops = args.size() > 1 ? act.to_number(args[1]) : 1;
  if (!std::isfinite(offset) || offset < 0) offset = 0;
  loops = std::isfinite(loops) && loops >= 1 ? std::min(std::floor(loops), kMaxLoops) : 1;
  play(act, *s, offset, loops);
  return Value();
}

// stop(): this Sound's play ends; stop(name): the exported sound of that
// name stops wherever it plays.
Value stop(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = sound_of(self);
  if (!s) return Value();
  swf::Player& player = player_of(act);
  std::optional<std::uint16_t> id = s->sound_id;
  if (!args.empty()) {
    id = player.exported_character(act.to_string(args[0]).view());
  } else {
    end_play(act, *s);
  }
  if (swf::SoundEvents* events = player.sound(); events && id) {
    swf::StartSoundRecord record;
    record.id = *id;
    record.info.stop = true;
    events->start_sound(record);
  }
  return Value();
}

// The tag's text frames by their ids, and the common ones by name too; a
// frame met again makes its id hold all its texts.
Object* id3_object(Activation& act, const swf::Mp3File& file) {
  static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
      {"TPE1", "artist"},   {"TALB", "album"}, {"COMM", "comment"}, {"TRCK", "track"},
      {"TIT2", "songname"}, {"TYER", "year"},  {"TCON", "genre"},
  };
  Object* o = act.heap().make<Object>(nullptr);
  std::map<std::string, std::vector<Value>> seen;
  for (const swf::Id3Frame& frame : file.id3) {
    Value text(String(frame.text));
    for (const auto& [id, name] : kNames)
      if (frame.id == id) o->set(act, String(name), text);
    std::vector<Value>& all = seen[frame.id];
    all.push_back(text);
    o->set(act, String(frame.id),
           all.size() == 1 ? text : Value(static_cast<Object*>(act.new_array(all))));
  }
  return o;
}

// loadSound(url, streaming): reads an MP3 file beside the movie at once;
// onID3 hears its tag, onLoad whether it loaded; a streaming sound starts
// playing as it loads.
Value load_sound(Activation& act, const Value& self, std::span<const Value> args) {
  SoundObject* s = sound_of(self);
  if (!s || args.empty()) return Value();
  bool streaming = act.to_boolean(arg(args, 1));
  silence(act, *s);
  end_play(act, *s);
  std::optional<std::string> bytes;
  if (auto movie = player_of(act).movie())
    if (auto path = local_file_path(movie->path, act.to_string(args[0]).view()))
      bytes = read_local_file(*path);
  swf::Mp3File file;
  if (bytes)
    file =
        swf::read_mp3_file({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
  if (!file.valid) {
    act.call_method(self, "onLoad", {Value(false)});
    return Value();
  }
  swf::SoundFormat format{swf::SoundCodec::Mp3, double(file.rate), true, file.stereo};
  std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                                     bytes->size());
  s->sound_id = player_of(act).add_loaded_sound(data, format, file.samples);
  s->has_sound = true;
  s->stopped_at_ms = 0;
  s->duration_ms = 0;
  s->bytes_loaded = s->bytes_total = Value(double(bytes->size()));
  add_sound_properties(act, *s);
  if (file.has_id3) {
    s->set(act, "id3", Value(id3_object(act, file)));
    act.call_method(self, "onID3", {Value(true)});
  }
  s->duration_ms = file.duration_ms();
  if (streaming) play(act, *s, 0, 1);
  act.call_method(self, "onLoad", {Value(true)});
  return Value();
}

Value bytes_loaded(Activation&, const Value& self, std::span<const Value>) {
  SoundObject* s = sound_of(self);
  return s ? s->bytes_loaded : Value();
}

Value bytes_total(Activation&, const Value& self, std::span<const Value>) {
  SoundObject* s = sound_of(self);
  return s ? s->bytes_total : Value();
}

}  // namespace

void register_sound(Realm& realm, Activation& act) {
  ClassBuilder sound(act, {"Sound", construct, nullptr, allocate_sound});
  sound.method("getVolume", get_volume)
      .method("setVolume", set_volume)
      .method("getPan", get_pan)
      .method("setPan", set_pan)
      .method("getTransform", get_transform)
      .method("setTransform", set_transform)
      .method("attachSound", attach_sound)
      .method("start", start)
      .method("stop", stop)
      .method("getDuration", get_duration)
      .method("setDuration", nothing)
      .method("getPosition", get_position)
      .method("setPosition", nothing)
      .method("loadSound", load_sound)
      .method("getBytesLoaded", bytes_loaded)
      .method("getBytesTotal", bytes_total);
  sound.install(realm.global);
}

}  // namespace strandel::avm1
