#include "avm1/realm.h"

#include "avm1/object.h"

namespace strandel::avm1 {

Object* Realm::prototype(std::string_view class_name) const {
  auto it = prototypes.find(class_name);
  return it == prototypes.end() ? nullptr : it->second;
}

void Realm::trace(Tracer& tracer) const {
  for (Object* o : {global, object_proto, function_proto, array_proto, string_proto, number_proto,
                    boolean_proto, movie_clip_proto, button_proto, text_field_proto, object_ctor, string_ctor, number_ctor, boolean_ctor,
                    function_ctor, array_ctor})
    tracer.mark(o);
  for (const auto& [name, proto] : prototypes) tracer.mark(proto);
  for (const auto& [name, ctor] : registered_classes) tracer.mark(ctor);
}

}  // namespace strandel::avm1
