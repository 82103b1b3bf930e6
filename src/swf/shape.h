// Shapes: DefineShape, DefineShape2, DefineShape3 and DefineShape4, and the
// style-less SHAPE records that font glyphs use.
//
// The edge records are turned into ready-to-draw paths once, when the tag is
// read: every fill gets closed contours joined from the edges that border it
// (an edge can border two fills, fill0 on its left and fill1 on its right),
// every line style gets the edges it strokes. The renderer only replays them.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "swf/bytes.h"
#include "swf/geometry.h"

namespace strandel::swf {

// A path in twips, kept in cairo's own layout so that drawing it is one
// cairo_append_path under the object's matrix. Quadratic edges are stored
// as the equivalent cubic curves.
class Path {
 public:
  void move_to(double x, double y);
  void line_to(double x, double y);
  void quad_to(double cx, double cy, double x, double y);  // from the current point
  void close();

  bool empty() const { return data_.empty(); }
  std::size_t size() const { return data_.size(); }
  // Adds the path to cr's current path, under cr's current matrix.
  void append_to(cairo_t* cr) const;

 private:
  void point(double x, double y);
  std::vector<cairo_path_data_t> data_;
  double last_x_ = 0, last_y_ = 0;
};

struct GradientStop {
  std::uint8_t ratio = 0;
  Rgba color;
};

enum class SpreadMode : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };

struct Gradient {
  std::vector<GradientStop> stops;
  SpreadMode spread = SpreadMode::Pad;
  bool linear_rgb = false;  // InterpolationMode 1: colours blend in linear RGB
  double focal_point = 0;   // -1..1 along the x axis, focal gradients only
};

struct FillStyle {
  enum class Kind : std::uint8_t { Solid, Linear, Radial, Focal, Bitmap };
  Kind kind = Kind::Solid;
  Rgba color;       // Solid
  Matrix matrix;    // gradient square or bitmap pixels → shape twips
  Gradient gradient;
  std::uint16_t bitmap_id = 0;
  // A script's bitmap, drawn instead of bitmap_id as its pixels are now.
  std::shared_ptr<cairo_surface_t> pixels;
  bool repeat = true;   // bitmap fills: repeating or clipped (edge pixels extend)
  bool smooth = true;   // bitmap fills: bilinear or nearest
  // The gradient as a cairo pattern, made on first use without a colour
  // transform; shared so that copies of the definition share it.
  mutable std::shared_ptr<cairo_pattern_t> cached_pattern;
};

enum class LineCap : std::uint8_t { Round = 0, None = 1, Square = 2 };
enum class LineJoin : std::uint8_t { Round = 0, Bevel = 1, Miter = 2 };

struct LineStyle {
  std::uint16_t width = 0;  // twips; 0 is a hairline, one pixel wide
  Rgba color;
  LineCap start_cap = LineCap::Round, end_cap = LineCap::Round;
  LineJoin join = LineJoin::Round;
  double miter_limit = 3;
  bool has_fill = false;  // LineStyle2 with a fill: stroked with that fill
  FillStyle fill;
  bool no_close = false;
};

// One style array and what is drawn with it: the fills first, in index
// order, then the lines. A StateNewStyles record starts a new layer.
struct ShapeLayer {
  std::vector<FillStyle> fills;
  std::vector<LineStyle> lines;
  std::vector<Path> fill_paths;  // one per fill, parallel to fills
  std::vector<Path> line_paths;  // one per line, parallel to lines
};

struct ShapeDefinition {
  Rect bounds;
  bool nonzero_winding = false;  // DefineShape4 UsesFillWindingRule; else even-odd
  bool live = false;             // fills with a script's bitmap: never drawn from a cache
  std::vector<ShapeLayer> layers;
  // Names this reading of the shape for caches of drawn shapes: an address
  // could be reused by a later definition, this token cannot while a cache
  // holds a weak reference to it.
  std::shared_ptr<const int> token = std::make_shared<const int>(0);
};

// One record of a SHAPE without new style arrays (as morph shapes hold
// them): a style change, or an edge given by its deltas in twips.
struct ShapeRecord {
  enum class Kind : std::uint8_t { StyleChange, Line, Curve };
  Kind kind = Kind::StyleChange;
  // StyleChange: the pen's new place when `move`, and the styles it sets.
  bool move = false;
  std::int32_t x = 0, y = 0;
  std::optional<std::uint32_t> fill0, fill1, line;
  // Line: to (dx, dy); Curve: control (cdx, cdy), then anchor (dx, dy) from it.
  std::int32_t cdx = 0, cdy = 0, dx = 0, dy = 0;
};

// Reads the bit counts and records of a SHAPE up to its end record.
std::vector<ShapeRecord> read_shape_record_list(ByteReader& in);

// A shape from one set of styles and records with pen positions in twips
// (moves absolute, edges relative), joined into paths as a DefineShape's.
ShapeDefinition build_shape(const Rect& bounds, ShapeLayer styles,
                            const std::vector<ShapeRecord>& records);

// One fill or line style record: FILLSTYLE, the version-dependent colour.
FillStyle read_fill_style(ByteReader& in, int version);

// Reads a DefineShape, DefineShape2, DefineShape3 or DefineShape4 body after
// the character id. version is 1..4. Throws ReadError on bad data.
ShapeDefinition read_define_shape(ByteReader& in, int version);

// A glyph's SHAPE (bit counts and records, no style arrays) as one path
// covering every edge with a fill on either side.
Path read_glyph_shape(std::span<const std::uint8_t> bytes);

}  // namespace strandel::swf
