#include "avm1/builtins/amf.h"

#include <bit>
#include <optional>
#include <string>

#include "avm1/activation.h"
#include "avm1/array.h"

namespace strandel::avm1 {

namespace {

enum Marker : std::uint8_t {
  kNumber = 0,
  kBoolean = 1,
  kString = 2,
  kObject = 3,
  kNull = 5,
  kUndefined = 6,
  kReference = 7,
  kEcmaArray = 8,
  kObjectEnd = 9,
  kStrictArray = 10,
  kDate = 11,
  kLongString = 12
};

// Reads big-endian fields; a read past the end sets `failed` and yields 0.
class AmfReader {
 public:
  AmfReader(Activation& act, std::span<const std::uint8_t> data) : act_(act), data_(data) {}

  bool failed() const { return failed_; }
  bool at_end() const { return at_ >= data_.size(); }

  std::uint64_t uint(int bytes) {
    if (failed_ || data_.size() - at_ < std::size_t(bytes)) {
      failed_ = true;
      return 0;
    }
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | data_[at_++];
    return v;
  }

  std::string text(std::size_t size) {
    if (failed_ || data_.size() - at_ < size) {
      failed_ = true;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(data_.data() + at_), size);
    at_ += size;
    return s;
  }

  Value value(int nesting) {
    if (++values_ > kMaxAmfValues) failed_ = true;
    auto marker = static_cast<std::uint8_t>(uint(1));
    if (failed_) return Value();
    switch (marker) {
      case kNumber:
        return Value(std::bit_cast<double>(uint(8)));
      case kBoolean:
        return Value(uint(1) != 0);
      case kString:
        return Value(String(text(uint(2))));
      case kLongString:
        return Value(String(text(uint(4))));
      case kNull:
        return Value::null();
      case kUndefined:
        return Value();
      case kReference:
        uint(2);  // objects are not shared here
        return Value();
      case kDate: {
        double ms = std::bit_cast<double>(uint(8));
        uint(2);  // the time zone, which the reader's own replaces
        Value time[] = {Value(ms)};
        return failed_ ? Value() : act_.construct_class("Date", time);
      }
      case kObject:
        return members(nesting);
      case kEcmaArray:
        uint(4);  // a count that the end marker makes redundant
        return members(nesting);
      case kStrictArray:
        return elements(uint(4), nesting);
      default:
        failed_ = true;
        return Value();
    }
  }

 private:
  // name/value pairs up to an empty name and the end marker.
  Value members(int nesting) {
    Object* o = nesting < kMaxAmfNesting ? act_.new_object() : nullptr;
    while (!failed_) {
      std::string name = text(uint(2));
      if (name.empty() && !failed_ && at_ < data_.size() && data_[at_] == kObjectEnd) {
        ++at_;
        break;
      }
      Value v = value(nesting + 1);
      if (o && !failed_) act_.set(Value(o), String(name), v);
    }
    return o ? Value(o) : Value();
  }

  Value elements(std::uint64_t count, int nesting) {
    ArrayObject* a = nesting < kMaxAmfNesting ? act_.new_array() : nullptr;
    for (std::uint64_t i = 0; i < count && !failed_; ++i) {
      Value v = value(nesting + 1);
      if (a && !failed_) a->push(v);
    }
    return a ? Value(a) : Value();
  }

  Activation& act_;
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
  std::size_t values_ = 0;
  bool failed_ = false;
};

}  // namespace

std::vector<Value> read_amf_values(Activation& act, std::span<const std::uint8_t> data) {
  AmfReader in(act, data);
  std::vector<Value> out;
  while (!in.at_end()) {
    Value v = in.value(0);
    if (in.failed()) break;
    out.push_back(v);
  }
  return out;
}

}  // namespace strandel::avm1
