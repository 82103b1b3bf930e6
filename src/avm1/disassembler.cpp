#include "avm1/disassembler.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "avm1/action_codes.h"
#include "swf/bytes.h"

namespace strandel::avm1 {

namespace {

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '"')
      out += "\\\"";
    else
      out += c;
  }
  return out + "\"";
}

std::string number(double d) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", d);
  return b;
}

std::string push_operands(swf::ByteReader& in) {
  std::string out;
  while (!in.at_end()) {
    if (!out.empty()) out += ", ";
    std::uint8_t type = in.u8();
    switch (static_cast<PushType>(type)) {
      case PushType::String:
        out += quoted(in.cstring());
        break;
      case PushType::Float: {
        std::uint32_t bits = in.u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        out += number(f) + "f";
        break;
      }
      case PushType::Null:
        out += "null";
        break;
      case PushType::Undefined:
        out += "undefined";
        break;
      case PushType::Register:
        out += "r" + std::to_string(in.u8());
        break;
      case PushType::Boolean:
        out += in.u8() ? "true" : "false";
        break;
      case PushType::Double: {
        std::uint64_t high = in.u32(), low = in.u32();
        std::uint64_t bits = (high << 32) | low;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        out += number(d);
        break;
      }
      case PushType::Integer:
        out += std::to_string(in.s32());
        break;
      case PushType::Constant8:
        out += "c" + std::to_string(in.u8());
        break;
      case PushType::Constant16:
        out += "c" + std::to_string(in.u16());
        break;
      default:
        return out + "?type" + std::to_string(type);
    }
  }
  return out;
}

std::string function_operands(swf::ByteReader& in, bool version2, std::size_t& body_size) {
  std::string name = in.cstring();
  std::uint16_t count = in.u16();
  std::string out = quoted(name) + " (";
  std::string flags;
  if (version2) {
    out = "regs=" + std::to_string(in.u8()) + " ";
    char b[16];
    std::snprintf(b, sizeof b, "flags=%04x ", in.u16());
    out += b + quoted(name) + " (";
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    if (i) out += ", ";
    if (version2) {
      std::uint8_t r = in.u8();
      out += in.cstring();
      if (r) out += ":r" + std::to_string(r);
    } else {
      out += in.cstring();
    }
  }
  body_size = in.u16();
  return out + ") size=" + std::to_string(body_size);
}

std::string operands(std::uint8_t code, swf::ByteReader& in, std::size_t next,
                     std::size_t& body_size) {
  switch (static_cast<Op>(code)) {
    case Op::Push:
      return push_operands(in);
    case Op::GotoFrame:
      return std::to_string(in.u16());
    case Op::GetURL: {
      std::string url = in.cstring();
      return quoted(url) + ", " + quoted(in.cstring());
    }
    case Op::GotoLabel:
    case Op::SetTarget:
      return quoted(in.cstring());
    case Op::WaitForFrame: {
      std::string frame = std::to_string(in.u16());
      return frame + " skip " + std::to_string(in.u8());
    }
    case Op::WaitForFrame2:
      return "skip " + std::to_string(in.u8());
    case Op::Jump:
    case Op::If:
      return "-> " + std::to_string(static_cast<long>(next) + in.s16());
    case Op::GetURL2:
    case Op::GotoFrame2:
    case Op::StoreRegister:
      return std::to_string(in.u8());
    case Op::ConstantPool: {
      std::uint16_t n = in.u16();
      std::string out;
      for (std::uint16_t i = 0; i < n && !in.at_end(); ++i)
        out += (i ? ", c" : "c") + std::to_string(i) + "=" + quoted(in.cstring());
      return out;
    }
    case Op::With:
      body_size = in.u16();
      return "size=" + std::to_string(body_size);
    case Op::DefineFunction:
      return function_operands(in, false, body_size);
    case Op::DefineFunction2:
      return function_operands(in, true, body_size);
    case Op::Try: {
      std::uint8_t flags = in.u8();
      std::size_t t = in.u16(), c = in.u16(), f = in.u16();
      std::string out = "flags=" + std::to_string(flags) + " try=" + std::to_string(t) +
                        " catch=" + std::to_string(c) + " finally=" + std::to_string(f);
      if (flags & 4)
        out += " r" + std::to_string(in.u8());
      else
        out += " " + quoted(in.cstring());
      return out;
    }
    default:
      return "";
  }
}

}  // namespace

