#include "swf/actions.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "swf/bytes.h"

namespace strandel::swf {

namespace {

// Action codes, named as the format names them.
enum Action : std::uint8_t {
  ActionEnd = 0x00,
  ActionNextFrame = 0x04,
  ActionPrevFrame = 0x05,
  ActionPlay = 0x06,
  ActionStop = 0x07,
  ActionStopSounds = 0x09,
  ActionNot = 0x12,
  ActionPop = 0x17,
  ActionSetTarget2 = 0x20,
  ActionGotoFrame = 0x81,
  ActionGetURL = 0x83,
  ActionStoreRegister = 0x87,
  ActionConstantPool = 0x88,
  ActionSetTarget = 0x8B,
  ActionGotoLabel = 0x8C,
  ActionPush = 0x96,
  ActionJump = 0x99,
  ActionGetURL2 = 0x9A,
  ActionIf = 0x9D,
  ActionGotoFrame2 = 0x9F,
};

// ActionPush value types.
enum PushType : std::uint8_t {
  PushString = 0,
  PushFloat = 1,
  PushNull = 2,
  PushUndefined = 3,
  PushRegister = 4,
  PushBoolean = 5,
  PushDouble = 6,
  PushInteger = 7,
  PushConstant8 = 8,
  PushConstant16 = 9,
};

constexpr std::size_t kRegisterCount = 4;
constexpr std::size_t kMaxStack = 10000;

std::string hex_code(std::uint8_t code) {
  char b[8];
  std::snprintf(b, sizeof b, "0x%02x", code);
  return b;
}

class Interpreter {
 public:
  Interpreter(std::span<const std::uint8_t> block, TimelineControl& timeline, std::uint8_t version)
      : block_(block), timeline_(timeline), version_(version) {}

  ActionRun run();

 private:
  // Executes the record; returns false when the block ends.
  bool execute(std::uint8_t code, std::span<const std::uint8_t> body, std::size_t end);
  void push(ActionValue v) {
    if (stack_.size() < kMaxStack) stack_.push_back(std::move(v));
  }
  ActionValue pop() {
    if (stack_.empty()) return {};
    ActionValue v = std::move(stack_.back());
    stack_.pop_back();
    return v;
  }
  void read_push(ByteReader& in);
  void read_constant_pool(ByteReader& in);
  void goto_frame2(ByteReader& in);
  bool jump(std::int16_t offset, std::size_t end);
  ActionValue constant(std::size_t index) const {
    return index < pool_.size() ? ActionValue::of(pool_[index]) : ActionValue{};
  }
  // Timeline actions apply to this block's own timeline only; while a
  // SetTarget names another one, they are dropped.
  bool on_own_timeline() const { return target_.empty(); }

