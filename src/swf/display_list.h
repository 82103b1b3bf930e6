// The display list: what is on the stage (or inside a sprite) at the current
// frame, keyed by depth and drawn from the lowest depth up.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/blend.h"
#include "swf/filters.h"
#include "swf/geometry.h"

namespace strandel::avm1 {
class Object;
}

namespace strandel::swf {

// Button states, with the bit values that ButtonRecord uses for them.
enum class ButtonState : std::uint8_t { Up = 1, Over = 2, Down = 4, HitTest = 8 };

struct SpriteInstance;
class TextField;

struct DisplayObject {
  std::uint16_t character_id = 0;
  Matrix matrix;
  ColorTransform cxform;
  std::uint16_t clip_depth = 0;  // non-zero: this object masks depths up to clip_depth
  std::uint16_t ratio = 0;
  std::string name;
  BlendMode blend_mode = BlendMode::Normal;
  std::vector<Filter> filters;  // applied in order to the object's picture
  bool cache_as_bitmap = false;
  bool visible = true;                    // hidden objects are not drawn
  std::optional<Rgba> opaque_background;  // filled behind the object, over its bounds
  std::optional<Rect> scroll_rect;        // twips of its own space: the part shown, at 0,0
  // Set when the character is a sprite: its own timeline and display list.
  std::shared_ptr<SpriteInstance> sprite;
  // Used when the character is a button.
  ButtonState button_state = ButtonState::Up;
  // Set when the character is a text field: its text and properties.
  std::shared_ptr<TextField> text_field;
};

using DisplayList = std::map<std::uint16_t, DisplayObject>;  // by depth

struct SpriteInstance : std::enable_shared_from_this<SpriteInstance> {
  DisplayList display_list;
  std::uint16_t current_frame = 0;  // 1-based once the first frame has been shown
  bool playing = true;
  // What scripts see of the clip.
  std::uint16_t character_id = 0;  // 0 for the main timeline
  std::weak_ptr<SpriteInstance> parent;
  std::string name;
  avm1::Object* script = nullptr;  // made by the script machine when first needed
};

// What one PlaceObject, PlaceObject2 or PlaceObject3 record asks for; the
// fields the record leaves out are unset.
struct Placement {
  std::uint16_t depth = 0;
  bool move = false;  // modify (or, with a character, replace) what is at depth
  std::optional<std::uint16_t> character_id;
  std::optional<Matrix> matrix;
  std::optional<ColorTransform> cxform;
  std::optional<std::uint16_t> ratio;
  std::optional<std::string> name;
  std::optional<std::uint16_t> clip_depth;
  std::optional<std::vector<Filter>> filters;  // PlaceObject3 only, as are the next two
  std::optional<BlendMode> blend_mode;
  std::optional<bool> cache_as_bitmap;
  std::optional<bool> visible;
  std::optional<Rgba> opaque_background;
};

// Reads a PlaceObject (4), PlaceObject2 (26) or PlaceObject3 (70) body, up
// to PlaceObject3's filters, blend mode, bitmap caching, visibility and
// background colour; clip actions are left unread. Empty when the record is cut short
// before those or the code is not a placement; a bad filter list leaves
// PlaceObject3's later fields unset.
std::optional<Placement> read_placement(std::uint16_t tag_code, std::span<const std::uint8_t> body);

// Applies a placement. Returns the object placed or changed, or nullptr when
// the record changed nothing. An object whose character changes loses its
// sprite instance; the caller gives it a new one.
DisplayObject* apply_placement(DisplayList& list, const Placement& placement);

// Reads RemoveObject (5) or RemoveObject2 (28): the depth to clear.
std::optional<std::uint16_t> read_removal_depth(std::uint16_t tag_code,
                                                std::span<const std::uint8_t> body);

}  // namespace strandel::swf
