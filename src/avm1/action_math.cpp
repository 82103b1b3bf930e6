// Arithmetic, comparison, logic, string and bit actions.
#include <cmath>
#include <limits>

#include "avm1/action_codes.h"
#include "avm1/boxed.h"
#include "avm1/interpreter.h"

namespace strandel::avm1 {

namespace {

// Version 4 had no booleans: its comparisons push 1 and 0.
Value truth(const Activation& act, bool b) {
  return act.version() >= 5 ? Value(b) : Value(b ? 1 : 0);
}

// Strings of version 6 and later are UTF-8, counted in UTF-16 units; older
// ones are bytes.
std::u16string units(const Activation& act, const String& s) {
  if (act.version() >= 6) return to_utf16(s.view());
  std::u16string out;
  for (char c : s.view()) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

String from_units(const Activation& act, std::u16string_view u) {
  if (act.version() >= 6) return String(to_utf8(u));
  std::string out;
  for (char16_t c : u) out += static_cast<char>(c);
  return String(out);
}

}  // namespace

// Binary actions pop their right operand first; most convert their left one
// first, some (as the vendor's player does) their right one.
void Interpreter::action_add() {
  Value vb = pop(), va = pop();
  double a = act_.to_number(va), b = act_.to_number(vb);
  push(Value(a + b));
}

void Interpreter::arithmetic(std::uint8_t code) {
  Value vb = pop(), va = pop();
  // Multiply and Modulo convert their left operand first, Subtract and
  // Divide their right one.
  bool right_first = code == static_cast<std::uint8_t>(Op::Subtract) ||
                     code == static_cast<std::uint8_t>(Op::Divide);
  double a = 0, b = 0;
  if (right_first) {
    b = act_.to_number(vb);
    a = act_.to_number(va);
  } else {
    a = act_.to_number(va);
    b = act_.to_number(vb);
  }
  switch (static_cast<Op>(code)) {
    case Op::Subtract:
      push(Value(a - b));
      break;
    case Op::Multiply:
      push(Value(a * b));
      break;
    case Op::Divide:
      if (b == 0 && act_.version() < 5)
        push(Value("#ERROR#"));
      else
        push(Value(a / b));
      break;
    case Op::Modulo:
      push(Value(std::fmod(a, b)));
      break;
    default:
      break;
  }
}

// Add2 makes the right operand a primitive first.
void Interpreter::action_add2() {
  Value b = pop(), a = pop();
  if (a.is_number() && b.is_number()) {
    push(Value(a.number() + b.number()));
    return;
  }
  Value pb = act_.to_primitive(b);
  Value pa = act_.to_primitive(a);
  if (pa.is_string() || pb.is_string()) {
    push(Value(act_.to_string(pa) + act_.to_string(pb)));
  } else {
    push(Value(act_.to_number(pa) + act_.to_number(pb)));
  }
}

void Interpreter::action_equals() {
  Value vb = pop(), va = pop();
  double b = act_.to_number(vb), a = act_.to_number(va);
  push(truth(act_, a == b));
}

void Interpreter::action_less() {
  Value vb = pop(), va = pop();
  double a = act_.to_number(va), b = act_.to_number(vb);
  push(truth(act_, a < b));
}

void Interpreter::action_equals2() {
  Value b = pop(), a = pop();
  push(Value(loosely_equal(act_, a, b)));
}

void Interpreter::action_less2() {
  Value b = pop(), a = pop();
  push(less_than(act_, a, b));
}

void Interpreter::action_greater() {
  Value b = pop(), a = pop();
  push(less_than(act_, b, a));
}

void Interpreter::action_strict_equals() {
  Value b = pop(), a = pop();
  push(Value(strictly_equal(a, b)));
}

void Interpreter::action_logic(std::uint8_t code) {
  Value vb = pop(), va = pop();
  bool a = act_.to_boolean(va), b = act_.to_boolean(vb);
  push(truth(act_, static_cast<Op>(code) == Op::And ? (a && b) : (a || b)));
}

void Interpreter::action_not() { push(truth(act_, !act_.to_boolean(pop()))); }

void Interpreter::action_to_integer() { push(Value(static_cast<double>(act_.to_int32(pop())))); }

void Interpreter::action_increment(double by) { push(Value(pop_number() + by)); }

void Interpreter::action_random() {
  double max = std::trunc(pop_number());
  if (!(max >= 1) || max > 2147483647.0) {
    push(Value(0));
    return;
  }
  push(Value(std::floor(m_.random() * max)));
}

void Interpreter::string_action(std::uint8_t code) {
  switch (static_cast<Op>(code)) {
    case Op::StringEquals: {
      Value vb = pop(), va = pop();
      String b = act_.to_string(vb), a = act_.to_string(va);
      push(truth(act_, a == b));
      break;
    }
    case Op::StringLess: {
      Value vb = pop(), va = pop();
      String b = act_.to_string(vb), a = act_.to_string(va);
      push(truth(act_, a.view() < b.view()));
      break;
    }
    case Op::StringGreater: {
      Value vb = pop(), va = pop();
      String a = act_.to_string(va), b = act_.to_string(vb);
      push(truth(act_, a.view() > b.view()));
      break;
    }
    case Op::StringAdd: {
      Value vb = pop(), va = pop();
      String b = act_.to_string(vb), a = act_.to_string(va);
      push(Value(a + b));
      break;
    }
    case Op::StringLength:
    case Op::MBStringLength:
      push(Value(static_cast<double>(units(act_, pop_string()).size())));
      break;
    case Op::StringExtract:
    case Op::MBStringExtract: {
      double count = pop_number(), index = pop_number();
      std::u16string s = units(act_, pop_string());
      // 1-based index; out-of-range parts are clipped.
      double start = std::isnan(index) ? 0 : std::max(0.0, std::trunc(index) - 1);
      double n = std::isnan(count) ? 0 : std::trunc(count);
      if (n < 0) n = static_cast<double>(s.size());
      if (start >= static_cast<double>(s.size())) {
        push(Value(""));
        break;
      }
      auto from = static_cast<std::size_t>(start);
      auto take = static_cast<std::size_t>(std::min(n, static_cast<double>(s.size() - from)));
      push(Value(from_units(act_, std::u16string_view(s).substr(from, take))));
      break;
    }
    case Op::CharToAscii:
    case Op::MBCharToAscii: {
      std::u16string s = units(act_, pop_string());
      push(s.empty() ? Value(0) : Value(static_cast<double>(s[0])));
      break;
    }
    case Op::AsciiToChar:
    case Op::MBAsciiToChar: {
      auto c = static_cast<char16_t>(act_.to_int32(pop()) & 0xFFFF);
      push(c == 0 ? Value("") : Value(from_units(act_, std::u16string_view(&c, 1))));
      break;
    }
    default:
      break;
  }
}

void Interpreter::bit_action(std::uint8_t code) {
  Value vb = pop(), va = pop();
  std::int32_t b = act_.to_int32(vb), a = act_.to_int32(va);
  auto ua = static_cast<std::uint32_t>(a);
  unsigned shift = static_cast<unsigned>(b) & 31;
  switch (static_cast<Op>(code)) {
    case Op::BitAnd:
      push(Value(static_cast<double>(a & b)));
      break;
    case Op::BitOr:
      push(Value(static_cast<double>(a | b)));
      break;
    case Op::BitXor:
      push(Value(static_cast<double>(a ^ b)));
      break;
    case Op::BitLShift:
      push(Value(static_cast<double>(static_cast<std::int32_t>(ua << shift))));
      break;
    case Op::BitRShift:
      push(Value(static_cast<double>(a >> shift)));
      break;
    case Op::BitURShift:
      // From version 8 the result is read back as a signed integer.
      if (act_.version() >= 8)
        push(Value(static_cast<double>(static_cast<std::int32_t>(ua >> shift))));
      else
        push(Value(static_cast<double>(ua >> shift)));
      break;
    default:
      break;
  }
}

}  // namespace strandel::avm1
