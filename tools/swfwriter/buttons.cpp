// Buttons: DefineButton, DefineButton2 and DefineButtonCxform.
#include "swfwriter/swfwriter.h"

namespace swfw {

// BUTTONRECORD: reserved bits, blend/filter flags (left clear), the four
// state flags with Up in bit 0, character, depth, matrix; DefineButton2
// adds a CXFORMWITHALPHA.
static void write_button_record(Writer& w, const ButtonRecord& r, bool with_cxform) {
  w.u8(r.states & 0x0F);
  w.u16(r.character);
  w.u16(r.depth);
  w.matrix(r.matrix);
  if (with_cxform) w.cxform(r.cxform, true);
}

void Movie::define_button(std::uint16_t id, const std::vector<ButtonRecord>& records,
                          const Actions& actions) {
  Writer w;
  w.u16(id);
  for (const auto& r : records) write_button_record(w, r, false);
  w.u8(0);  // CharacterEndFlag
  w.append(actions.ended());
  tag(tag::DefineButton, w.take());
}

// DefineButton2: ActionOffset counts from its own first byte to the first
// BUTTONCONDACTION (0 without actions); each BUTTONCONDACTION starts with the
// size of itself (0 for the last one).
void Movie::define_button2(std::uint16_t id, const Button& b) {
  Writer records;
  for (const auto& r : b.records) write_button_record(records, r, true);
  records.u8(0);  // CharacterEndFlag
  const Bytes characters = records.take();

  Writer w;
  w.u16(id);
  w.u8(b.track_as_menu ? 1 : 0);
  w.u16(b.actions.empty() ? 0 : static_cast<std::uint16_t>(2 + characters.size()));
  w.append(characters);
  for (std::size_t i = 0; i < b.actions.size(); ++i) {
    const Bytes code = b.actions[i].actions.ended();
    const bool last = i + 1 == b.actions.size();
    w.u16(last ? 0 : static_cast<std::uint16_t>(4 + code.size()));
    w.u8(static_cast<std::uint8_t>(b.actions[i].conditions >> 8));
    w.u8(static_cast<std::uint8_t>(b.actions[i].conditions));
    w.append(code);
  }
  tag(tag::DefineButton2, w.take());
}

void Movie::define_button_cxform(std::uint16_t id, const Cxform& c) {
  Writer w;
  w.u16(id);
  w.cxform(c, false);
  tag(tag::DefineButtonCxform, w.take());
}

}  // namespace swfw
