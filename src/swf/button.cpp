#include "swf/button.h"

#include <algorithm>

#include "swf/filters.h"
#include "swf/records.h"

namespace strandel::swf {

namespace {

constexpr std::uint8_t kHasFilterList = 0x10, kHasBlendMode = 0x20;

ButtonRecord read_button_record(ByteReader& in, std::uint8_t flags, bool with_cxform) {
  ButtonRecord r;
  r.states = flags & 0x0F;
  r.character_id = in.u16();
  r.depth = in.u16();
  r.matrix = read_matrix(in);
  if (with_cxform) r.cxform = read_cxform_with_alpha(in);
  if (flags & kHasFilterList) r.filters = read_filter_list(in);
  if (flags & kHasBlendMode) r.blend_mode = blend_mode_from_byte(in.u8());
  return r;
}

// Records up to the CharacterEndFlag byte.
std::vector<ButtonRecord> read_button_records(ByteReader& in, bool with_cxform) {
  std::vector<ButtonRecord> records;
  for (;;) {
    std::uint8_t flags = in.u8();
    if (flags == 0) {
      std::stable_sort(records.begin(), records.end(),
                       [](const ButtonRecord& a, const ButtonRecord& b) { return a.depth < b.depth; });
      return records;
    }
    records.push_back(read_button_record(in, flags, with_cxform));
  }
}

}  // namespace

ButtonDefinition read_define_button(ByteReader& in) {
  ButtonDefinition b;
  b.records = read_button_records(in, false);
  ButtonAction release;
  release.conditions = button_condition::OverDownToOverUp;
  release.actions = in.bytes(in.remaining());
  if (!release.actions.empty()) b.actions.push_back(release);
  return b;
}

ButtonDefinition read_define_button2(ByteReader& in) {
  ButtonDefinition b;
  b.track_as_menu = (in.u8() & 0x01) != 0;
  std::size_t offset_at = in.position();
  std::uint16_t action_offset = in.u16();
  b.records = read_button_records(in, true);
  if (action_offset == 0) return b;
  // ActionOffset counts from the field itself to the first BUTTONCONDACTION.
  ByteReader actions(in.data());
  actions.skip(offset_at);
  actions.skip(action_offset);
  for (;;) {
    std::size_t start = actions.position();
    std::uint16_t size = actions.u16();
    std::uint8_t first = actions.u8(), second = actions.u8();
    ButtonAction a;
    a.conditions = static_cast<std::uint16_t>((first << 8) | second);
    if (size == 0) {  // the last block runs to the end of the tag
      a.actions = actions.bytes(actions.remaining());
      b.actions.push_back(a);
      return b;
    }
    if (size < 4) throw ReadError("button action block is shorter than its header");
    a.actions = actions.bytes(start + size - actions.position());
    b.actions.push_back(a);
  }
}

}  // namespace strandel::swf
