#include "swf/display_list.h"

#include <cmath>

#include "swf/bytes.h"
#include "swf/records.h"
#include "swf/tags.h"

namespace strandel::swf {

namespace {

// PlaceObject2 and PlaceObject3 flag bits (their first flag byte).
constexpr std::uint8_t kHasClipActions = 0x80;
constexpr std::uint8_t kHasClipDepth = 0x40;
constexpr std::uint8_t kHasName = 0x20;
constexpr std::uint8_t kHasRatio = 0x10;
constexpr std::uint8_t kHasColorTransform = 0x08;
constexpr std::uint8_t kHasMatrix = 0x04;
constexpr std::uint8_t kHasCharacter = 0x02;
constexpr std::uint8_t kMove = 0x01;
// PlaceObject3's second flag byte.
constexpr std::uint8_t kHasOpaqueBackground = 0x40;
constexpr std::uint8_t kHasVisible = 0x20;
constexpr std::uint8_t kHasImage = 0x10;
constexpr std::uint8_t kHasClassName = 0x08;
constexpr std::uint8_t kHasCacheAsBitmap = 0x04;
constexpr std::uint8_t kHasBlendMode = 0x02;
constexpr std::uint8_t kHasFilterList = 0x01;

// PlaceObject: CharacterId, Depth, Matrix, and a CXFORM when bytes remain.
Placement read_place_object(ByteReader& in) {
  Placement p;
  p.character_id = in.u16();
  p.depth = in.u16();
  p.matrix = read_matrix(in);
  if (!in.at_end()) p.cxform = read_cxform(in);
  return p;
}

// The fields PlaceObject3 adds after the clip depth. Fields that cannot be
// read are left unset, and the ones after them too: the object is still
// placed with the rest.
void read_place_object3_effects(ByteReader& in, std::uint8_t flags3, Placement& p) {
  try {
    if (flags3 & kHasFilterList) p.filters = read_filter_list(in);
    if (flags3 & kHasBlendMode) p.blend_mode = blend_mode_from_byte(in.u8());
    if (flags3 & kHasCacheAsBitmap) p.cache_as_bitmap = in.u8() != 0;
    if (flags3 & kHasVisible) p.visible = in.u8() != 0;
    if (flags3 & kHasOpaqueBackground) p.opaque_background = read_rgba(in);
  } catch (const ReadError&) {
  }
}

// CLIPACTIONS: a reserved u16, the union of the events, then one record per
// handler (its events, a u32 size, a key code for KeyPress, the actions),
// ended by empty flags. Event flags are u16 before version 6. The whole
// handlers read before the data runs out are kept, as the vendor's player
// keeps them when the end marker is cut short. A handler hears only the
// events the union names too: the union is what the player listens for.
void read_clip_actions(ByteReader& in, std::uint8_t version, std::vector<ClipAction>& actions) {
  auto flags = [&]() -> std::uint32_t { return version >= 6 ? in.u32() : in.u16(); };
  in.u16();
  std::uint32_t heard = flags();
  while (!in.at_end()) {
    std::uint32_t events = flags();
    if (events == 0) break;
    std::uint32_t size = in.u32();
    ClipAction a;
    a.events = events;
    if ((events & clip_event::KeyPress) && size > 0) {
      a.key_code = in.u8();
      --size;
    }
    a.actions = in.bytes(size);
    a.events &= heard;
    if (a.events != 0) actions.push_back(a);
  }
}

Placement read_place_object2(ByteReader& in, bool version3, std::uint8_t version) {
  Placement p;
  std::uint8_t flags = in.u8();
  std::uint8_t flags3 = version3 ? in.u8() : 0;
  p.depth = in.u16();
  if (version3 && ((flags3 & kHasClassName) || ((flags3 & kHasImage) && (flags & kHasCharacter))))
    in.cstring();  // ClassName: names a class of compiled code, not drawn here
  p.move = flags & kMove;
  if (flags & kHasCharacter) p.character_id = in.u16();
  if (flags & kHasMatrix) p.matrix = read_matrix(in);
  if (flags & kHasColorTransform) p.cxform = read_cxform_with_alpha(in);
  if (flags & kHasRatio) p.ratio = in.u16();
  if (flags & kHasName) p.name = in.cstring();
  if (flags & kHasClipDepth) p.clip_depth = in.u16();
  if (version3) read_place_object3_effects(in, flags3, p);
  if (flags & kHasClipActions) {
    try {
      read_clip_actions(in, version, p.clip_actions);
    } catch (const ReadError&) {
      // cut short: the handlers read so far stay
    }
  }
  return p;
}

}  // namespace

void apply_placement_fields(DisplayObject& obj, const Placement& p) {
  if (p.matrix) obj.set_matrix(*p.matrix);
  if (p.cxform) obj.cxform = *p.cxform;
  if (p.ratio) obj.ratio = *p.ratio;
  if (p.name) obj.name = *p.name;
  if (p.clip_depth) obj.clip_depth = script_depth(*p.clip_depth);
  if (p.filters) obj.filters = *p.filters;
  if (p.blend_mode) obj.blend_mode = *p.blend_mode;
  if (p.cache_as_bitmap) obj.cache_as_bitmap = *p.cache_as_bitmap;
  if (p.visible) obj.visible = *p.visible;
  if (p.opaque_background) obj.opaque_background = *p.opaque_background;
}

void DisplayObject::set_matrix(const Matrix& m) {
  matrix = m;
  x_scale = std::hypot(m.a, m.b);
  y_scale = std::hypot(m.c, m.d);
  x_rotation = std::atan2(m.b, m.a);
  y_rotation = std::atan2(-m.c, m.d);
}

void DisplayObject::write_scale_rotation() {
  matrix.a = x_scale * std::cos(x_rotation);
  matrix.b = x_scale * std::sin(x_rotation);
  matrix.c = -y_scale * std::sin(y_rotation);
  matrix.d = y_scale * std::cos(y_rotation);
}

std::optional<Placement> read_placement(std::uint16_t tag_code, std::span<const std::uint8_t> body,
                                        std::uint8_t swf_version) {
  ByteReader in(body);
  try {
    switch (static_cast<TagCode>(tag_code)) {
      case TagCode::PlaceObject:
        return read_place_object(in);
      case TagCode::PlaceObject2:
        return read_place_object2(in, false, swf_version);
      case TagCode::PlaceObject3:
        return read_place_object2(in, true, swf_version);
      default:
        return std::nullopt;
    }
  } catch (const ReadError&) {
    return std::nullopt;
  }
}

// Without Move a character is placed afresh at the depth (whatever was there
// goes). With Move the object at the depth is changed; given a character as
// well, it takes the new character and keeps the properties not given.
DisplayObject* apply_placement(DisplayList& list, const Placement& p) {
  std::int32_t depth = script_depth(p.depth);
  auto it = list.find(depth);
  if (!p.move || it == list.end()) {
    if (!p.character_id) return nullptr;
    auto obj = std::make_shared<DisplayObject>();
    obj->character_id = *p.character_id;
    obj->depth = depth;
    apply_placement_fields(*obj, p);
    list[depth] = obj;
    return obj.get();
  }
  DisplayObject& obj = *it->second;
  if (p.character_id && *p.character_id != obj.character_id) {
    obj.character_id = *p.character_id;
    obj.text_field.reset();
    obj.button_state = ButtonState::Up;
  }
  apply_placement_fields(obj, p);
  return &obj;
}

std::optional<std::uint16_t> read_removal_depth(std::uint16_t tag_code,
                                                std::span<const std::uint8_t> body) {
  ByteReader in(body);
  try {
    if (tag_code == code(TagCode::RemoveObject)) {
      in.u16();  // CharacterId: the depth alone says what goes
      return in.u16();
    }
    if (tag_code == code(TagCode::RemoveObject2)) return in.u16();
  } catch (const ReadError&) {
  }
  return std::nullopt;
}

}  // namespace strandel::swf
