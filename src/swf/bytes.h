// Bounds-checked readers over a movie's bytes. Every read that would pass the
// end of the data fails with ReadError instead of touching memory beyond it,
// so a record reader can treat every length field as hostile.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "swf/diagnostic.h"

namespace strandel::swf {

// Thrown when a record cannot be read: by default because a read would pass
// the end of the bytes it was given.
class ReadError : public std::runtime_error {
 public:
  explicit ReadError(const std::string& what, DiagnosticKind kind = DiagnosticKind::Malformed)
      : std::runtime_error(what), kind_(kind) {}
  DiagnosticKind kind() const { return kind_; }

 private:
  DiagnosticKind kind_;
};

// Little-endian byte reader. SWF stores every multi-byte integer little-endian.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ >= data_.size(); }
  std::span<const std::uint8_t> data() const { return data_; }

  std::uint8_t u8() {
    need(1);
    return data_[pos_++];
  }
  std::uint16_t u16() {
    need(2);
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t u32() {
    need(4);
    std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                      (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                      (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                      (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
  std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }  // IEEE single precision
  double fixed16() { return s32() / 65536.0; }         // signed 16.16 fixed point
  double fixed8() { return s16() / 256.0; }            // signed 8.8 fixed point

  // The next n bytes; fails when fewer remain.
  std::span<const std::uint8_t> bytes(std::size_t n) {
    need(n);
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  void skip(std::size_t n) { bytes(n); }

  // A NUL-terminated string; the terminator is consumed but not returned.
  std::string cstring() {
    std::string s;
    for (;;) {
      std::uint8_t c = u8();
      if (c == 0) return s;
      s.push_back(static_cast<char>(c));
    }
  }

 private:
  void need(std::size_t n) const {
    if (n > remaining()) throw ReadError("data ends early", DiagnosticKind::Truncated);
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

// Bit reader for the packed records (RECT, MATRIX, CXFORM, shape records):
// most significant bit first, starting on a byte boundary.
class BitReader {
 public:
  explicit BitReader(ByteReader& bytes) : bytes_(bytes) {}

  std::uint32_t ub(unsigned nbits) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < nbits; ++i) {
      if (bit_count_ == 0) {
        current_ = bytes_.u8();
        bit_count_ = 8;
      }
      --bit_count_;
      v = (v << 1) | ((current_ >> bit_count_) & 1u);
    }
    return v;
  }
  std::int32_t sb(unsigned nbits) {
    if (nbits == 0) return 0;
    std::uint32_t v = ub(nbits);
    if (nbits < 32 && (v & (1u << (nbits - 1)))) v |= ~0u << nbits;  // sign-extend
    return static_cast<std::int32_t>(v);
  }
  // Signed 16.16 fixed point stored in nbits.
  double fb(unsigned nbits) { return sb(nbits) / 65536.0; }
  bool flag() { return ub(1) != 0; }
  // Drops the rest of the current byte; the next read starts on a byte boundary.
  void align() { bit_count_ = 0; }

 private:
  ByteReader& bytes_;
  std::uint8_t current_ = 0;
  unsigned bit_count_ = 0;
};

}  // namespace strandel::swf
