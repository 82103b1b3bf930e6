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

namespace strandel::swf {

// DefineSprite: a frame count and the sprite's own control tags, which
// point into the movie's bytes (the Movie outlives the dictionary).
struct SpriteDefinition {
  std::uint16_t frame_count = 0;
  std::span<const std::uint8_t> tags;  // the tag stream after SpriteID and FrameCount
};

using Character = std::variant<SpriteDefinition>;

class Dictionary {
 public:
  // Reads one definition tag. Returns a reason when the record cannot be read;
  // the character is then left out and the movie plays on. Tags that define
  // nothing this player draws are ignored.
  std::optional<std::string> define(std::uint16_t tag_code, std::span<const std::uint8_t> body);

  const Character* find(std::uint16_t id) const;
  const SpriteDefinition* sprite(std::uint16_t id) const;

 private:
  std::map<std::uint16_t, Character> characters_;
};

}  // namespace strandel::swf
