// Action records: one byte of code, and for codes 0x80 and above a UI16
// length and that many bytes of payload.
#include <bit>

#include "swfwriter/swfwriter.h"

namespace swfw {

Actions& Actions::op(std::uint8_t code) {
  bytes_.push_back(code);
  ended_ = code == op::End;
  return *this;
}

Actions& Actions::op(std::uint8_t code, const Bytes& payload) {
  Writer w;
  w.u8(code);
  w.u16(static_cast<std::uint16_t>(payload.size()));
  w.append(payload);
  raw(w.take());
  return *this;
}

Actions& Actions::raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  ended_ = false;
  return *this;
}

Bytes Actions::ended() const {
  Bytes b = bytes_;
  if (!ended_) b.push_back(op::End);
  return b;
}

Actions& Actions::goto_frame(std::uint16_t frame) {
  Writer w;
  w.u16(frame);
  return op(op::GotoFrame, w.take());
}

Actions& Actions::goto_label(const std::string& label) {
  Writer w;
  w.str(label);
  return op(op::GoToLabel, w.take());
}

Actions& Actions::get_url(const std::string& url, const std::string& target) {
  Writer w;
  w.str(url);
  w.str(target);
  return op(op::GetURL, w.take());
}

Actions& Actions::get_url2(std::uint8_t flags) { return op(op::GetURL2, {flags}); }

Actions& Actions::set_target(const std::string& target) {
  Writer w;
  w.str(target);
  return op(op::SetTarget, w.take());
}

Actions& Actions::wait_for_frame(std::uint16_t frame, std::uint8_t skip_count) {
  Writer w;
  w.u16(frame);
  w.u8(skip_count);
  return op(op::WaitForFrame, w.take());
}

// GotoFrame2: reserved bits, SceneBiasFlag (bit 1, left clear), PlayFlag (bit 0).
Actions& Actions::goto_frame2(bool play) {
  return op(op::GotoFrame2, {static_cast<std::uint8_t>(play ? 1 : 0)});
}

Actions& Actions::jump(std::int16_t offset) {
  Writer w;
  w.s16(offset);
  return op(op::Jump, w.take());
}

Actions& Actions::if_true(std::int16_t offset) {
  Writer w;
  w.s16(offset);
  return op(op::If, w.take());
}

Actions& Actions::store_register(std::uint8_t r) { return op(op::StoreRegister, {r}); }

Actions& Actions::constant_pool(const std::vector<std::string>& constants) {
  Writer w;
  w.u16(static_cast<std::uint16_t>(constants.size()));
  for (const auto& c : constants) w.str(c);
  return op(op::ConstantPool, w.take());
}

// ActionPush value types: 0 string, 1 float, 2 null, 3 undefined, 4 register,
// 5 boolean, 6 double, 7 integer, 8 constant8, 9 constant16.
Actions& Actions::push_string(const std::string& s) {
  Writer w;
  w.u8(0);
  w.str(s);
  return op(op::Push, w.take());
}

Actions& Actions::push_float(float f) {
  Writer w;
  w.u8(1);
  w.f32(f);
  return op(op::Push, w.take());
}

Actions& Actions::push_null() { return op(op::Push, {2}); }

Actions& Actions::push_undefined() { return op(op::Push, {3}); }

Actions& Actions::push_register(std::uint8_t r) { return op(op::Push, {4, r}); }

Actions& Actions::push_bool(bool b) { return op(op::Push, {5, static_cast<std::uint8_t>(b)}); }

// Push doubles store the high 32 bits first, each half little-endian.
Actions& Actions::push_number(double d) {
  const auto bits = std::bit_cast<std::uint64_t>(d);
  Writer w;
  w.u8(6);
  w.u32(static_cast<std::uint32_t>(bits >> 32));
  w.u32(static_cast<std::uint32_t>(bits));
  return op(op::Push, w.take());
}

Actions& Actions::push_int(std::int32_t i) {
  Writer w;
  w.u8(7);
  w.u32(static_cast<std::uint32_t>(i));
  return op(op::Push, w.take());
}

Actions& Actions::push_constant(std::uint16_t index) {
  Writer w;
  if (index < 256) {
    w.u8(8);
    w.u8(static_cast<std::uint8_t>(index));
  } else {
    w.u8(9);
    w.u16(index);
  }
  return op(op::Push, w.take());
}

}  // namespace swfw
