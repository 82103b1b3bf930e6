#include "swf/dictionary.h"

#include "swf/bytes.h"

namespace strandel::swf {

namespace {
constexpr std::uint16_t kDefineSprite = 39;
}

std::optional<std::string> Dictionary::define(std::uint16_t tag_code,
                                              std::span<const std::uint8_t> body) {
  try {
    ByteReader in(body);
    switch (tag_code) {
      case kDefineSprite: {
        std::uint16_t id = in.u16();
        SpriteDefinition sprite;
        sprite.frame_count = in.u16();
        sprite.tags = body.subspan(in.position());
        characters_.insert_or_assign(id, sprite);
        return std::nullopt;
      }
      default:
        return std::nullopt;
    }
  } catch (const ReadError& e) {
    return std::string(e.what());
  }
}

const Character* Dictionary::find(std::uint16_t id) const {
  auto it = characters_.find(id);
  return it == characters_.end() ? nullptr : &it->second;
}

const SpriteDefinition* Dictionary::sprite(std::uint16_t id) const {
  const Character* c = find(id);
  return c ? std::get_if<SpriteDefinition>(c) : nullptr;
}

}  // namespace strandel::swf
