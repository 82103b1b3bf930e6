// ContextMenu and ContextMenuItem: what a movie puts in the menu a right
// click would open. This player opens none; the objects keep what scripts
// set on them and copy as they should.
#include "avm1/array.h"
#include "avm1/builtins/array_like.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// The player's own entries, in the order they are made.
constexpr const char* kBuiltInItems[] = {"print", "forward_back", "rewind", "loop",
                                         "play",  "quality",      "zoom",   "save"};

Object* built_in_items(Activation& act, Object* from) {
  Object* items = act.new_object();
  for (const char* name : kBuiltInItems)
    items->set(act, name, from ? from->get(act, name) : Value(true));
  return items;
}

// new ContextMenu(onSelect).
Value context_menu_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  Object* menu = self.object();
  if (!menu) return Value();
  menu->set(act, "onSelect", arg(args, 0));
  menu->set(act, "builtInItems", Value(built_in_items(act, nullptr)));
  menu->set(act, "customItems", Value(act.new_array()));
  return Value();
}

// A new menu with the same handler, a copy of the built-in entries and a
// copy of each custom item.
Value context_menu_copy(Activation& act, const Value& self, std::span<const Value>) {
  Object* menu = self.object();
  if (!menu) return Value();
  Value copy = act.construct_class("ContextMenu", {});
  Object* c = copy.object();
  if (!c) return Value();
  c->set(act, "onSelect", menu->get(act, "onSelect"));
  c->set(act, "builtInItems", Value(built_in_items(act, menu->get(act, "builtInItems").object())));
  ArrayObject* items = act.new_array();
  if (Object* custom = menu->get(act, "customItems").object()) {
    ArrayLike list(act, custom);
    for (std::uint32_t i = 0; i < list.visited(); ++i)
      items->push(act.call_method(list.element(i), "copy", {}));
  }
  c->set(act, "customItems", Value(items));
  return copy;
}

Value hide_built_in_items(Activation& act, const Value& self, std::span<const Value>) {
  Object* items = act.get(self, "builtInItems").object();
  if (!items) return Value();
  for (const char* name : kBuiltInItems) items->set(act, name, Value(false));
  return Value();
}

// new ContextMenuItem(caption, onSelect, separatorBefore, enabled, visible).
Value item_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  Object* item = self.object();
  if (!item) return Value();
  item->set(act, "caption", arg(args, 0));
  item->set(act, "onSelect", arg(args, 1));
  item->set(act, "separatorBefore", args.size() > 2 ? args[2] : Value(false));
  item->set(act, "enabled", args.size() > 3 ? args[3] : Value(true));
  item->set(act, "visible", args.size() > 4 ? args[4] : Value(true));
  return Value();
}

Value item_copy(Activation& act, const Value& self, std::span<const Value>) {
  Object* item = self.object();
  if (!item) return Value();
  Value fields[] = {item->get(act, "caption"), item->get(act, "onSelect"),
                    item->get(act, "separatorBefore"), item->get(act, "enabled"),
                    item->get(act, "visible")};
  return act.construct_class("ContextMenuItem", fields);
}

}  // namespace

void register_context_menu(Realm& realm, Activation& act) {
  ClassBuilder menu(act, {"ContextMenu", context_menu_constructor});
  menu.method("copy", context_menu_copy).method("hideBuiltInItems", hide_built_in_items);
  menu.install(realm.global);
  ClassBuilder item(act, {"ContextMenuItem", item_constructor});
  item.method("copy", item_copy);
  item.install(realm.global);
}

}  // namespace strandel::avm1
