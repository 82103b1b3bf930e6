// Painting with cairo: colours under a colour transform, the sources of
// fills (solid, gradient, bitmap), and a shape's fills and lines. Used by
// the renderer and by the shape cache, which paints shapes into images.
#pragma once

#include <cairo.h>

#include <memory>

#include "swf/bitmap.h"
#include "swf/dictionary.h"
#include "swf/geometry.h"
#include "swf/shape.h"

namespace strandel::swf {

using PatternPtr = std::shared_ptr<cairo_pattern_t>;

PatternPtr own_pattern(cairo_pattern_t* p);

cairo_matrix_t to_cairo(const Matrix& m);
void set_matrix(cairo_t* cr, const Matrix& m);

// A matrix that cairo can draw with: finite and not squeezed flat.
bool usable(const Matrix& m);

bool is_identity(const ColorTransform& cx);
Rgba transformed(Rgba c, const ColorTransform& cx);
void set_source(cairo_t* cr, Rgba c);

// A rectangle in device pixels.
struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// The device box around a rectangle of twips under a matrix, with a margin
// for lines and anti-aliasing.
Box device_box(const Rect& r, const Matrix& m, double margin);

// What a painter draws: everything, or (for a clip layer) fills alone, in
// opaque black, since a mask uses only the coverage.
enum class PaintMode { Colour, Mask };

// Paints a shape's fills and lines under `m` (shape twips → device).
void paint_shape(cairo_t* cr, const Dictionary& dict, const ShapeDefinition& s, const Matrix& m,
                 const ColorTransform& cx, PaintMode mode);

// Paints a bitmap character: one pixel per twenty twips.
void paint_bitmap(cairo_t* cr, const BitmapDefinition& b, const Matrix& m, const ColorTransform& cx,
                  PaintMode mode);

// Paints a script's bitmap, an image surface, one pixel per twenty twips;
// smoothed when asked, else each pixel a square. Unscaled and unrotated, it
// sits on whole device pixels.
void paint_image(cairo_t* cr, cairo_surface_t* image, bool smoothing, const Matrix& m,
                 const ColorTransform& cx, PaintMode mode);

// Paints a video's frame `number` scaled to the stream's size (one pixel
// per twenty twips), smoothed when the stream asks for it.
void paint_video(cairo_t* cr, const VideoDefinition& v, std::uint16_t number, const Matrix& m,
                 const ColorTransform& cx, PaintMode mode);

// Paints a stream's current frame in the place of video character `v`,
// scaled to its size; smoothed when `v` or `smoothing` asks for it.
void paint_streamed_video(cairo_t* cr, const VideoDefinition& v, const StreamedVideo& stream,
                          bool smoothing, const Matrix& m, const ColorTransform& cx,
                          PaintMode mode);

}  // namespace strandel::swf