std::string disassemble(std::span<const std::uint8_t> code) {
  std::string out;
  std::vector<std::size_t> ends;  // where indented bodies end
  std::size_t pc = 0;
  while (pc < code.size()) {
    while (!ends.empty() && pc >= ends.back()) ends.pop_back();
    std::uint8_t c = code[pc];
    std::size_t length = 0, start = pc + 1;
    if (c >= 0x80) {
      if (pc + 3 > code.size()) break;
      length = code[pc + 1] | (code[pc + 2] << 8);
      start = pc + 3;
    }
    std::size_t next = std::min(code.size(), start + length);
    std::string name(op_name(c));
    if (name.empty()) {
      char b[16];
      std::snprintf(b, sizeof b, "Unknown0x%02x", c);
      name = b;
    }
    std::size_t body_size = 0;
    std::string args;
    swf::ByteReader in(code.subspan(start, next - start));
    try {
      args = operands(c, in, next, body_size);
    } catch (const swf::ReadError&) {
      args += " <cut short>";
    }
    char b[16];
    std::snprintf(b, sizeof b, "%6zu ", pc);
    out += b + std::string(2 * ends.size(), ' ') + name + (args.empty() ? "" : " " + args) + "\n";
    if (body_size) ends.push_back(next + body_size);
    if (c == 0) break;
    pc = next;
  }
  return out;
}

std::string_view op_name(std::uint8_t code) {
  switch (static_cast<Op>(code)) {
#define NAME(x) \
  case Op::x:   \
    return #x;
    NAME(End)
    NAME(NextFrame)
    NAME(PrevFrame) NAME(Play) NAME(Stop) NAME(ToggleQuality) NAME(StopSounds) NAME(GotoFrame) NAME(
        GetURL) NAME(WaitForFrame) NAME(SetTarget) NAME(GotoLabel) NAME(Add) NAME(Subtract)
        NAME(Multiply) NAME(Divide) NAME(Equals) NAME(Less) NAME(And) NAME(Or) NAME(Not) NAME(
            StringEquals) NAME(StringLength) NAME(StringExtract) NAME(Pop) NAME(ToInteger)
            NAME(GetVariable) NAME(SetVariable) NAME(SetTarget2) NAME(StringAdd) NAME(GetProperty)
                NAME(SetProperty) NAME(CloneSprite) NAME(RemoveSprite) NAME(Trace) NAME(StartDrag)
                    NAME(EndDrag) NAME(StringLess) NAME(RandomNumber) NAME(MBStringLength) NAME(
                        CharToAscii) NAME(AsciiToChar) NAME(GetTime) NAME(MBStringExtract)
                        NAME(MBCharToAscii) NAME(MBAsciiToChar) NAME(WaitForFrame2) NAME(Push) NAME(
                            Jump) NAME(GetURL2) NAME(If) NAME(Call) NAME(GotoFrame2) NAME(Delete)
                            NAME(Delete2) NAME(DefineLocal) NAME(CallFunction) NAME(Return) NAME(
                                Modulo) NAME(NewObject) NAME(DefineLocal2) NAME(InitArray)
                                NAME(InitObject) NAME(TypeOf) NAME(TargetPath) NAME(Enumerate) NAME(
                                    Add2) NAME(Less2) NAME(Equals2) NAME(ToNumber) NAME(ToString)
                                    NAME(PushDuplicate) NAME(StackSwap) NAME(GetMember) NAME(
                                        SetMember) NAME(Increment) NAME(Decrement) NAME(CallMethod)
                                        NAME(NewMethod) NAME(BitAnd) NAME(BitOr) NAME(BitXor)
                                            NAME(BitLShift) NAME(BitRShift) NAME(BitURShift)
                                                NAME(StoreRegister) NAME(ConstantPool) NAME(With)
                                                    NAME(DefineFunction) NAME(InstanceOf)
                                                        NAME(Enumerate2) NAME(StrictEquals)
                                                            NAME(Greater) NAME(StringGreater)
                                                                NAME(Extends) NAME(CastOp)
                                                                    NAME(ImplementsOp) NAME(Throw)
                                                                        NAME(DefineFunction2)
                                                                            NAME(Try)
#undef NAME
  }
  return {};
}

}  // namespace strandel::avm1
