#include "swf/dictionary.h"

#include "swf/bytes.h"
#include "swf/records.h"
#include "swf/tags.h"

namespace strandel::swf {

namespace {

// The character a definition tag declares, read after its id, or nothing
// for tags that are not drawn here (sound, video, compiled code).
std::optional<Character> read_character(TagCode tag, ByteReader& in,
                                        std::span<const std::uint8_t> jpeg_tables) {
  switch (tag) {
    case TagCode::DefineShape:
      return read_define_shape(in, 1);
    case TagCode::DefineShape2:
      return read_define_shape(in, 2);
    case TagCode::DefineShape3:
      return read_define_shape(in, 3);
    case TagCode::DefineShape4:
      return read_define_shape(in, 4);
    case TagCode::DefineBits:
      return read_define_bits(in, jpeg_tables);
    case TagCode::DefineBitsJPEG2:
      return read_define_bits_jpeg2(in);
    case TagCode::DefineBitsJPEG3:
      return read_define_bits_jpeg3(in);
    case TagCode::DefineBitsLossless:
      return read_define_bits_lossless(in, false);
    case TagCode::DefineBitsLossless2:
      return read_define_bits_lossless(in, true);
    case TagCode::DefineFont:
      return read_define_font(in);
    case TagCode::DefineFont2:
      return read_define_font2(in, 2);
    case TagCode::DefineFont3:
      return read_define_font2(in, 3);
    case TagCode::DefineText:
      return read_define_text(in, 1);
    case TagCode::DefineText2:
      return read_define_text(in, 2);
    case TagCode::DefineEditText:
      return read_define_edit_text(in);
    case TagCode::DefineButton:
      return read_define_button(in);
    case TagCode::DefineButton2:
      return read_define_button2(in);
    case TagCode::DefineMorphShape:
      return read_define_morph_shape(in, 1);
    case TagCode::DefineMorphShape2:
      return read_define_morph_shape(in, 2);
    case TagCode::DefineVideoStream:
      return read_define_video_stream(in);
    default:
      return std::nullopt;
  }
}

}  // namespace

bool Dictionary::define(std::uint16_t tag_code, std::span<const std::uint8_t> body,
                        std::size_t offset) {
  auto tag = static_cast<TagCode>(tag_code);
  try {
    ByteReader in(body);
    switch (tag) {
      case TagCode::JPEGTables:
        jpeg_tables_.assign(body.begin(), body.end());
        return true;
      case TagCode::DefineSprite: {
        std::uint16_t id = in.u16();
        SpriteDefinition sprite;
        sprite.frame_count = in.u16();
        sprite.tags = body.subspan(in.position());
        characters_.insert_or_assign(id, sprite);
        return true;
      }
      case TagCode::DefineButtonCxform: {
        std::uint16_t id = in.u16();
        define_button_cxform(id, in);
        return true;
      }
      case TagCode::DefineFontInfo:
      case TagCode::DefineFontInfo2:
        if (auto* font = own<FontDefinition>(in.u16()))
          read_define_font_info(in, *font, tag == TagCode::DefineFontInfo2 ? 2 : 1);
        return true;
      case TagCode::DefineButtonSound: {
        ButtonSounds sounds = read_define_button_sound(body);
        if (auto* b = own<ButtonDefinition>(sounds.button_id)) b->sounds = std::move(sounds.on);
        return true;
      }
      case TagCode::CSMTextSettings: {
        // The field's renderer: UseFlashType, the top two bits, 1 for advanced.
        auto* field = own<EditTextDefinition>(in.u16());
        std::uint8_t flags = in.u8();
        if (field) field->advanced_anti_alias = (flags >> 6) == 1;
        return true;
      }
      case TagCode::VideoFrame: {
        auto* video = own<VideoDefinition>(in.u16());
        std::uint16_t number = in.u16();
        if (video) add_video_frame(*video, number, body.subspan(in.position()));
        return true;
      }
      default:
        break;
    }
    // Every character tag starts with its id; a body too short for one
    // fails in the character's reader.
    std::uint16_t id = body.size() >= 2 ? in.u16() : 0;
    if (std::optional<Character> c = read_character(tag, in, jpeg_tables_))
      characters_.insert_or_assign(id, std::move(*c));
    return true;
  } catch (const ReadError& e) {
    if (log_) log_({e.kind(), tag_code, offset, e.what()});
    return false;
  }
}

void Dictionary::define_button_cxform(std::uint16_t id, ByteReader& in) {
  ColorTransform cx = read_cxform(in);
  if (auto* b = own<ButtonDefinition>(id)) b->cxform = cx;
}

void Dictionary::import(std::uint16_t id, const Dictionary& from, std::uint16_t from_id) {
  if (&from == this) return;
  characters_.erase(id);
  imports_.insert_or_assign(id, std::make_pair(&from, from_id));
}

const Dictionary& Dictionary::source_of(std::uint16_t id) const {
  auto it = imports_.find(id);
  return it == imports_.end() || defined(id) ? *this : *it->second.first;
}

const Character* Dictionary::defined(std::uint16_t id) const {
  auto it = characters_.find(id);
  return it == characters_.end() ? nullptr : &it->second;
}

const Character* Dictionary::find(std::uint16_t id) const {
  if (const Character* c = defined(id)) return c;
  auto it = imports_.find(id);
  return it == imports_.end() ? nullptr : it->second.first->defined(it->second.second);
}

const VideoDefinition* Dictionary::video(std::uint16_t id) const {
  return get<VideoDefinition>(id);
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
const MorphShapeDefinition* Dictionary::morph_shape(std::uint16_t id) const {
  return get<MorphShapeDefinition>(id);
}

// A font of the name in another style serves when the style asked for is
// missing, so that the text shows rather than vanishes.
const FontDefinition* Dictionary::font_named(const std::string& name, bool bold,
                                             bool italic) const {
  const FontDefinition* other_style = nullptr;
  for (const auto& [id, c] : characters_) {
    const auto* f = std::get_if<FontDefinition>(&c);
    if (!f || f->name != name || f->glyphs.empty()) continue;
    if (f->bold == bold && f->italic == italic) return f;
    if (!other_style) other_style = f;
  }
  return other_style;
}

}  // namespace strandel::swf
