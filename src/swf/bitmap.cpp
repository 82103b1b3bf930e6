#include "swf/bitmap.h"

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace strandel::swf {

std::shared_ptr<cairo_surface_t> own_surface(cairo_surface_t* s) {
  return std::shared_ptr<cairo_surface_t>(s, cairo_surface_destroy);
}

void check_size(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) throw ReadError("bitmap has no pixels");
  if (width * height > kMaxBitmapPixels || width > 32767 || height > 32767)
    throw ReadError("bitmap of " + std::to_string(width) + "x" + std::to_string(height) +
                        " pixels is too large",
                    DiagnosticKind::OverLimit);
}

std::shared_ptr<cairo_surface_t> new_surface(int width, int height) {
  auto s = own_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS)
    throw ReadError("cannot allocate a bitmap surface", DiagnosticKind::System);
  cairo_surface_flush(s.get());
  return s;
}

std::uint32_t* surface_row(cairo_surface_t* s, int y) {
  return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s) +
                                          static_cast<std::ptrdiff_t>(y) *
                                              cairo_image_surface_get_stride(s));
}

// Cairo pixels are premultiplied; a colour channel above alpha is clamped.
std::uint32_t premultiplied_pixel(unsigned a, unsigned r, unsigned g, unsigned b) {
  r = std::min(r, a), g = std::min(g, a), b = std::min(b, a);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t premultiply(unsigned a, unsigned r, unsigned g, unsigned b) {
  return (a << 24) | ((r * a + 127) / 255 << 16) | ((g * a + 127) / 255 << 8) |
         ((b * a + 127) / 255);
}

// Inflates a zlib stream that should hold exactly `expected` bytes. The
// output grows with the input so that a lying header costs no memory.
Bytes inflate_exactly(std::span<const std::uint8_t> in, std::size_t expected) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw ReadError("zlib cannot start");
  Bytes out;
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(in.size(), UINT32_MAX));
  int rc = Z_OK;
  while (out.size() < expected && rc == Z_OK) {
    std::size_t chunk = std::min<std::size_t>(expected - out.size(), 1 << 20);
    std::size_t old = out.size();
    out.resize(old + chunk);
    z.next_out = out.data() + old;
    z.avail_out = static_cast<uInt>(chunk);
    rc = inflate(&z, Z_NO_FLUSH);
    out.resize(old + chunk - z.avail_out);
    if (rc == Z_BUF_ERROR && z.avail_out == 0) rc = Z_OK;
  }
  inflateEnd(&z);
  if (out.size() < expected) {
    if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT || rc == Z_MEM_ERROR)
      throw ReadError("zlib data is corrupt", DiagnosticKind::Corrupt);
    throw ReadError("zlib stream ends early", DiagnosticKind::Truncated);
  }
  return out;
}

// ---------------------------------------------------------------------------
// JPEG

struct JpegErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// libjpeg's default error handler exits the process; ours returns to the
// decoder's setjmp. Only libjpeg's C frames lie between, so no destructor is
// skipped.
[[noreturn]] void on_jpeg_error(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt data, premature end) are not worth a line on stderr.
void ignore_jpeg_message(j_common_ptr) {}

// Decodes into a new surface, or returns null and sets `error`. Written in
// C style because of the setjmp.
cairo_surface_t* decode_jpeg_surface(const std::uint8_t* data, std::size_t size,
                                     char* error, std::size_t error_size) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  cairo_surface_t* volatile surface = nullptr;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = on_jpeg_error;
  err.mgr.output_message = ignore_jpeg_message;
  err.message[0] = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    if (surface) cairo_surface_destroy(surface);
    std::snprintf(error, error_size, "JPEG: %s", err.message);
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  // Tables and image may come as two datastreams, one after the other.
  int header;
  while ((header = jpeg_read_header(&cinfo, FALSE)) == JPEG_HEADER_TABLES_ONLY) {
  }
  if (header != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(error, error_size, "JPEG data holds no image");
    return nullptr;
  }
  std::uint64_t w = cinfo.image_width, h = cinfo.image_height;
  if (w == 0 || h == 0 || w * h > kMaxBitmapPixels || w > 32767 || h > 32767) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(error, error_size, "JPEG of %llux%llu pixels is too large",
                  static_cast<unsigned long long>(w), static_cast<unsigned long long>(h));
    return nullptr;
  }
  cinfo.out_color_space = JCS_EXT_BGRA;  // cairo's ARGB32 byte order on little-endian
  jpeg_start_decompress(&cinfo);
  surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w),
                                       static_cast<int>(h));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    jpeg_destroy_decompress(&cinfo);
    cairo_surface_destroy(surface);
    std::snprintf(error, error_size, "cannot allocate a bitmap surface");
    return nullptr;
  }
  cairo_surface_flush(surface);
  unsigned char* pixels = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels + static_cast<std::ptrdiff_t>(cinfo.output_scanline) * stride;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
  }
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  cairo_surface_mark_dirty(surface);
  return surface;
}

