#include "swf/drawing.h"

#include <algorithm>
#include <cmath>

namespace strandel::swf {

namespace {

// Contours a drawing keeps at most per path: a script drawing in a loop for
// ever must not take unbounded memory.
constexpr std::size_t kMaxPathData = 1u << 22;

}  // namespace

void Drawing::clear() { *this = Drawing(); }

Drawing::Layer& Drawing::current_layer() {
  if (layers_.empty()) layers_.emplace_back();
  return layers_.back();
}

void Drawing::include(double x, double y) {
  if (!has_points_) {
    min_x_ = max_x_ = x;
    min_y_ = max_y_ = y;
    has_points_ = true;
    return;
  }
  min_x_ = std::min(min_x_, x);
  max_x_ = std::max(max_x_, x);
  min_y_ = std::min(min_y_, y);
  max_y_ = std::max(max_y_, y);
}

void Drawing::set_line_style(std::optional<LineStyle> style) {
  line_ = std::move(style);
  line_started_ = false;
  if (line_) widest_line_ = std::max(widest_line_, double(line_->width));
}

void Drawing::begin_fill(std::optional<FillStyle> fill) {
  end_fill();
  if (!fill) return;
  layers_.emplace_back();
  layers_.back().fill = std::move(*fill);
  layers_.back().fill_path.move_to(pen_x_, pen_y_);
  fill_start_x_ = pen_x_;
  fill_start_y_ = pen_y_;
  filling_ = true;
  line_started_ = false;
  changed();
}

void Drawing::end_fill() {
  if (!filling_) return;
  Layer& layer = current_layer();
  if (pen_x_ != fill_start_x_ || pen_y_ != fill_start_y_)
    layer.fill_path.line_to(fill_start_x_, fill_start_y_);
  layer.fill_path.close();
  filling_ = false;
  changed();
}

void Drawing::move_to(double x, double y) {
  if (filling_) {
    Path& path = current_layer().fill_path;
    path.close();
    path.move_to(x, y);
    fill_start_x_ = x;
    fill_start_y_ = y;
  }
  pen_x_ = x;
  pen_y_ = y;
  line_started_ = false;
  changed();
}

void Drawing::line_to(double x, double y) { curve_to(std::nan(""), std::nan(""), x, y); }

// A NaN control point makes a straight edge.
void Drawing::curve_to(double cx, double cy, double x, double y) {
  bool straight = std::isnan(cx) || std::isnan(cy);
  auto add_edge = [&](Path& path) {
    if (path.size() >= kMaxPathData) return;
    if (straight)
      path.line_to(x, y);
    else
      path.quad_to(cx, cy, x, y);
  };
  if (filling_) add_edge(current_layer().fill_path);
  if (line_) {
    Layer& layer = current_layer();
    if (!line_started_) {
      layer.lines.push_back(*line_);
      layer.line_paths.emplace_back();
      layer.line_paths.back().move_to(pen_x_, pen_y_);
      line_started_ = true;
    }
    add_edge(layer.line_paths.back());
  }
  if (filling_ || line_) {
    include(pen_x_, pen_y_);
    if (!straight) include(cx, cy);
    include(x, y);
  }
  pen_x_ = x;
  pen_y_ = y;
  changed();
}

std::shared_ptr<const ShapeDefinition> Drawing::shape() const {
  if (shape_) return shape_;
  auto shape = std::make_shared<ShapeDefinition>();
  shape->bounds = bounds();
  for (const Layer& layer : layers_) {
    ShapeLayer out;
    if (layer.fill) {
      out.fills.push_back(*layer.fill);
      Path closed = layer.fill_path;
      closed.close();
      out.fill_paths.push_back(std::move(closed));
    }
    out.lines = layer.lines;
    out.line_paths = layer.line_paths;
    shape->layers.push_back(std::move(out));
  }
  shape_ = shape;
  return shape_;
}

Rect Drawing::bounds() const {
  if (!has_points_) return {};
  double half = widest_line_ / 2;
  auto clamp = [](double v) {
    return static_cast<std::int32_t>(std::clamp(std::floor(v), -2e9, 2e9));
  };
  return {clamp(min_x_ - half), clamp(std::ceil(max_x_ + half)), clamp(min_y_ - half),
          clamp(std::ceil(max_y_ + half))};
}

}  // namespace strandel::swf
