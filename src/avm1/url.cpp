#include "avm1/url.h"

#include <optional>

#include "avm1/activation.h"
#include "avm1/clip.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

bool is_fscommand(std::string_view url) {
  constexpr std::string_view prefix = "fscommand:";
  return url.size() >= prefix.size() && equals_folded(url.substr(0, prefix.size()), prefix);
}

namespace {

bool is_level(std::string_view target) {
  constexpr std::string_view prefix = "_level";
  return target.size() > prefix.size() && equals_folded(target.substr(0, prefix.size()), prefix);
}

// The number of a target that names a level and nothing inside it.
std::optional<int> level_named(std::string_view target) {
  if (!is_level(target)) return std::nullopt;
  int level = 0;
  for (char c : target.substr(6)) {
    if (c < '0' || c > '9' || level > 100000) return std::nullopt;
    level = level * 10 + (c - '0');
  }
  return level;
}

// loadMovie and unloadMovie (an empty URL) of a clip or a level.
void load_into(Activation& act, const String& url, const String& target) {
  if (auto level = level_named(target.view())) {
    act.machine().loads().load_level(*level, url, nullptr);
    return;
  }
  auto* clip = as_clip(Value(resolve_target(act, target)));
  swf::DisplayObject* object = clip ? clip->object() : nullptr;
  if (!object) return;
  if (url.empty()) {
    act.machine().player().unload_movie(*object);
    return;
  }
  act.machine().loads().load_movie(clip, url, nullptr);
}

}  // namespace

void get_url(Activation& act, const String& url, const String& target, UrlMethod method,
             bool target_is_clip, bool load_variables) {
  (void)method;
  // "fscommand:" goes to the host whatever the flags ask for.
  if (is_fscommand(url.view())) {
    act.machine().player().get_url(url.str(), target.str());
    return;
  }
  // Variables come from local files only, so the clip's own variables are
  // never sent, whatever the method.
  if (load_variables) {
    if (Object* clip = resolve_target(act, target)) act.machine().loads().load_variables(clip, url);
    return;
  }
  if (target_is_clip || is_level(target.view())) {
    load_into(act, url, target);
    return;
  }
  act.machine().player().get_url(url.str(), target.str());
}

}  // namespace strandel::avm1
