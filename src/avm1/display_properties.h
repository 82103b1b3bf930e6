// The display properties every clip has (_x, _alpha, _name...), by name and
// by the index GetProperty and SetProperty use.
#pragma once

#include <optional>

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;
class ClipObject;

// The property's index (0 _x ... 21 _ymouse); empty for other names. Names
// match in any case, whatever the version.
std::optional<int> display_property_index(const String& name);
String display_property_name(int index);

Value get_display_property(Activation& act, ClipObject& clip, int index);
void set_display_property(Activation& act, ClipObject& clip, int index, const Value& value);

}  // namespace strandel::avm1
