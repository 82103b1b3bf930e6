// What the player asks of text fields between frames.
#pragma once

#include <cstddef>

namespace strandel::swf {
struct DisplayObject;
class TextField;
}  // namespace strandel::swf

namespace strandel::avm1 {

class Activation;

// Fields bound to variables, in the tree under `root`, show their
// variables' values; a field whose variable is not set yet sets it to its
// text.
void update_bound_fields(Activation& act, swf::DisplayObject& root);

// Positions are counted in the UTF-16 units scripts see; the model counts
// code points. Outside the Basic Multilingual Plane the two differ.
std::size_t to_model_position(const swf::TextField& f, double units);
double to_script_position(const swf::TextField& f, std::size_t position);

}  // namespace strandel::avm1
