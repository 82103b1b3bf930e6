#include "swf/dictionary.h"

#include <string_view>

#include "swf/bytes.h"
#include "swf/records.h"
#include "swf/tags.h"

namespace strandel::swf {

namespace {

// The character a definition tag declares, or nothing for tags that are not
// drawn here (sound, video, morph shapes, compiled code).
std::optional<Character> read_character(TagCode tag, ByteReader& in,
                                        std::span<const std::uint8_t> jpeg_tables) {
  switch (tag) {
    case TagCode::DefineShape: return read_define_shape(in, 1);
    case TagCode::DefineShape2: return read_define_shape(in, 2);
    case TagCode::DefineShape3: return read_define_shape(in, 3);
    case TagCode::DefineShape4: return read_define_shape(in, 4);
    case TagCode::DefineBits: return read_define_bits(in, jpeg_tables);
    case TagCode::DefineBitsJPEG2: return read_define_bits_jpeg2(in);
    case TagCode::DefineBitsJPEG3: return read_define_bits_jpeg3(in);
    case TagCode::DefineBitsLossless: return read_define_bits_lossless(in, false);
    case TagCode::DefineBitsLossless2: return read_define_bits_lossless(in, true);
    case TagCode::DefineFont: return read_define_font(in);
    case TagCode::DefineFont2: return read_define_font2(in, 2);
    case TagCode::DefineFont3: return read_define_font2(in, 3);
    case TagCode::DefineText: return read_define_text(in, 1);
    case TagCode::DefineText2: return read_define_text(in, 2);
    case TagCode::DefineEditText: return read_define_edit_text(in);
    case TagCode::DefineButton: return read_define_button(in);
    case TagCode::DefineButton2: return read_define_button2(in);
    default: return std::nullopt;
  }
}

// Names of the tags read here; "tag" for every other.
const char* tag_name(TagCode tag) {
  switch (tag) {
    case TagCode::DefineShape: return "DefineShape";
    case TagCode::DefineShape2: return "DefineShape2";
    case TagCode::DefineShape3: return "DefineShape3";
    case TagCode::DefineShape4: return "DefineShape4";
    case TagCode::DefineBits: return "DefineBits";
    case TagCode::DefineBitsJPEG2: return "DefineBitsJPEG2";
    case TagCode::DefineBitsJPEG3: return "DefineBitsJPEG3";
    case TagCode::DefineBitsLossless: return "DefineBitsLossless";
    case TagCode::DefineBitsLossless2: return "DefineBitsLossless2";
    case TagCode::DefineFont: return "DefineFont";
    case TagCode::DefineFont2: return "DefineFont2";
    case TagCode::DefineFont3: return "DefineFont3";
    case TagCode::DefineText: return "DefineText";
    case TagCode::DefineText2: return "DefineText2";
    case TagCode::DefineEditText: return "DefineEditText";
    case TagCode::DefineButton: return "DefineButton";
    case TagCode::DefineButton2: return "DefineButton2";
    case TagCode::DefineButtonCxform: return "DefineButtonCxform";
    case TagCode::DefineSprite: return "DefineSprite";
    case TagCode::JPEGTables: return "JPEGTables";
    default: return "tag";
  }
}

}  // namespace

std::optional<std::string> Dictionary::define(std::uint16_t tag_code,
                                              std::span<const std::uint8_t> body) {
  auto tag = static_cast<TagCode>(tag_code);
  try {
    ByteReader in(body);
    switch (tag) {
      case TagCode::JPEGTables:
        jpeg_tables_.assign(body.begin(), body.end());
        return std::nullopt;
      case TagCode::DefineSprite: {
        std::uint16_t id = in.u16();
        SpriteDefinition sprite;
        sprite.frame_count = in.u16();
        sprite.tags = body.subspan(in.position());
        characters_.insert_or_assign(id, sprite);
        return std::nullopt;
      }
      case TagCode::DefineButtonCxform: {
        std::uint16_t id = in.u16();
        define_button_cxform(id, in);
        return std::nullopt;
      }
      default:
        break;
    }
    if (std::string_view(tag_name(tag)) == "tag") return std::nullopt;  // not read here
    std::uint16_t id = in.u16();
    std::optional<Character> c = read_character(tag, in, jpeg_tables_);
    if (c) characters_.insert_or_assign(id, std::move(*c));
    return std::nullopt;
  } catch (const ReadError& e) {
    return std::string(tag_name(tag)) + ": " + e.what();
  }
}

void Dictionary::define_button_cxform(std::uint16_t id, ByteReader& in) {
  ColorTransform cx = read_cxform(in);
  auto it = characters_.find(id);
  if (it == characters_.end()) return;
  if (auto* b = std::get_if<ButtonDefinition>(&it->second)) b->cxform = cx;
}

const Character* Dictionary::find(std::uint16_t id) const {
  auto it = characters_.find(id);
  return it == characters_.end() ? nullptr : &it->second;
}

const SpriteDefinition* Dictionary::sprite(std::uint16_t id) const {
  return get<SpriteDefinition>(id);
}
const ShapeDefinition* Dictionary::shape(std::uint16_t id) const {
  return get<ShapeDefinition>(id);
}
const BitmapDefinition* Dictionary::bitmap(std::uint16_t id) const {
  return get<BitmapDefinition>(id);
}
const FontDefinition* Dictionary::font(std::uint16_t id) const { return get<FontDefinition>(id); }
const TextDefinition* Dictionary::text(std::uint16_t id) const { return get<TextDefinition>(id); }
const EditTextDefinition* Dictionary::edit_text(std::uint16_t id) const {
  return get<EditTextDefinition>(id);
}
const ButtonDefinition* Dictionary::button(std::uint16_t id) const {
  return get<ButtonDefinition>(id);
}

}  // namespace strandel::swf
