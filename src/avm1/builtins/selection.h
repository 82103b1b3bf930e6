// What the rest of the machine asks of the keyboard focus.
#pragma once

namespace strandel::swf {
struct DisplayObject;
}

namespace strandel::avm1 {

class Activation;

// The focus moves to `object` (null: nowhere): the object losing it hears
// onKillFocus, the one getting it onSetFocus, and Selection's listeners
// onSetFocus, at once.
void move_focus(Activation& act, swf::DisplayObject* object);
// An object went out of sight: if it had the focus, the focus leaves it.
void object_hidden(Activation& act, swf::DisplayObject& object);

}  // namespace strandel::avm1
