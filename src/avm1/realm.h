// The globals and the built-in prototypes the machine itself needs (to box
// a primitive, to make a function or an array). Classes that only need their
// own prototype register it by name.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace strandel::avm1 {

class Object;
class Tracer;

struct Realm {
  Object* global = nullptr;
  Object* object_proto = nullptr;
  Object* function_proto = nullptr;
  Object* array_proto = nullptr;
  Object* string_proto = nullptr;
  Object* number_proto = nullptr;
  Object* boolean_proto = nullptr;
  Object* movie_clip_proto = nullptr;
  Object* button_proto = nullptr;
  Object* text_field_proto = nullptr;
  Object* object_ctor = nullptr;
  Object* function_ctor = nullptr;
  Object* array_ctor = nullptr;
  // The built-in wrappers, which box a primitive without running a script.
  Object* string_ctor = nullptr;
  Object* number_ctor = nullptr;
  Object* boolean_ctor = nullptr;

  // Object.registerClass: the constructor a library symbol's clips get.
  std::map<std::string, Object*, std::less<>> registered_classes;
  // Prototypes of the other built-in classes, by class name.
  std::map<std::string, Object*, std::less<>> prototypes;
  Object* prototype(std::string_view class_name) const;

  void trace(Tracer& tracer) const;
};

}  // namespace strandel::avm1
