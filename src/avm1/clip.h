// The script object of a display object: a movie clip (the main timeline or
// a placed sprite), a button or an edit text. Its stored properties are the
// object's variables; its built-in properties are the display properties
// (_x, _alpha...), a clip's children by instance name, and _root, _parent
// and _levelN. Scripts hold it weakly: once the object has left the stage,
// the script object stands for whatever is found at the path it had, as the
// vendor's player does, and reads and writes go there.
#pragma once

#include <memory>
#include <string>

#include "avm1/object.h"

namespace strandel::swf {
class Player;
struct DisplayObject;
}  // namespace strandel::swf

namespace strandel::avm1 {

class Machine;

class ClipObject : public Object {
 public:
  ClipObject(Object* proto, swf::Player& player, const std::shared_ptr<swf::DisplayObject>& object);

  std::string_view type_of() const override;
  // The object on the stage: this one's, or while it has gone, the one at
  // its path; null when nothing is there.
  swf::DisplayObject* object();
  std::shared_ptr<swf::DisplayObject> object_shared();
  bool removed() const;
  bool is_clip() const { return is_clip_; }
  swf::Player& player() const { return player_; }
  // "_level0.a.b", or "/a/b" in slash syntax ("/" for the main timeline).
  String path(bool slash_syntax);

  Object* redirect(Activation& act) override;
  // What a scope chain holding this clip reads and writes: the clip, the one
  // at its path, or once nothing is there, the main movie.
  Object* scope_values(Activation& act);
  bool get_builtin(Activation& act, const String& name, Value& out) override;
  bool set_builtin(Activation& act, const String& name, const Value& value) override;
  void enumerate_builtin(Activation& act, std::vector<String>& names) override;
  Value default_value(Activation& act) override;
  String default_string(Activation& act) override;

 private:
  swf::Player& player_;
  std::weak_ptr<swf::DisplayObject> object_;
  // The same object, read while object_ has not expired: every name lookup
  // through a timeline asks whether its clip is removed, and this asks it
  // without taking a reference.
  const swf::DisplayObject* display_;
  std::string path_;  // "_level0.a.b", for finding the object again
  bool is_clip_;
};

// Object.registerClass: the class registered for the library symbol the
// object was made from (by its export name), or null.
Object* registered_class(Machine& machine, const swf::DisplayObject& object);
// Runs a registered class as the constructor of a new clip made from its
// symbol (the clip has its prototype already).
void construct_registered(Activation& act, ClipObject* clip);

// The script object of a display object, made on first use; a clip of a
// registered symbol gets its class's prototype.
ClipObject* clip_object(Machine& machine, const std::shared_ptr<swf::DisplayObject>& object);
ClipObject* clip_object(Machine& machine, swf::DisplayObject& object);
ClipObject* as_clip(const Value& v);
// The display object a value stands for, if it stands for one on the stage.
swf::DisplayObject* display_object(const Value& v);
Value clip_root(Activation& act, Object* clip);
Value clip_parent(Activation& act, Object* clip);
// A child of a clip by instance name (case folded below version 7).
Object* clip_child(Activation& act, Object* clip, const String& name);
// _level0 (the main movie) or another loaded level; null when empty.
Object* clip_level(Activation& act, int level);

}  // namespace strandel::avm1
