// GIF images (in DefineBitsJPEG2 and files loaded into clips), read with
// giflib: the first image of the file, on a transparent canvas of the
// file's screen size, with its graphic control extension's transparent
// colour.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "swf/bitmap.h"

namespace strandel::swf {

namespace {

struct GifSource {
  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
};

int read_gif_bytes(GifFileType* gif, GifByteType* out, int length) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)),
                                        src->data.size() - src->pos);
  std::memcpy(out, src->data.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// The transparent colour index a graphic control extension gives, if any.
int transparent_index(GifFileType* gif, int code, GifByteType* block, int current) {
  int found = current;
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1)) found = block[4];
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) throw ReadError("GIF data is bad");
  }
  return found;
}

// Rows of an interlaced image come in four passes.
std::vector<int> row_order(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  return rows;
}

}  // namespace

BitmapDefinition decode_gif(std::span<const std::uint8_t> d) {
  GifSource src{d};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, read_gif_bytes, &error));
  if (!gif) throw ReadError("GIF data is bad");
  int width = gif->SWidth, height = gif->SHeight;
  check_size(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
  BitmapDefinition b;
  b.width = width;
  b.height = height;
  b.surface = new_surface(width, height);
  int transparent = -1;
  // Records before the first image are extensions; each is read to its end.
  for (std::size_t records = 0; records < d.size() + 1; ++records) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) throw ReadError("GIF data is bad");
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
        throw ReadError("GIF data is bad");
      transparent = transparent_index(gif.get(), code, block, transparent);
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) throw ReadError("GIF data is bad");
    const GifImageDesc& image = gif->Image;
    const ColorMapObject* map = image.ColorMap ? image.ColorMap : gif->SColorMap;
    if (!map || image.Width <= 0 || image.Height <= 0) throw ReadError("GIF image is bad");
    check_size(static_cast<std::uint64_t>(image.Width), static_cast<std::uint64_t>(image.Height));
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.Width));
    cairo_surface_flush(b.surface.get());
    for (int y : row_order(image.Height, image.Interlace)) {
      if (DGifGetLine(gif.get(), line.data(), image.Width) == GIF_ERROR) break;  // cut short
      int row = image.Top + y;
      if (row < 0 || row >= height) continue;
      std::uint32_t* out = surface_row(b.surface.get(), row);
      for (int x = 0; x < image.Width; ++x) {
        int column = image.Left + x;
        int index = line[static_cast<std::size_t>(x)];
        if (column < 0 || column >= width || index == transparent || index >= map->ColorCount)
          continue;
        const GifColorType& c = map->Colors[index];
        out[column] = premultiplied_pixel(255, c.Red, c.Green, c.Blue);
      }
    }
    cairo_surface_mark_dirty(b.surface.get());
    break;  // the first image only
  }
  return b;
}

}  // namespace strandel::swf
