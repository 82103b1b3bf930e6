// AsBroadcaster: listeners kept in an object's _listeners array, and
// broadcastMessage calling a method of each.
#include "avm1/array.h"
#include "avm1/builtins/array_like.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

ArrayObject* listeners_of(Activation& act, const Value& self) {
  return dynamic_cast<ArrayObject*>(act.get(self, "_listeners").object());
}

// Removes the first listener equal (==) to `listener`; true when one was.
bool remove_equal(Activation& act, ArrayObject* list, const Value& listener) {
  ArrayLike a(act, list);
  std::vector<Value> kept = a.elements(0, a.visited());
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    if (loosely_equal(act, *it, listener)) {
      kept.erase(it);
      list->assign(kept);
      return true;
    }
  }
  return false;
}

// addListener(x): an equal listener already there is replaced, so each is
// called once.
Value add_listener(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* list = listeners_of(act, self);
  if (!list) return Value(true);
  remove_equal(act, list, arg(args, 0));
  list->push(arg(args, 0));
  return Value(true);
}

Value remove_listener(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* list = listeners_of(act, self);
  return Value(list && remove_equal(act, list, arg(args, 0)));
}

// broadcastMessage(name, args...): calls listener[name](args...) on each;
// an empty name calls the listener itself, as a method call does.
Value broadcast_message(Activation& act, const Value& self, std::span<const Value> args) {
  ArrayObject* list = listeners_of(act, self);
  if (!list || args.empty()) return Value();
  String name = act.to_string(args[0]);
  // Listeners added or removed by a handler take effect next time.
  ArrayLike a(act, list);
  std::vector<Value> listeners = a.elements(0, a.visited());
  for (const Value& listener : listeners) {
    if (name.empty()) {
      act.call(listener, listener, args.subspan(1));
    } else {
      act.call_method(listener, name, args.subspan(1));
    }
  }
  return Value(!listeners.empty());
}

Value initialize(Activation& act, const Value& self, std::span<const Value> args) {
  Object* target = arg(args, 0).object();
  Object* broadcaster = self.object();
  if (!target || !broadcaster) return Value();
  for (const char* name : {"broadcastMessage", "addListener", "removeListener"})
    target->define(name, broadcaster->get(act, name), attr::DontEnum);
  target->define("_listeners", Value(act.new_array()), attr::DontEnum);
  return Value();
}

}  // namespace

void register_as_broadcaster(Realm& realm, Activation& act) {
  ClassBuilder broadcaster(act, {"AsBroadcaster", nullptr});
  broadcaster.static_method("initialize", initialize)
      .static_method("addListener", add_listener)
      .static_method("removeListener", remove_listener)
      .static_method("broadcastMessage", broadcast_message);
  broadcaster.install(realm.global);
}

// Makes `object` a broadcaster, as AsBroadcaster.initialize does.
void make_broadcaster(Activation& act, Object* object) {
  Value broadcaster = act.global()->get(act, "AsBroadcaster");
  act.call_method(broadcaster, "initialize", {Value(object)});
}

}  // namespace strandel::avm1
