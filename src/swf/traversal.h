// What drawing and hit testing share while they walk a display list: the
// nesting limits, the characters being entered, and the first frame of a
// sprite that has no timeline of its own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "swf/dictionary.h"
#include "swf/display_list.h"

namespace strandel::swf {

// Buttons and sprites may name each other in a loop, or fan out into each
// other many times over: a character already being drawn is not entered
// again, nesting stops this deep, and a frame draws at most this many
// characters.
inline constexpr int kMaxNesting = 24;
inline constexpr long kMaxCharactersPerFrame = 200000;

// The characters being drawn or hit-tested, from the outermost in.
class CharacterStack {
 public:
  // False when drawing `id` now would loop or exceed the budget.
  bool enter(std::uint16_t id) {
    if (--budget_ < 0 || std::find(ids_.begin(), ids_.end(), id) != ids_.end()) return false;
    ids_.push_back(id);
    return true;
  }
  void leave() { ids_.pop_back(); }
  bool spend() { return --budget_ >= 0; }

 private:
  std::vector<std::uint16_t> ids_;
  long budget_ = kMaxCharactersPerFrame;
};

// The first frame of a sprite that has no timeline of its own (one that a
// button shows), from its PlaceObject and RemoveObject tags.
DisplayList first_frame(const SpriteDefinition& sprite);

}  // namespace strandel::swf
