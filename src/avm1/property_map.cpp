#include "avm1/property_map.h"

#include <utility>

namespace strandel::avm1 {

namespace {

// Below this many entries a linear scan is faster than hashing.
constexpr std::size_t kIndexFrom = 8;

}  // namespace

bool visible_to_version(std::uint32_t a, int version) {
  if ((a & attr::Version6) && version < 6) return false;
  if ((a & attr::HiddenIn6) && version == 6) return false;
  if ((a & attr::Version7) && version < 7) return false;
  if ((a & attr::Version8) && version < 8) return false;
  if ((a & attr::Version9) && version < 9) return false;
  if ((a & attr::Version10) && version < 10) return false;
  return true;
}

std::size_t PropertyMap::slot_of(const String& name, bool case_sensitive) const {
  std::size_t mask = index_.size() - 1;
  for (std::size_t i = name.folded_hash() & mask;; i = (i + 1) & mask) {
    std::uint32_t e = index_[i];
    if (e == 0) return i;
    const Property& p = entries_[e - 1];
    if (!removed(p) && p.name.equals(name, case_sensitive)) return i;
  }
}

const Property* PropertyMap::find(const String& name, bool case_sensitive) const {
  if (index_.empty()) {
    // Names equal in either comparison have equal folded hashes, which
    // each string keeps once computed: most names differ there.
    std::uint32_t hash = name.folded_hash();
    for (const Property& p : entries_)
      if (!removed(p) && p.name.folded_hash() == hash && p.name.equals(name, case_sensitive))
        return &p;
    return nullptr;
  }
  std::uint32_t e = index_[slot_of(name, case_sensitive)];
  return e ? &entries_[e - 1] : nullptr;
}

Property* PropertyMap::find(const String& name, bool case_sensitive) {
  return const_cast<Property*>(std::as_const(*this).find(name, case_sensitive));
}

Property& PropertyMap::add(const String& name) {
  entries_.push_back(Property{name, Value(), nullptr, nullptr, 0});
  ++live_;
  if (entries_.size() >= kIndexFrom && entries_.size() * 2 > index_.size()) {
    rebuild_index();
  } else if (!index_.empty()) {
    std::size_t mask = index_.size() - 1;
    std::size_t i = name.folded_hash() & mask;
    while (index_[i] != 0) i = (i + 1) & mask;
    index_[i] = static_cast<std::uint32_t>(entries_.size());
  }
  return entries_.back();
}

bool PropertyMap::remove(const String& name, bool case_sensitive) {
  Property* p = find(name, case_sensitive);
  if (!p) return false;
  *p = Property{};
  p->attributes = kRemoved;
  --live_;
  // Compact once most entries are gone, so removal loops stay linear.
  if (entries_.size() > kIndexFrom && live_ * 2 < entries_.size()) {
    std::erase_if(entries_, [](const Property& e) { return removed(e); });
    rebuild_index();
  }
  return true;
}

void PropertyMap::clear() {
  entries_.clear();
  index_.clear();
  live_ = 0;
}

void PropertyMap::rebuild_index() {
  index_.clear();
  if (entries_.size() < kIndexFrom) return;
  std::size_t n = 16;
  while (n < entries_.size() * 2) n *= 2;
  index_.assign(n, 0);
  std::size_t mask = n - 1;
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    if (removed(entries_[k])) continue;
    std::size_t i = entries_[k].name.folded_hash() & mask;
    while (index_[i] != 0) i = (i + 1) & mask;
    index_[i] = static_cast<std::uint32_t>(k + 1);
  }
}

}  // namespace strandel::avm1
