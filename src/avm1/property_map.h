// An object's own properties in the order they were made, with a hash index
// once there are enough of them. Names match exactly, or in either case for
// code below version 7; the index hashes folded names so it serves both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Object;

// Property attributes, with the bit values ASSetPropFlags uses.
namespace attr {
constexpr std::uint32_t DontEnum = 1u << 0;
constexpr std::uint32_t DontDelete = 1u << 1;
constexpr std::uint32_t ReadOnly = 1u << 2;
// Hidden from code of movies older than the version named.
constexpr std::uint32_t Version6 = 1u << 7;
constexpr std::uint32_t HiddenIn6 = 1u << 8;  // hidden from version 6 code only
constexpr std::uint32_t Version7 = 1u << 10;
constexpr std::uint32_t Version8 = 1u << 12;
constexpr std::uint32_t Version9 = 1u << 13;
constexpr std::uint32_t Version10 = 1u << 14;
// What the built-ins use for their methods.
constexpr std::uint32_t Hidden = DontEnum | DontDelete;
constexpr std::uint32_t Fixed = DontEnum | DontDelete | ReadOnly;
}  // namespace attr

// The attributes that hide a property from code of some versions.
constexpr std::uint32_t kVersionAttributes =
    attr::Version6 | attr::HiddenIn6 | attr::Version7 | attr::Version8 | attr::Version9 |
    attr::Version10;

// Whether a property with these attributes exists for code of a version.
bool visible_to_version(std::uint32_t attributes, int version);
inline bool visible_to(std::uint32_t attributes, int version) {
  return (attributes & kVersionAttributes) == 0 || visible_to_version(attributes, version);
}

struct Property {
  String name;
  Value value;
  Object* getter = nullptr;  // addProperty: both set, or the property is plain
  Object* setter = nullptr;
  std::uint32_t attributes = 0;
  std::uint32_t serial = 0;  // names the record while its getter or setter runs; 0 until then
  bool accessor() const { return getter != nullptr; }
};

class PropertyMap {
 public:
  Property* find(const String& name, bool case_sensitive);
  const Property* find(const String& name, bool case_sensitive) const;
  // Adds at the end; the caller has checked the name is new.
  Property& add(const String& name);
  bool remove(const String& name, bool case_sensitive);
  void clear();

  std::size_t size() const { return live_; }
  // In order of creation; removed entries are skipped.
  template <class F>
  void for_each(F&& f) const {
    for (const Property& p : entries_)
      if (!removed(p)) f(p);
  }
  template <class F>
  void for_each(F&& f) {
    for (Property& p : entries_)
      if (!removed(p)) f(p);
  }

 private:
  static bool removed(const Property& p) { return p.attributes == kRemoved; }
  static constexpr std::uint32_t kRemoved = 0xFFFFFFFFu;
  void rebuild_index();
  std::size_t slot_of(const String& name, bool case_sensitive) const;

  std::vector<Property> entries_;
  std::vector<std::uint32_t> index_;  // open addressing: entry + 1, 0 empty
  std::size_t live_ = 0;
};

}  // namespace strandel::avm1
