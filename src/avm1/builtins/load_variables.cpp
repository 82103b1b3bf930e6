// MovieClip.loadVariables: the clip's variables from a file beside the
// movie, as the loadVariables action fills them (url.cpp).
#include "avm1/builtins/builtins.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// loadVariables(url[, method]): the method matters only to a server.
Value load_variables(Activation& act, const Value& self, std::span<const Value> args) {
  Object* clip = self.object();
  if (clip && !args.empty()) loads_of(act).load_variables(clip, act.to_string(args[0]));
  return Value();
}

}  // namespace

void register_load_variables(Realm& realm, Activation& act) {
  if (realm.movie_clip_proto)
    define_method(act, realm.movie_clip_proto, "loadVariables", load_variables);
}

}  // namespace strandel::avm1
