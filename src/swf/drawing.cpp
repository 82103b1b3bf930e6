#include "swf/drawing.h"

#include <algorithm>
#include <cmath>

namespace strandel::swf {

namespace {

// Edges and layers a drawing keeps at most: a script drawing in a loop for
// ever must not take unbounded memory. Past these, drawing calls are
// ignored.
constexpr std::size_t kMaxEdges = 1u << 20;
constexpr std::size_t kMaxLayers = 1u << 16;

}  // namespace

void Drawing::clear() { *this = Drawing(); }

Drawing::Layer& Drawing::current_layer() {
  if (layers_.empty()) layers_.emplace_back();
  return layers_.back();
}

bool Drawing::over_budget() const { return edges_ >= kMaxEdges || layers_.size() >= kMaxLayers; }

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
}

void Drawing::set_line_fill(FillStyle fill) {
  if (!line_) return;
  line_->has_fill = true;
  line_->fill = std::move(fill);
  line_started_ = false;
}

void Drawing::begin_fill(std::optional<FillStyle> fill) {
  end_fill();
  if (!fill || over_budget()) return;
  layers_.emplace_back();
  layers_.back().fill = std::move(*fill);
  layers_.back().fill_path.move_to(pen_x_, pen_y_);
  fill_start_x_ = pen_x_;
  fill_start_y_ = pen_y_;
  filling_ = true;
  line_started_ = false;
  changed();
}

void Drawing::close_fill(Layer& layer) {
  if (pen_x_ == fill_start_x_ && pen_y_ == fill_start_y_) return;
  add_edge(layer, true, std::nullopt, fill_start_x_, fill_start_y_);
}

void Drawing::end_fill() {
  if (!filling_) return;
  Layer& layer = current_layer();
  close_fill(layer);
  layer.fill_path.close();
  pen_x_ = fill_start_x_;
  pen_y_ = fill_start_y_;
  filling_ = false;
  changed();
}

void Drawing::move_to(double x, double y) {
  if (filling_ && (x != pen_x_ || y != pen_y_)) {
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

void Drawing::line_to(double x, double y) {
  if (!over_budget()) add_edge(current_layer(), filling_, std::nullopt, x, y);
}

void Drawing::curve_to(double cx, double cy, double x, double y) {
  if (!over_budget()) add_edge(current_layer(), filling_, Point{cx, cy}, x, y);
}

void Drawing::add_edge(Layer& layer, bool to_fill, const std::optional<Point>& control, double x,
                       double y) {
  auto add = [&](Path& path) {
    if (control)
      path.quad_to(control->x, control->y, x, y);
    else
      path.line_to(x, y);
  };
  if (to_fill) add(layer.fill_path);
  if (line_) {
    if (!line_started_) {
      layer.lines.push_back(*line_);
      layer.line_paths.emplace_back();
      layer.line_paths.back().move_to(pen_x_, pen_y_);
      line_started_ = true;
    }
    add(layer.line_paths.back());
    widest_line_ = std::max(widest_line_, double(line_->width));
  }
  if (to_fill || line_) {
    include(pen_x_, pen_y_);
    if (control) include(control->x, control->y);
    include(x, y);
    ++edges_;
  }
  pen_x_ = x;
  pen_y_ = y;
  changed();
}

// An open fill is drawn closed, its closing edge stroked, as endFill would
// leave it; the drawing itself stays open for more edges.
std::shared_ptr<const ShapeDefinition> Drawing::shape() const {
  if (shape_) return shape_;
  if (filling_) {
    Drawing closed = *this;
    closed.end_fill();
    shape_ = closed.shape();
    return shape_;
  }
  auto shape = std::make_shared<ShapeDefinition>();
  shape->bounds = bounds();
  for (const Layer& layer : layers_) {
    ShapeLayer out;
    if (layer.fill) {
      shape->live |= layer.fill->pixels != nullptr;
      out.fills.push_back(*layer.fill);
      out.fill_paths.push_back(layer.fill_path);
    }
    for (const LineStyle& line : layer.lines) shape->live |= line.fill.pixels != nullptr;
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
