// Bitmaps: DefineBitsLossless(2), DefineBitsJPEG2/3, JPEGTables + DefineBits.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "swfwriter/swfwriter.h"

namespace swfw {
namespace {

Bytes deflate(const Bytes& in) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  Bytes out(size);
  compress2(out.data(), &size, in.data(), static_cast<uLong>(in.size()), Z_BEST_COMPRESSION);
  out.resize(size);
  return out;
}

std::uint8_t premultiply(std::uint8_t c, std::uint8_t a) {
  return static_cast<std::uint8_t>((c * a + 127) / 255);
}

// Format 5 pixels: a leading byte (reserved 0, or alpha) then R, G, B.
Bytes pix32(const Bitmap& b, bool alpha) {
  Bytes out;
  out.reserve(b.pixels.size() * 4);
  for (const Rgba& p : b.pixels) {
    const std::uint8_t a = alpha ? p.a : 255;
    out.push_back(alpha ? a : 0);
    out.push_back(premultiply(p.r, a));
    out.push_back(premultiply(p.g, a));
    out.push_back(premultiply(p.b, a));
  }
  return out;
}

Bytes lossless_body(std::uint16_t id, const Bitmap& b, bool alpha) {
  Writer w;
  w.u16(id);
  w.u8(5);
  w.u16(b.width);
  w.u16(b.height);
  w.append(deflate(pix32(b, alpha)));
  return w.take();
}

}  // namespace

void Movie::define_bits_lossless(std::uint16_t id, const Bitmap& b) {
  tag(tag::DefineBitsLossless, lossless_body(id, b, false));
}

void Movie::define_bits_lossless2(std::uint16_t id, const Bitmap& b) {
  tag(tag::DefineBitsLossless2, lossless_body(id, b, true));
}

// Format 3: BitmapColorTableSize is the palette size minus one; the zlib data
// holds the palette (RGB, or premultiplied RGBA for the alpha tag) and then
// rows of indices padded to a multiple of 4 bytes.
void Movie::define_bits_indexed(std::uint16_t id, std::uint16_t width, std::uint16_t height,
                                const std::vector<Rgba>& palette,
                                const std::vector<std::uint8_t>& indices, bool alpha) {
  Bytes data;
  for (const Rgba& c : palette) {
    const std::uint8_t a = alpha ? c.a : 255;
    data.push_back(premultiply(c.r, a));
    data.push_back(premultiply(c.g, a));
    data.push_back(premultiply(c.b, a));
    if (alpha) data.push_back(a);
  }
  const std::size_t stride = (width + 3u) & ~3u;
  for (std::size_t y = 0; y < height; ++y)
    for (std::size_t x = 0; x < stride; ++x) {
      const std::size_t i = y * width + x;
      data.push_back(x < width && i < indices.size() ? indices[i] : 0);
    }
  Writer w;
  w.u16(id);
  w.u8(3);
  w.u16(width);
  w.u16(height);
  w.u8(static_cast<std::uint8_t>(palette.empty() ? 0 : palette.size() - 1));
  w.append(deflate(data));
  tag(alpha ? tag::DefineBitsLossless2 : tag::DefineBitsLossless, w.take());
}

Bytes jpeg_encode(const Bitmap& b, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = b.width;
  cinfo.image_height = b.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(b.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::size_t y = cinfo.next_scanline;
    for (std::size_t x = 0; x < b.width; ++x) {
      const Rgba& p = b.pixels[y * b.width + x];
      row[x * 3] = p.r;
      row[x * 3 + 1] = p.g;
      row[x * 3 + 2] = p.b;
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

// Markers: SOI D8, EOI D9, SOS DA, DQT DB, DHT C4. Every segment between SOI
// and SOS carries a big-endian length that includes its own two bytes.
std::pair<Bytes, Bytes> jpeg_split(const Bytes& jpeg) {
  Bytes tables = {0xFF, 0xD8}, image = {0xFF, 0xD8};
  std::size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const std::uint8_t marker = jpeg[pos + 1];
    if (marker == 0xDA) break;
    const std::size_t length = static_cast<std::size_t>(jpeg[pos + 2] << 8 | jpeg[pos + 3]);
    const std::size_t end = std::min(jpeg.size(), pos + 2 + length);
    Bytes& into = marker == 0xDB || marker == 0xC4 ? tables : image;
    into.insert(into.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(pos),
                jpeg.begin() + static_cast<std::ptrdiff_t>(end));
    pos = end;
  }
  image.insert(image.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(std::min(pos, jpeg.size())),
               jpeg.end());
  tables.push_back(0xFF);
  tables.push_back(0xD9);
  return {tables, image};
}

void Movie::define_bits_jpeg2(std::uint16_t id, const Bitmap& b, int quality) {
  Writer w;
  w.u16(id);
  w.append(jpeg_encode(b, quality));
  tag(tag::DefineBitsJPEG2, w.take());
}

// DefineBitsJPEG3: AlphaDataOffset (the JPEG's size), the JPEG, then one
// zlib-compressed alpha byte a pixel.
void Movie::define_bits_jpeg3(std::uint16_t id, const Bitmap& b, int quality) {
  const Bytes jpeg = jpeg_encode(b, quality);
  Bytes alpha;
  alpha.reserve(b.pixels.size());
  for (const Rgba& p : b.pixels) alpha.push_back(p.a);
  Writer w;
  w.u16(id);
  w.u32(static_cast<std::uint32_t>(jpeg.size()));
  w.append(jpeg);
  w.append(deflate(alpha));
  tag(tag::DefineBitsJPEG3, w.take());
}

// A movie has one JPEGTables tag, shared by all its DefineBits images; every
// image here comes from the same encoder settings, so the first call's
// tables serve the later ones only when their quality matches.
void Movie::define_bits(std::uint16_t id, const Bitmap& b, int quality) {
  auto [tables, image] = jpeg_split(jpeg_encode(b, quality));
  if (!jpeg_tables_written_) {
    tag(tag::JPEGTables, tables);
    jpeg_tables_written_ = true;
  }
  Writer w;
  w.u16(id);
  w.append(image);
  tag(tag::DefineBits, w.take());
}

}  // namespace swfw
