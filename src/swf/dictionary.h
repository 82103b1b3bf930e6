// The movie's dictionary: every character that a definition tag declared,
// by character id. The player fills it as it meets definition tags; the
// renderer and the button logic look characters up in it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "swf/bitmap.h"
#include "swf/button.h"
#include "swf/device_font.h"
#include "swf/diagnostic.h"
#include "swf/font.h"
#include "swf/morph_shape.h"
#include "swf/shape.h"
#include "swf/video.h"

namespace strandel::swf {

// DefineSprite: a frame count and the sprite's own control tags, which
// point into the movie's bytes (the Movie outlives the dictionary).
struct SpriteDefinition {
  std::uint16_t frame_count = 0;
  std::span<const std::uint8_t> tags;  // the tag stream after SpriteID and FrameCount
};

using Character = std::variant<SpriteDefinition, ShapeDefinition, BitmapDefinition, FontDefinition,
                               TextDefinition, EditTextDefinition, ButtonDefinition,
                               MorphShapeDefinition, VideoDefinition>;

class Dictionary {
 public:
  // Problems with definition tags go here; none are reported without it.
  void on_log(LogCallback log) { log_ = std::move(log); }

  // Reads one definition tag (its body starts `offset` bytes into the movie).
  // Returns false, and logs why, when the record cannot be read; the
  // character is then left out and the movie plays on. Tags that define
  // nothing this player draws are ignored. JPEGTables and DefineButtonCxform
  // define no character but are kept for the tags that use them.
  bool define(std::uint16_t tag_code, std::span<const std::uint8_t> body, std::size_t offset = 0);

  // A picture that came from elsewhere (a loaded image file) as a character.
  void add_bitmap(std::uint16_t id, BitmapDefinition bitmap) {
    characters_.insert_or_assign(id, std::move(bitmap));
  }

  // ImportAssets: `id` here stands for character `from_id` of another
  // movie's dictionary, which must outlive this one. Imports are followed
  // one step: what that movie imports in turn is not seen here.
  void import(std::uint16_t id, const Dictionary& from, std::uint16_t from_id);
  // The dictionary the character `id` comes from: this one, or the one it
  // was imported from. A sprite's content is looked up there.
  const Dictionary& source_of(std::uint16_t id) const;

  const Character* find(std::uint16_t id) const;
  const SpriteDefinition* sprite(std::uint16_t id) const;
  const ShapeDefinition* shape(std::uint16_t id) const;
  const BitmapDefinition* bitmap(std::uint16_t id) const;
  const FontDefinition* font(std::uint16_t id) const;
  const TextDefinition* text(std::uint16_t id) const;
  const EditTextDefinition* edit_text(std::uint16_t id) const;
  const ButtonDefinition* button(std::uint16_t id) const;
  const MorphShapeDefinition* morph_shape(std::uint16_t id) const;
  const VideoDefinition* video(std::uint16_t id) const;

  std::size_t size() const { return characters_.size(); }

  // The embedded font of that name and style (DefineFont2 and 3 name their
  // fonts; DefineFontInfo names DefineFont's); null when there is none.
  const FontDefinition* font_named(const std::string& name, bool bold, bool italic) const;
  // The device fonts the movie's text fields use.
  DeviceFonts& device_fonts() const { return device_fonts_; }

 private:
  template <typename T>
  const T* get(std::uint16_t id) const {
    const Character* c = find(id);
    return c ? std::get_if<T>(c) : nullptr;
  }
  const Character* defined(std::uint16_t id) const;  // by this movie itself
  // A character this movie defined, of that kind, for a later tag to add to.
  template <typename T>
  T* own(std::uint16_t id) {
    auto it = characters_.find(id);
    return it == characters_.end() ? nullptr : std::get_if<T>(&it->second);
  }
  void define_button_cxform(std::uint16_t id, ByteReader& in);

  std::map<std::uint16_t, Character> characters_;
  std::map<std::uint16_t, std::pair<const Dictionary*, std::uint16_t>> imports_;
  std::vector<std::uint8_t> jpeg_tables_;
  LogCallback log_;
  mutable DeviceFonts device_fonts_;
};

}  // namespace strandel::swf
