#include "swf/device_font.h"

#include <algorithm>
#include <cctype>

#include "swf/text_format.h"

namespace strandel::swf {

namespace {

// Measuring happens at this size, where the font's own units are fine
// enough; results are divided back to a size of 1.
constexpr double kMeasureSize = 1024;

// Names kept in the table of fonts; past this many, new names share the
// default family's entry rather than grow the table.
constexpr std::size_t kMaxFonts = 256;
// Characters whose advance a font keeps.
constexpr std::size_t kMaxAdvances = 4096;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string device_family(const std::string& name) {
  static const std::map<std::string, std::string> kFamilies = {
      {"_sans", "Liberation Sans"},       {"_serif", "Liberation Serif"},
      {"_typewriter", "Liberation Mono"}, {"arial", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},   {"times new roman", "Liberation Serif"},
      {"times", "Liberation Serif"},      {"courier new", "Liberation Mono"},
      {"courier", "Liberation Mono"},     {"arial narrow", "Liberation Sans Narrow"},
      {"verdana", "DejaVu Sans"},         {"tahoma", "DejaVu Sans"},
      {"georgia", "DejaVu Serif"},        {"lucida console", "DejaVu Sans Mono"},
  };
  auto it = kFamilies.find(lower(name));
  if (it != kFamilies.end()) return it->second;
  return name.empty() ? "Liberation Serif" : name;
}

DeviceFont::DeviceFont(const std::string& name, bool bold, bool italic) {
  face_ = cairo_toy_font_face_create(device_family(name).c_str(),
                                     italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                     bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  // Unhinted outlines and metrics: text scales with the movie, and advances
  // add up the same at every size.
  options_ = cairo_font_options_create();
  cairo_font_options_set_hint_style(options_, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options_, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options_, CAIRO_ANTIALIAS_GRAY);
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, kMeasureSize, kMeasureSize);
  cairo_matrix_init_identity(&identity);
  unit_ = cairo_scaled_font_create(face_, &size, &identity, options_);
  if (cairo_scaled_font_status(unit_) == CAIRO_STATUS_SUCCESS) {
    cairo_font_extents_t e;
    cairo_scaled_font_extents(unit_, &e);
    ascent_ = e.ascent / kMeasureSize;
    descent_ = e.descent / kMeasureSize;
  }
}

DeviceFont::~DeviceFont() {
  cairo_scaled_font_destroy(unit_);
  cairo_font_face_destroy(face_);
  cairo_font_options_destroy(options_);
}

unsigned long DeviceFont::glyph(char32_t c) const {
  std::string utf8 = u32_to_utf8(std::u32string(1, c));
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  unsigned long index = 0;
  if (cairo_scaled_font_text_to_glyphs(unit_, 0, 0, utf8.c_str(), static_cast<int>(utf8.size()),
                                       &glyphs, &count, nullptr, nullptr,
                                       nullptr) == CAIRO_STATUS_SUCCESS &&
      count > 0)
    index = glyphs[0].index;
  cairo_glyph_free(glyphs);
  return index;
}

double DeviceFont::advance(char32_t c) const {
  if (auto it = advances_.find(c); it != advances_.end()) return it->second;
  cairo_glyph_t g{glyph(c), 0, 0};
  cairo_text_extents_t e;
  cairo_scaled_font_glyph_extents(unit_, &g, 1, &e);
  double a = e.x_advance / kMeasureSize;
  if (advances_.size() < kMaxAdvances) advances_[c] = a;
  return a;
}

std::shared_ptr<const DeviceFont> DeviceFonts::get(const std::string& name, bool bold,
                                                   bool italic) {
  std::string key = fonts_.size() < kMaxFonts ? lower(name) : std::string("_serif");
  auto& font = fonts_[{key, bold, italic}];
  if (!font) font = std::make_shared<const DeviceFont>(key, bold, italic);
  return font;
}

}  // namespace strandel::swf
