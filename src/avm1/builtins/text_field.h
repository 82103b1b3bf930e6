// What the player asks of text fields between frames.
#pragma once

namespace strandel::swf {
struct DisplayObject;
}

namespace strandel::avm1 {

class Activation;

// Fields bound to variables, in the tree under `root`, show their
// variables' values; a field whose variable is not set yet sets it to its
// text.
void update_bound_fields(Activation& act, swf::DisplayObject& root);

}  // namespace strandel::avm1
