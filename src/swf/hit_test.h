// Finding the button, or whether an object, is under a point.
#pragma once

#include "swf/button.h"
#include "swf/dictionary.h"
#include "swf/display_list.h"

namespace strandel::swf {

// The topmost button whose hit-test shapes contain a point.
struct ButtonHit {
  DisplayObject* object = nullptr;  // its state is what the caller changes
  const ButtonDefinition* button = nullptr;
  explicit operator bool() const { return object != nullptr; }
};

// stage_x, stage_y are stage twips (the top-level list's space); clip
// layers are not hit.
ButtonHit button_at(const Dictionary& dict, DisplayList& list, double stage_x, double stage_y);

// Whether a point (stage twips) is on what the object shows; `to_stage` is
// its parent's matrix to the stage.
bool object_at(const Dictionary& dict, const DisplayObject& object, const Matrix& to_stage,
               double stage_x, double stage_y);

}  // namespace strandel::swf