bool starts_with(std::span<const std::uint8_t> d, std::initializer_list<std::uint8_t> sig) {
  return d.size() >= sig.size() && std::equal(sig.begin(), sig.end(), d.begin());
}

// Some authoring tools put EOI and SOI markers before the real SOI; libjpeg
// wants exactly one SOI first.
std::span<const std::uint8_t> strip_bad_prefix(std::span<const std::uint8_t> d) {
  if (!starts_with(d, {0xFF, 0xD9, 0xFF, 0xD8})) return d;
  d = d.subspan(2);
  return starts_with(d.subspan(2), {0xFF, 0xD8}) ? d.subspan(2) : d;
}

struct PngSource {
  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
};

cairo_status_t read_png_bytes(void* closure, unsigned char* out, unsigned int length) {
  auto* src = static_cast<PngSource*>(closure);
  if (length > src->data.size() - src->pos) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, src->data.data() + src->pos, length);
  src->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

std::uint32_t big_endian32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
         (std::uint32_t(p[2]) << 8) | p[3];
}

// DefineBitsJPEG2 and 3 may hold PNG data; cairo reads it. The size in the
// IHDR chunk is checked first.
BitmapDefinition decode_png(std::span<const std::uint8_t> d) {
  if (d.size() < 24) throw ReadError("PNG data ends early");
  check_size(big_endian32(d.data() + 16), big_endian32(d.data() + 20));
  PngSource src{d};
  auto s = own_surface(cairo_image_surface_create_from_png_stream(read_png_bytes, &src));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) throw ReadError("PNG data is bad");
  BitmapDefinition b;
  b.width = cairo_image_surface_get_width(s.get());
  b.height = cairo_image_surface_get_height(s.get());
  if (cairo_image_surface_get_format(s.get()) == CAIRO_FORMAT_ARGB32) {
    b.surface = std::move(s);
    return b;
  }
  b.surface = new_surface(b.width, b.height);  // one pixel format for every bitmap
  cairo_t* cr = cairo_create(b.surface.get());
  cairo_set_source_surface(cr, s.get(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return b;
}

BitmapDefinition decode_image(std::span<const std::uint8_t> d) {
  if (starts_with(d, {0x89, 'P', 'N', 'G'})) return decode_png(d);
  if (starts_with(d, {'G', 'I', 'F', '8'})) return decode_gif(d);
  d = strip_bad_prefix(d);
  char error[JMSG_LENGTH_MAX + 64];
  cairo_surface_t* s = decode_jpeg_surface(d.data(), d.size(), error, sizeof error);
  if (!s) throw ReadError(error);
  BitmapDefinition b;
  b.surface = own_surface(s);
  b.width = cairo_image_surface_get_width(s);
  b.height = cairo_image_surface_get_height(s);
  return b;
}

void apply_alpha_plane(BitmapDefinition& b, const Bytes& alpha) {
  cairo_surface_t* s = b.surface.get();
  cairo_surface_flush(s);
  for (int y = 0; y < b.height; ++y) {
    std::uint32_t* row = surface_row(s, y);
    const std::uint8_t* a = alpha.data() + static_cast<std::size_t>(y) * b.width;
    for (int x = 0; x < b.width; ++x) {
      std::uint32_t p = row[x];
      row[x] = premultiply(a[x], (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
  }
  cairo_surface_mark_dirty(s);
}

// ---------------------------------------------------------------------------
// Lossless

constexpr std::uint8_t kColorMapped8 = 3, kRgb15 = 4, kRgb24 = 5;

std::size_t padded4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

void fill_color_mapped(cairo_surface_t* s, int w, int h, const Bytes& d, std::size_t colors,
                       bool alpha) {
  std::size_t entry = alpha ? 4 : 3;
  std::vector<std::uint32_t> palette(256, 0);
  for (std::size_t i = 0; i < colors; ++i) {
    const std::uint8_t* c = d.data() + i * entry;
    palette[i] = premultiplied_pixel(alpha ? c[3] : 255, c[0], c[1], c[2]);
  }
  const std::uint8_t* pixels = d.data() + colors * entry;
  std::size_t stride = padded4(w);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = surface_row(s, y);
    for (int x = 0; x < w; ++x) row[x] = palette[pixels[y * stride + x]];
  }
}

unsigned expand5(unsigned v) { return (v << 3) | (v >> 2); }

void fill_rgb15(cairo_surface_t* s, int w, int h, const Bytes& d) {
  std::size_t stride = padded4(std::size_t(w) * 2);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = surface_row(s, y);
    const std::uint8_t* p = d.data() + y * stride;
    for (int x = 0; x < w; ++x) {
      unsigned v = (unsigned(p[2 * x]) << 8) | p[2 * x + 1];  // 0RRRRRGG GGGBBBBB
      row[x] = premultiplied_pixel(255, expand5((v >> 10) & 31), expand5((v >> 5) & 31),
                                   expand5(v & 31));
    }
  }
}

// ARGB, already premultiplied in DefineBitsLossless2; the first byte is
// unused in DefineBitsLossless.
void fill_argb(cairo_surface_t* s, int w, int h, const Bytes& d, bool alpha) {
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = surface_row(s, y);
    const std::uint8_t* p = d.data() + static_cast<std::size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x, p += 4)
      row[x] = premultiplied_pixel(alpha ? p[0] : 255, p[1], p[2], p[3]);
  }
}

}  // namespace

