// MovieClipLoader, and the loading methods of MovieClip: movies from files
// beside this one loaded into clips, with the loader's listeners told how
// it goes (loads.h).
#include <filesystem>
#include <system_error>

#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// Levels a loader may name by number.
constexpr double kMaxLevelNumber = 16000;

// A loader's target: a clip, a path to one, or a level number.
ClipObject* target_clip(Activation& act, const Value& target) {
  if (target.is_object()) {
    ClipObject* clip = as_clip(target);
    return clip && clip->object() ? clip : nullptr;
  }
  if (target.is_number()) {
    double level = act.to_number(target);
    if (!(level >= 0 && level <= kMaxLevelNumber)) return nullptr;
    return as_clip(Value(clip_level(act, static_cast<int>(level))));
  }
  if (target.is_string()) return as_clip(Value(resolve_target(act, act.to_string(target))));
  return nullptr;
}

Value constructor(Activation& act, const Value& self, std::span<const Value>) {
  if (Object* o = self.object()) {
    make_broadcaster(act, o);
    act.call_method(self, "addListener", {self});
  }
  return Value();
}

Value load_clip(Activation& act, const Value& self, std::span<const Value> args) {
  // A level is made for the movie when it is empty.
  if (const Value& level = arg(args, 1); level.is_number() && !args[0].is_undefined()) {
    double number = act.to_number(level);
    if (number >= 0 && number <= kMaxLevelNumber && !clip_level(act, static_cast<int>(number)))
      return Value(loads_of(act).load_level(static_cast<int>(number), act.to_string(args[0]),
                                            self.object()));
  }
  ClipObject* clip = target_clip(act, arg(args, 1));
  if (!clip || args.empty() || args[0].is_undefined()) return Value(false);
  return Value(loads_of(act).load_movie(clip, act.to_string(args[0]), self.object()));
}

Value unload_clip(Activation& act, const Value&, std::span<const Value> args) {
  ClipObject* clip = target_clip(act, arg(args, 0));
  swf::DisplayObject* object = clip ? clip->object() : nullptr;
  if (!object) return Value(false);
  clip->player().unload_movie(*object);
  return Value(true);
}

// The size of the main movie's file, or of the movie loaded into the clip.
Value movie_bytes(Activation& act, swf::DisplayObject& object) {
  if (object.sprite && object.sprite->loaded)
    return Value(static_cast<double>(object.sprite->loaded_bytes));
  if (object.parent) return Value();
  std::error_code error;
  auto size = std::filesystem::file_size(act.machine().player().movie()->path, error);
  return error ? Value() : Value(static_cast<double>(size));
}

// {bytesLoaded, bytesTotal} of the target; undefined for anything that
// cannot name a clip.
Value get_progress(Activation& act, const Value&, std::span<const Value> args) {
  const Value& target = arg(args, 0);
  if (target.is_undefined() || target.is_null() || (target.is_object() && !as_clip(target)))
    return Value();
  Object* result = act.new_object();
  ClipObject* clip = target_clip(act, target);
  swf::DisplayObject* object = clip ? clip->object() : nullptr;
  Value bytes = object ? movie_bytes(act, *object) : Value();
  act.set(Value(result), "bytesLoaded", bytes);
  act.set(Value(result), "bytesTotal", bytes);
  return Value(result);
}

// MovieClip.loadMovie(url[, method]): the method matters only to a server.
Value load_movie(Activation& act, const Value& self, std::span<const Value> args) {
  ClipObject* clip = as_clip(self);
  if (clip && !args.empty()) loads_of(act).load_movie(clip, act.to_string(args[0]), nullptr);
  return Value();
}

Value unload_movie(Activation&, const Value& self, std::span<const Value>) {
  ClipObject* clip = as_clip(self);
  if (swf::DisplayObject* object = clip ? clip->object() : nullptr)
    clip->player().unload_movie(*object);
  return Value();
}

}  // namespace

void register_movie_clip_loader(Realm& realm, Activation& act) {
  ClassBuilder loader(act, {"MovieClipLoader", constructor});
  loader.method("loadClip", load_clip)
      .method("unloadClip", unload_clip)
      .method("getProgress", get_progress);
  loader.install(realm.global);
  if (realm.movie_clip_proto) {
    define_method(act, realm.movie_clip_proto, "loadMovie", load_movie);
    define_method(act, realm.movie_clip_proto, "unloadMovie", unload_movie);
  }
}

}  // namespace strandel::avm1
