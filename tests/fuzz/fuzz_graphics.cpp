// Fuzzes the readers of drawable characters (shapes, morph shapes, bitmaps,
// fonts, text, text fields, buttons, video streams and their frames),
// PlaceObject3's effects and the renderer. The input is a list of tags,
// each a selector byte, a 16-bit length and a body; every character defined
// is then placed on a small stage (one as a clip layer, buttons in turn
// state, morphs and videos at several ratios), PlaceObject3 records are
// applied over them (filters, blend modes), and the stage is drawn and
// hit-tested.
#include <cairo.h>
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "swf/dictionary.h"
#include "swf/hit_test.h"
#include "swf/renderer.h"

namespace {

constexpr std::uint16_t kTags[] = {
    2,  22, 32, 83,          // DefineShape, 2, 3, 4
    8,  6,  21, 35, 20, 36,  // JPEGTables, DefineBits, JPEG2, JPEG3, Lossless, Lossless2
    10, 48, 75,              // DefineFont, 2, 3
    11, 33, 37,              // DefineText, 2, DefineEditText
    7,  34, 23,              // DefineButton, 2, DefineButtonCxform
    39,                      // DefineSprite
    46, 84,                  // DefineMorphShape, 2
    60, 61,                  // DefineVideoStream, VideoFrame
    70,                      // PlaceObject3
};

// cairo's and fontconfig's process-wide font caches are freed at exit, before
// the leak check, so that it reports only our own memory.
void free_font_caches() {
  cairo_debug_reset_static_data();
  if (auto* fc_fini = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "FcFini"))) fc_fini();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(free_font_caches);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace strandel::swf;
  std::span<const std::uint8_t> in(data, size);
  Dictionary dict;
  std::vector<std::uint16_t> ids;
  std::vector<Placement> placements;
  while (in.size() >= 3) {
    std::uint16_t code = kTags[in[0] % std::size(kTags)];
    std::size_t length = std::min<std::size_t>(in[1] | (in[2] << 8), in.size() - 3);
    auto body = in.subspan(3, length);
    in = in.subspan(3 + length);
    if (code == 70) {
      if (auto p = read_placement(code, body)) placements.push_back(*p);
      continue;
    }
    dict.define(code, body);
    if (body.size() >= 2) ids.push_back(static_cast<std::uint16_t>(body[0] | (body[1] << 8)));
  }
  DisplayList list;
  std::uint16_t depth = 1;
  for (std::uint16_t id : ids) {
    auto obj = std::make_shared<DisplayObject>();
    obj->character_id = id;
    obj->matrix = {1.5, 0.25, -0.25, 1.5, 100.0 * depth, 50};
    if (depth == 2) obj->clip_depth = 4;
    if (depth % 3 == 0) obj->cxform.am = 0.5;
    obj->button_state = static_cast<ButtonState>(1 << (depth % 4));
    obj->ratio = static_cast<std::uint16_t>(depth * 9000);
    list[depth++] = std::move(obj);
  }
  for (const Placement& p : placements) apply_placement(list, p);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 48);
  cairo_t* cr = cairo_create(s);
  render_frame(cr, 64, 48, dict, list, Rect{0, 6400, 0, 4800}, Rgba{});
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  button_at(dict, list, 1000, 1000);
  return 0;
}
