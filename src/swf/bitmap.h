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

// A JPEG, PNG or GIF file's picture (a GIF's first image); throws
// ReadError when the data is none of those or cannot be decoded.
BitmapDefinition decode_image_file(std::span<const std::uint8_t> data);
BitmapDefinition decode_gif(std::span<const std::uint8_t> data);

// For the decoders: throws ReadError when a picture of this size is refused;
// a new transparent surface (throws when there is no memory for it); a row
// of one; a premultiplied pixel from straight alpha and channels that are
// premultiplied already (clamped to alpha).
void check_size(std::uint64_t width, std::uint64_t height);
std::shared_ptr<cairo_surface_t> new_surface(int width, int height);
std::uint32_t* surface_row(cairo_surface_t* s, int y);
std::uint32_t premultiplied_pixel(unsigned a, unsigned r, unsigned g, unsigned b);

// Wraps a surface that this object now owns.
std::shared_ptr<cairo_surface_t> own_surface(cairo_surface_t* s);

}  // namespace strandel::swf
