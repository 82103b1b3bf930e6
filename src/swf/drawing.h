// What a clip's drawing-API calls (beginFill, lineStyle, moveTo, lineTo,
// curveTo, endFill, clear) have drawn: a shape the renderer paints under
// the clip's children.
//
// Painted in the order drawn: each fill begins a layer of its own, painted
// over what came before, with the lines drawn while it is open on top of
// it. Fills use the even-odd rule. Ending a fill (endFill, a new fill, or
// drawing the shape while one is open) closes its contour back to where it
// began, and the closing edge is stroked with the current line style;
// moving the pen within a fill closes the contour without a line.
// Coordinates are twips.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "swf/shape.h"

namespace strandel::swf {

class Drawing {
 public:
  void clear();
  // The style later lines are drawn with; none stops drawing lines.
  void set_line_style(std::optional<LineStyle> style);
  // Later lines are stroked with this fill (when a line style is set).
  void set_line_fill(FillStyle fill);
  // Starts a fill at the pen (ending any open one); none just ends it.
  void begin_fill(std::optional<FillStyle> fill);
  void end_fill();
  void move_to(double x, double y);
  void line_to(double x, double y);
  void curve_to(double control_x, double control_y, double x, double y);

  bool empty() const { return layers_.empty(); }
  // The shape drawn so far; shared until the next change.
  std::shared_ptr<const ShapeDefinition> shape() const;
  // Twips around everything drawn, lines' widths included.
  Rect bounds() const;

 private:
  struct Layer {
    std::optional<FillStyle> fill;
    Path fill_path;
    std::vector<LineStyle> lines;
    std::vector<Path> line_paths;
  };
  Layer& current_layer();
  // Adds an edge from the pen to the fill (when open) and the line (when
  // set); a missing control point makes it straight.
  void add_edge(Layer& layer, bool to_fill, const std::optional<Point>& control, double x,
                double y);
  // The closing edge of the open fill, stroked when a line style is set.
  void close_fill(Layer& layer);
  void include(double x, double y);
  bool over_budget() const;
  void changed() { shape_.reset(); }

  std::vector<Layer> layers_;
  std::optional<LineStyle> line_;
  bool line_started_ = false;  // the current line path has a starting point
  bool filling_ = false;
  double pen_x_ = 0, pen_y_ = 0;
  double fill_start_x_ = 0, fill_start_y_ = 0;
  bool has_points_ = false;
  double min_x_ = 0, min_y_ = 0, max_x_ = 0, max_y_ = 0;
  double widest_line_ = 0;
  std::size_t edges_ = 0;
  mutable std::shared_ptr<const ShapeDefinition> shape_;
};

}  // namespace strandel::swf
