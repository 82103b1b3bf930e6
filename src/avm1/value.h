// A script value: undefined, null, a boolean, a number (always a double),
// a string or an object. Conversions between them depend on the movie's
// version and live in conversions.h.
#pragma once

#include <concepts>
#include <cstdint>

#include "avm1/string.h"

namespace strandel::avm1 {

class Object;

enum class Type : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

class Value {
 public:
  Value() = default;                                    // undefined
  Value(double n) : type_(Type::Number), number_(n) {}  // NOLINT: numbers are values
  Value(int n) : type_(Type::Number), number_(n) {}     // NOLINT
  template <class B>
  requires std::same_as<B, bool> Value(B b)
      : type_(Type::Boolean), boolean_(b) {}                       // NOLINT: only a real bool
  Value(String s) : type_(Type::String), string_(std::move(s)) {}  // NOLINT
  Value(const char* s) : Value(String(s)) {}                       // NOLINT
  // A null pointer gives undefined.
  Value(Object* o) : type_(o ? Type::Object : Type::Undefined), object_(o) {}  // NOLINT

  static Value null() {
    Value v;
    v.type_ = Type::Null;
    return v;
  }

  Type type() const { return type_; }
  bool is_undefined() const { return type_ == Type::Undefined; }
  bool is_null() const { return type_ == Type::Null; }
  bool is_nullish() const { return type_ == Type::Undefined || type_ == Type::Null; }
  bool is_boolean() const { return type_ == Type::Boolean; }
  bool is_number() const { return type_ == Type::Number; }
  bool is_string() const { return type_ == Type::String; }
  bool is_object() const { return type_ == Type::Object; }

  // Each accessor expects its own type; the others give a neutral value.
  bool boolean() const { return type_ == Type::Boolean && boolean_; }
  double number() const { return type_ == Type::Number ? number_ : 0; }
  const String& string() const { return string_; }
  // The string moved out, for a value about to be dropped.
  String take_string() && { return std::move(string_); }
  Object* object() const { return type_ == Type::Object ? object_ : nullptr; }

 private:
  Type type_ = Type::Undefined;
  union {
    bool boolean_;
    double number_ = 0;
    Object* object_;
  };
  String string_;
};

}  // namespace strandel::avm1
