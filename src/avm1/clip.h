// The script object of a movie clip (the main timeline or a placed sprite).
// Its stored properties are the clip's variables; its built-in properties
// are the display properties (_x, _alpha...), the clip's children by
// instance name, and _root, _parent and _levelN. Scripts hold it weakly: once
// the clip leaves the stage, the object finds a clip again by the path it
// had, as the vendor's player does.
#pragma once

#include <memory>
#include <string>

#include "avm1/object.h"

namespace strandel::swf {
class Player;
struct SpriteInstance;
}  // namespace strandel::swf

namespace strandel::avm1 {

class Machine;

class ClipObject : public Object {
 public:
  ClipObject(Object* proto, swf::Player& player, const std::shared_ptr<swf::SpriteInstance>& clip);

  std::string_view type_of() const override { return "movieclip"; }
  // The clip on the stage, found again by path when the one this object was
  // made for has gone; null when nothing is there.
  swf::SpriteInstance* clip();
  std::shared_ptr<swf::SpriteInstance> clip_shared();
  bool removed() const;
  // "_level0.a.b", or "/a/b" in slash syntax ("/" for the main timeline).
  String path(bool slash_syntax);
  swf::Player& player() const { return player_; }

  bool get_builtin(Activation& act, const String& name, Value& out) override;
  bool set_builtin(Activation& act, const String& name, const Value& value) override;
  void enumerate_builtin(Activation& act, std::vector<String>& names) override;
  Value default_value(Activation& act) override;
  String default_string(Activation& act) override;

 private:
  swf::Player& player_;
  std::weak_ptr<swf::SpriteInstance> clip_;
  std::string path_;  // "_level0.a.b", for finding the clip again
};

// The script object of a clip, made on first use.
ClipObject* clip_object(Machine& machine, const std::shared_ptr<swf::SpriteInstance>& clip);
ClipObject* as_clip(const Value& v);
Value clip_root(Activation& act, Object* clip);
Value clip_parent(Activation& act, Object* clip);
// A child clip of `clip` by instance name (case folded below version 7).
Object* clip_child(Activation& act, Object* clip, const String& name);
// _level0 (the main movie) or another loaded level; null when empty.
Object* clip_level(Activation& act, int level);

}  // namespace strandel::avm1
