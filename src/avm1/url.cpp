#include "avm1/url.h"

#include "avm1/activation.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

bool is_fscommand(std::string_view url) {
  constexpr std::string_view prefix = "fscommand:";
  return url.size() >= prefix.size() && equals_folded(url.substr(0, prefix.size()), prefix);
}

void get_url(Activation& act, const String& url, const String& target, UrlMethod method,
             bool target_is_clip, bool load_variables) {
  (void)method;
  // Variables come from local files only, so the clip's own variables are
  // never sent, whatever the method.
  if (load_variables) {
    if (Object* clip = resolve_target(act, target)) act.machine().loads().load_variables(clip, url);
    return;
  }
  if (target_is_clip) return;  // loading comes with the display tree
  act.machine().player().get_url(url.str(), target.str());
}

}  // namespace strandel::avm1
