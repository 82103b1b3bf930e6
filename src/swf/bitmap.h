// Bitmaps: DefineBits (with the movie's JPEGTables), DefineBitsJPEG2,
// DefineBitsJPEG3 (JPEG and a zlib alpha plane), DefineBitsLossless and
// DefineBitsLossless2. Each is decoded once, when its tag is read, into a
// premultiplied cairo ARGB32 surface.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <span>

#include "swf/bytes.h"

namespace strandel::swf {

// Larger images are refused: a hostile header must not make us allocate
// gigabytes.
constexpr std::uint64_t kMaxBitmapPixels = 64ull * 1024 * 1024;

struct BitmapDefinition {
  int width = 0, height = 0;
  std::shared_ptr<cairo_surface_t> surface;  // CAIRO_FORMAT_ARGB32, premultiplied
  bool transparent = false;                  // the format gave it an alpha channel
};

// Each reader starts after the character id and throws ReadError with the
// reason when the image cannot be decoded.
BitmapDefinition read_define_bits(ByteReader& in, std::span<const std::uint8_t> jpeg_tables);
BitmapDefinition read_define_bits_jpeg2(ByteReader& in);
BitmapDefinition read_define_bits_jpeg3(ByteReader& in);
BitmapDefinition read_define_bits_lossless(ByteReader& in, bool with_alpha);

// Wraps a surface that this object now owns.
std::shared_ptr<cairo_surface_t> own_surface(cairo_surface_t* s);

}  // namespace strandel::swf
