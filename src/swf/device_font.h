// Device fonts: text fields that do not embed their outlines are set in
// the fonts the desktop has, chosen through fontconfig. The names movies
// use map to metric-compatible families, so lines break where the
// author's did.
#pragma once

#include <cairo.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace strandel::swf {

// The fontconfig family for a font name a movie gives: the generic names
// _sans, _serif and _typewriter, and the common Windows and Mac fonts, to
// metric-compatible families; other names as they are (fontconfig falls
// back to a default family for names it lacks).
std::string device_family(const std::string& name);

// A device font at one style, measured and drawn in units of its size.
class DeviceFont {
 public:
  DeviceFont(const std::string& name, bool bold, bool italic);
  ~DeviceFont();
  DeviceFont(const DeviceFont&) = delete;
  DeviceFont& operator=(const DeviceFont&) = delete;

  // For a font size of 1: ascent and descent, and a character's advance.
  double ascent() const { return ascent_; }
  double descent() const { return descent_; }
  double advance(char32_t c) const;       // kept once measured
  unsigned long glyph(char32_t c) const;  // the glyph index for cairo_show_glyphs
  cairo_font_face_t* face() const { return face_; }
  const cairo_font_options_t* options() const { return options_; }

 private:
  cairo_font_face_t* face_ = nullptr;
  cairo_scaled_font_t* unit_ = nullptr;  // at size 1024, for measuring
  cairo_font_options_t* options_ = nullptr;
  double ascent_ = 0.9, descent_ = 0.25;
  mutable std::map<char32_t, double> advances_;
};

// The device fonts a movie's text has asked for, by name and style.
class DeviceFonts {
 public:
  std::shared_ptr<const DeviceFont> get(const std::string& name, bool bold, bool italic);

 private:
  std::map<std::tuple<std::string, bool, bool>, std::shared_ptr<const DeviceFont>> fonts_;
};

}  // namespace strandel::swf
