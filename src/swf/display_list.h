// The display tree: what is on the stage at the current frame. Each display
// object has a stable identity (the parent owns its children, keyed by depth,
// drawn from the lowest depth up); a movie clip holds its own timeline state
// and children. Scripts refer to objects weakly and find them again by path.
//
// Depths are as scripts see them: the timeline's depth d is d - 16384, so
// timeline objects sit below the depths scripts use from 0 up.
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
#include "swf/sound_transform.h"

namespace strandel::avm1 {
class Object;
}

namespace strandel::swf {

// Button states, with the bit values that ButtonRecord uses for them.
enum class ButtonState : std::uint8_t { Up = 1, Over = 2, Down = 4, HitTest = 8 };

class TextField;
class Dictionary;
struct StreamedVideo;
class Drawing;
class BitmapData;
class Timeline;

// The timeline's depth 1 is this script depth.
inline constexpr std::int32_t kTimelineDepthOffset = -16384;
constexpr std::int32_t script_depth(std::uint16_t timeline_depth) {
  return static_cast<std::int32_t>(timeline_depth) + kTimelineDepthOffset;
}

// Clip events, with the bits of the 32-bit CLIPEVENTFLAGS as read little-endian.
namespace clip_event {
constexpr std::uint32_t KeyUp = 0x80, KeyDown = 0x40, MouseUp = 0x20, MouseDown = 0x10,
                        MouseMove = 0x08, Unload = 0x04, EnterFrame = 0x02, Load = 0x01,
                        DragOver = 0x8000, RollOut = 0x4000, RollOver = 0x2000,
                        ReleaseOutside = 0x1000, Release = 0x0800, Press = 0x0400,
                        Initialize = 0x0200, Data = 0x0100, Construct = 0x040000,
                        KeyPress = 0x020000, DragOut = 0x010000;
}  // namespace clip_event

// One onClipEvent handler of a PlaceObject2 or PlaceObject3 record.
struct ClipAction {
  std::uint32_t events = 0;               // clip_event bits
  std::uint8_t key_code = 0;              // for KeyPress
  std::span<const std::uint8_t> actions;  // into the movie's bytes
};

struct DisplayObject;
using DisplayList = std::map<std::int32_t, std::shared_ptr<DisplayObject>>;  // by depth

// The timeline part of a movie clip.
struct SpriteInstance {
  DisplayList display_list;
  std::uint16_t current_frame = 0;  // 1-based once the first frame has been shown
  bool playing = true;
  // Set when another movie has been loaded into the clip: its main timeline
  // (owned by the player) and the URL it came from.
  const Timeline* loaded = nullptr;
  std::string url;
  std::size_t loaded_bytes = 0;  // the size of the movie's file
  // The loaded movie's characters, which the clip's content is made of.
  const Dictionary* dictionary = nullptr;
};

enum class DisplayKind : std::uint8_t { Graphic, MovieClip, Button, EditText, Video };

struct DisplayObject : std::enable_shared_from_this<DisplayObject> {
  DisplayKind kind = DisplayKind::Graphic;
  std::uint16_t character_id = 0;  // 0: made by a script, or the main timeline
  std::int32_t depth = 0;
  Matrix matrix;
  ColorTransform cxform;
  std::int32_t clip_depth = 0;  // non-zero: this object masks depths up to clip_depth
  std::uint16_t ratio = 0;
  std::string name;
  BlendMode blend_mode = BlendMode::Normal;
  std::vector<Filter> filters;  // applied in order to the object's picture
  bool cache_as_bitmap = false;
  bool visible = true;                    // hidden objects are not drawn
  std::optional<bool> focus_rect;         // _focusrect; unset: the player's setting
  std::optional<Rgba> opaque_background;  // filled behind the object, over its bounds
  std::optional<Rect> scroll_rect;        // twips of its own space: the part shown, at 0,0
  // Set for movie clips: their timeline and children.
  std::unique_ptr<SpriteInstance> sprite;
  // What the clip's drawing-API calls made, drawn under its children.
  std::shared_ptr<Drawing> drawing;
  // Used when the character is a button.
  ButtonState button_state = ButtonState::Up;
  // Set when the character is a text field: its text and properties.
  std::shared_ptr<TextField> text_field;
  // Set when the object shows a script's bitmap (attachBitmap): drawn one
  // pixel per twenty twips, smoothed when asked.
  std::shared_ptr<BitmapData> bitmap;
  bool smoothing = false;
  // Set when a Video object shows a script's stream (attachVideo): its
  // current frame, scaled to the video character's size.
  std::shared_ptr<const StreamedVideo> video_stream;

  // What scripts see and change.
  DisplayObject* parent = nullptr;
  avm1::Object* script = nullptr;  // made by the script machine when first needed
  std::vector<ClipAction> clip_actions;
  // Scale (1 is 100%) and the rotations of the two axes (radians), kept
  // apart from the matrix so that a zero scale keeps its rotation.
  double x_scale = 1, y_scale = 1, x_rotation = 0, y_rotation = 0;
  bool placed_by_script = false;       // attachMovie and friends: the timeline leaves it alone
  bool transformed_by_script = false;  // the timeline no longer moves it
  std::uint16_t placed_frame = 0;      // the parent's frame whose PlaceObject made it
  bool initialized = false;            // its load event has been sent
  bool removed = false;      // off the stage; scripts still holding it find it again by path
  bool lock_root = false;    // _root, for scripts inside it, stops here
  std::uint8_t version = 0;  // of the movie its character comes from
  SoundTransform sound;      // set by Sound objects that target this clip

  bool is_clip() const { return kind == DisplayKind::MovieClip; }
  const DisplayList* children() const { return sprite ? &sprite->display_list : nullptr; }
  DisplayList* children() { return sprite ? &sprite->display_list : nullptr; }
  // Takes a new matrix (from the timeline) and the scale and rotation in it.
  void set_matrix(const Matrix& m);
  // Rebuilds the matrix from x_scale, y_scale and the rotations, keeping the
  // translation.
  void write_scale_rotation();
};

// The characters an object's content comes from: those of the movie loaded
// into it, if one is, else `outer` (its parent's).
inline const Dictionary& content_dictionary(const DisplayObject& object, const Dictionary& outer) {
  return object.sprite && object.sprite->dictionary ? *object.sprite->dictionary : outer;
}

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
  std::vector<ClipAction> clip_actions;  // PlaceObject2 and 3, for movie clips
};

// Reads a PlaceObject (4), PlaceObject2 (26) or PlaceObject3 (70) body, up
// to PlaceObject3's filters, blend mode, bitmap caching, visibility and
// background colour, then its clip actions (whose event flags are 16 bits
// before version 6). Empty when the record is cut short before its fields
// or the code is not a placement; bad effects or clip actions leave those
// unset.
std::optional<Placement> read_placement(std::uint16_t tag_code, std::span<const std::uint8_t> body,
                                        std::uint8_t swf_version = 6);

// Sets the fields a placement gives on an object.
void apply_placement_fields(DisplayObject& obj, const Placement& p);

// Applies a placement to a list of plain objects (no timelines): what a
// sprite shown only as a picture holds. Returns the object, or null.
DisplayObject* apply_placement(DisplayList& list, const Placement& placement);

// Reads RemoveObject (5) or RemoveObject2 (28): the depth to clear.
std::optional<std::uint16_t> read_removal_depth(std::uint16_t tag_code,
                                                std::span<const std::uint8_t> body);

}  // namespace strandel::swf
