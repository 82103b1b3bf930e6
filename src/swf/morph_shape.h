// Morph shapes: DefineMorphShape and DefineMorphShape2. Two versions of
// one shape (the same edges in the same order, at their start and end
// positions, with start and end styles), and the shape in between at any
// ratio the timeline places it with.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "swf/bytes.h"
#include "swf/geometry.h"
#include "swf/shape.h"

namespace strandel::swf {

struct MorphFill {
  FillStyle start, end;
};

struct MorphLine {
  LineStyle start, end;
};

class MorphShapeDefinition {
 public:
  Rect start_bounds, end_bounds;
  std::vector<MorphFill> fills;
  std::vector<MorphLine> lines;
  std::vector<ShapeRecord> start_records;  // with the style changes
  std::vector<ShapeRecord> end_records;    // edges, and moves

  // The shape at ratio 0 (start) .. 65535 (end). Shapes made are kept for
  // the last few ratios asked for, so a morph at rest is built once.
  std::shared_ptr<const ShapeDefinition> at(std::uint16_t ratio) const;

 private:
  struct Made {
    std::uint16_t ratio;
    std::shared_ptr<const ShapeDefinition> shape;
  };
  mutable std::shared_ptr<std::list<Made>> made_ = std::make_shared<std::list<Made>>();
};

// Reads a DefineMorphShape (version 1) or DefineMorphShape2 (version 2)
// body after the character id. Throws ReadError on bad data.
MorphShapeDefinition read_define_morph_shape(ByteReader& in, int version);

}  // namespace strandel::swf