BitmapDefinition read_define_bits(ByteReader& in, std::span<const std::uint8_t> jpeg_tables) {
  auto image = in.bytes(in.remaining());
  if (jpeg_tables.empty()) return decode_image(image);
  Bytes joined(jpeg_tables.begin(), jpeg_tables.end());
  joined.insert(joined.end(), image.begin(), image.end());
  return decode_image(joined);
}

BitmapDefinition decode_image_file(std::span<const std::uint8_t> data) {
  if (!starts_with(data, {0xFF, 0xD8}) && !starts_with(data, {0x89, 'P', 'N', 'G'}) &&
      !starts_with(data, {'G', 'I', 'F', '8'}))
    throw ReadError("not a JPEG, PNG or GIF image");
  return decode_image(data);
}

BitmapDefinition read_define_bits_jpeg2(ByteReader& in) {
  return decode_image(in.bytes(in.remaining()));
}

BitmapDefinition read_define_bits_jpeg3(ByteReader& in) {
  std::uint32_t alpha_offset = in.u32();
  auto image = in.bytes(alpha_offset);
  BitmapDefinition b = decode_image(image);
  b.transparent = true;
  if (starts_with(image, {0x89, 'P', 'N', 'G'})) return b;  // PNG has its own alpha
  // A missing or broken alpha plane leaves the image opaque.
  if (in.remaining() == 0) return b;
  try {
    apply_alpha_plane(b, inflate_exactly(in.bytes(in.remaining()),
                                         static_cast<std::size_t>(b.width) * b.height));
  } catch (const ReadError&) {
  }
  return b;
}

BitmapDefinition read_define_bits_lossless(ByteReader& in, bool with_alpha) {
  std::uint8_t format = in.u8();
  int w = in.u16(), h = in.u16();
  if (format != kColorMapped8 && format != kRgb15 && format != kRgb24)
    throw ReadError("unknown lossless bitmap format " + std::to_string(format));
  if (format == kRgb15 && with_alpha) throw ReadError("15-bit bitmap cannot have alpha");
  check_size(w, h);
  std::size_t colors = format == kColorMapped8 ? in.u8() + 1u : 0;
  std::size_t expected = format == kColorMapped8 ? colors * (with_alpha ? 4 : 3) + padded4(w) * h
                         : format == kRgb15      ? padded4(std::size_t(w) * 2) * h
                                                 : std::size_t(w) * 4 * h;
  Bytes d = inflate_exactly(in.bytes(in.remaining()), expected);
  BitmapDefinition b;
  b.width = w;
  b.height = h;
  b.surface = new_surface(w, h);
  b.transparent = with_alpha;
  if (format == kColorMapped8)
    fill_color_mapped(b.surface.get(), w, h, d, colors, with_alpha);
  else if (format == kRgb15)
    fill_rgb15(b.surface.get(), w, h, d);
  else
    fill_argb(b.surface.get(), w, h, d, with_alpha);
  cairo_surface_mark_dirty(b.surface.get());
  return b;
}

}  // namespace strandel::swf