  std::span<const std::uint8_t> block_;
  TimelineControl& timeline_;
  std::uint8_t version_;
  std::vector<ActionValue> stack_;
  std::vector<std::string> pool_;
  ActionValue registers_[kRegisterCount];
  std::string target_;
  std::size_t pc_ = 0;
};

ActionRun Interpreter::run() {
  ActionRun result;
  while (pc_ < block_.size()) {
    if (result.records == kMaxActionRecords) {
      result.stopped = "more than " + std::to_string(kMaxActionRecords) + " actions";
      return result;
    }
    std::size_t start = pc_;
    std::uint8_t code = block_[pc_++];
    std::span<const std::uint8_t> body;
    // Records with code 0x80 and above carry a u16 length.
    if (code >= 0x80) {
      if (block_.size() - pc_ < 2) {
        result.stopped = "action header at offset " + std::to_string(start) + " ends early";
        return result;
      }
      std::size_t length = block_[pc_] | (block_[pc_ + 1] << 8);
      pc_ += 2;
      if (length > block_.size() - pc_) {
        result.stopped = "action " + hex_code(code) + " at offset " + std::to_string(start) +
                         " runs past the block";
        return result;
      }
      body = block_.subspan(pc_, length);
      pc_ += length;
    }
    ++result.records;
    if (!execute(code, body, pc_)) return result;
  }
  return result;
}

bool Interpreter::execute(std::uint8_t code, std::span<const std::uint8_t> body, std::size_t end) {
  ByteReader in(body);
  try {
    switch (code) {
      case ActionEnd: return false;
      case ActionNextFrame: if (on_own_timeline()) timeline_.next_frame(); break;
      case ActionPrevFrame: if (on_own_timeline()) timeline_.prev_frame(); break;
      case ActionPlay: if (on_own_timeline()) timeline_.play(); break;
      case ActionStop: if (on_own_timeline()) timeline_.stop(); break;
      case ActionStopSounds: timeline_.stop_sounds(); break;
      case ActionNot: push(ActionValue::of_bool(!to_boolean(pop(), version_))); break;
      case ActionPop: pop(); break;
      case ActionSetTarget2: target_ = to_string(pop(), version_); break;
      case ActionGotoFrame: {
        std::uint16_t frame = in.u16();
        if (on_own_timeline()) timeline_.goto_frame(frame);
        break;
      }
      case ActionGetURL: {
        std::string url = in.cstring();
        std::string target = in.cstring();
        timeline_.get_url(url, target);
        break;
      }
      case ActionStoreRegister: {
        std::uint8_t r = in.u8();
        if (r < kRegisterCount) registers_[r] = stack_.empty() ? ActionValue{} : stack_.back();
        break;
      }
      case ActionConstantPool: read_constant_pool(in); break;
      case ActionSetTarget: target_ = in.cstring(); break;
      case ActionGotoLabel: {
        std::string label = in.cstring();
        if (on_own_timeline()) timeline_.goto_label(label);
        break;
      }
      case ActionPush: read_push(in); break;
      case ActionJump: return jump(in.s16(), end);
      case ActionIf: {
        std::int16_t offset = in.s16();
        if (to_boolean(pop(), version_)) return jump(offset, end);
        break;
      }
      case ActionGetURL2: {
        in.u8();  // send method and load flags: nothing is loaded here
        std::string target = to_string(pop(), version_);
        std::string url = to_string(pop(), version_);
        timeline_.get_url(url, target);
        break;
      }
      case ActionGotoFrame2: goto_frame2(in); break;
      default: break;  // not interpreted: skipped by its length
    }
  } catch (const ReadError&) {
    // A record too short for its fields is skipped; the block goes on.
  }
  return true;
}

// Jump offsets count from the end of the record; a target outside the block ends it.
bool Interpreter::jump(std::int16_t offset, std::size_t end) {
  std::int64_t target = static_cast<std::int64_t>(end) + offset;
  if (target < 0 || target >= static_cast<std::int64_t>(block_.size())) return false;
  pc_ = static_cast<std::size_t>(target);
  return true;
}

void Interpreter::read_constant_pool(ByteReader& in) {
  std::uint16_t count = in.u16();
  pool_.clear();
  // Each string takes at least its terminator, so the count cannot outrun the bytes.
  for (std::uint16_t i = 0; i < count && !in.at_end(); ++i) pool_.push_back(in.cstring());
}

void Interpreter::read_push(ByteReader& in) {
  while (!in.at_end()) {
    switch (in.u8()) {
      case PushString: push(ActionValue::of(in.cstring())); break;
      case PushFloat: {
        std::uint32_t bits = in.u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        push(ActionValue::of(f));
        break;
      }
      case PushNull: push(ActionValue::null()); break;
      case PushUndefined: push({}); break;
      case PushRegister: {
        std::uint8_t r = in.u8();
        push(r < kRegisterCount ? registers_[r] : ActionValue{});
        break;
      }
      case PushBoolean: push(ActionValue::of_bool(in.u8() != 0)); break;
      case PushDouble: {
        // The two 32-bit halves are stored high half first, each little-endian.
        std::uint64_t high = in.u32();
        std::uint64_t bits = (high << 32) | in.u32();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        push(ActionValue::of(d));
        break;
      }
      case PushInteger: push(ActionValue::of(in.s32())); break;
      case PushConstant8: push(constant(in.u8())); break;
      case PushConstant16: push(constant(in.u16())); break;
      default: return;  // unknown type: its size is unknown, so the rest is dropped
    }
  }
}

// ActionGotoFrame2 pops a frame number (1-based) or a label; the play flag
// says whether the timeline plays on.
void Interpreter::goto_frame2(ByteReader& in) {
  std::uint8_t flags = in.u8();
  std::uint16_t bias = (flags & 0x02) ? in.u16() : 0;
  ActionValue frame = pop();
  if (!on_own_timeline()) return;
  if (frame.kind == ActionValue::Kind::String) {
    timeline_.goto_label(frame.string);
  } else {
    double n = frame.kind == ActionValue::Kind::Number ? frame.number : 0;
    if (!std::isfinite(n) || n < 1) n = 1;
    timeline_.goto_frame(static_cast<std::uint32_t>(std::min(n - 1 + bias, 65535.0)));
  }
  if (flags & 0x01) timeline_.play();
  else timeline_.stop();
}

std::string number_to_string(double n) {
  if (std::isnan(n)) return "NaN";
  if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
  if (n == 0) return "0";  // also -0
  // 15 significant digits; integral values print without a fraction.
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", n);
  return buf;
}

}  // namespace

std::string to_string(const ActionValue& v, std::uint8_t swf_version) {
  switch (v.kind) {
    case ActionValue::Kind::Undefined: return swf_version >= 7 ? "undefined" : "";
    case ActionValue::Kind::Null: return "null";
    case ActionValue::Kind::Boolean: return v.boolean ? "true" : "false";
    case ActionValue::Kind::Number: return number_to_string(v.number);
    case ActionValue::Kind::String: return v.string;
  }
  return {};
}

// Strings are true when non-empty from version 7 on; before that a string
// counts as the number it spells.
bool to_boolean(const ActionValue& v, std::uint8_t swf_version) {
  switch (v.kind) {
    case ActionValue::Kind::Undefined:
    case ActionValue::Kind::Null: return false;
    case ActionValue::Kind::Boolean: return v.boolean;
    case ActionValue::Kind::Number: return v.number != 0 && !std::isnan(v.number);
    case ActionValue::Kind::String: {
      if (swf_version >= 7) return !v.string.empty();
      char* end = nullptr;
      double n = std::strtod(v.string.c_str(), &end);
      return end != v.string.c_str() && n != 0 && !std::isnan(n);
    }
  }
  return false;
}

bool is_fscommand(const std::string& url) {
  static const char prefix[] = "fscommand:";
  if (url.size() < kFsCommandPrefixLength) return false;
  for (std::size_t i = 0; i < kFsCommandPrefixLength; ++i) {
    char c = url[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

ActionRun run_actions(std::span<const std::uint8_t> block, TimelineControl& timeline,
                      std::uint8_t swf_version) {
  return Interpreter(block, timeline, swf_version).run();
}

}  // namespace strandel::swf
