#include "platform/saved_state.h"

#include <cmath>
#include <vector>

#include "platform/design.h"

namespace strandel::platform {

namespace {

constexpr std::uint32_t kSavedStateVersion = 0x00000300;

// Entry type codes (the variant types of the values).
constexpr std::uint16_t kText = 8;
constexpr std::uint16_t kTruth = 11;
constexpr std::uint16_t kObject = 13;
constexpr std::size_t kObjectBytes = 16;

// Indexes (from 0) of the entries the control is known to read.
constexpr int kWModeEntry = 3;
constexpr int kQualityEntry = 6;
constexpr int kScriptAccessEntry = 10;
constexpr int kScaleEntry = 11;
constexpr int kEntryCount = 19;

class Writer {
 public:
  explicit Writer(SavedState& out) : out_(out) {}
  void u16(std::uint16_t v) { put(v, 2); }
  void u32(std::uint32_t v) { put(v, 4); }
  void text(const std::string& ascii) {
    u16(kText);
    u32(static_cast<std::uint32_t>(ascii.size() * 2 + 2));  // the count includes the terminator
    for (char c : ascii) u16(static_cast<std::uint8_t>(c));
    u16(0);
  }
  void truth(std::uint16_t value) {
    u16(kTruth);
    u16(value);
  }
  void no_object() {
    u16(kObject);
    for (std::size_t i = 0; i < kObjectBytes; ++i) out_[pos_++] = 0;
  }

 private:
  void put(std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_[pos_++] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  SavedState& out_;
  std::size_t pos_ = 0;
};

struct Reader {
  std::span<const std::uint8_t> in;
  std::size_t pos = 0;
  bool ok = true;
  std::uint32_t get(int bytes) {
    if (pos + bytes > in.size()) {
      ok = false;
      return 0;
    }
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(in[pos++]) << (8 * i);
    return v;
  }
};

// Reads one entry; text entries come back as their ASCII text, others empty.
std::optional<std::string> read_entry(Reader& r) {
  std::uint16_t type = static_cast<std::uint16_t>(r.get(2));
  std::string text;
  if (type == kText) {
    std::uint32_t count = r.get(4);
    if (count < 2 || count % 2 != 0 || count > r.in.size() - std::min(r.pos, r.in.size()))
      return std::nullopt;
    for (std::uint32_t i = 0; i + 2 < count; i += 2) text.push_back(static_cast<char>(r.get(2)));
    if (r.get(2) != 0) return std::nullopt;
  } else if (type == kTruth) {
    r.get(2);
  } else if (type == kObject) {
    for (std::size_t i = 0; i < kObjectBytes; ++i) r.get(1);
  } else {
    return std::nullopt;
  }
  if (!r.ok) return std::nullopt;
  return text;
}

}  // namespace

std::int32_t TwipsToHimetric(double twips) {
  return static_cast<std::int32_t>(std::lround(twips * 2540.0 / 1440.0));
}

SavedState DesignSavedState() {
  SavedState state{};
  Writer w(state);
  w.u32(kSavedStateSignature);
  w.u32(kSavedStateVersion);
  w.u32(static_cast<std::uint32_t>(TwipsToHimetric(design::kShockwaveFlash.width)));
  w.u32(static_cast<std::uint32_t>(TwipsToHimetric(design::kShockwaveFlash.height)));
  w.text("");
  w.text("");
  w.text("");
  w.text("Window");
  w.truth(0xFFFF);
  w.truth(0xFFFF);
  w.text("High");
  w.text("");
  w.truth(0xFFFF);
  w.text("");
  w.text("always");
  w.text("ShowAll");
  w.truth(0);
  w.truth(0);
  w.text("");
  w.text("");
  w.text("");
  w.no_object();
  w.truth(0x0001);
  return state;
}

std::optional<ControlSettings> DecodeSavedState(std::span<const std::uint8_t> state) {
  Reader r{state};
  if (r.get(4) != kSavedStateSignature) return std::nullopt;
  r.get(4);
  ControlSettings settings;
  settings.extent_x = static_cast<std::int32_t>(r.get(4));
  settings.extent_y = static_cast<std::int32_t>(r.get(4));
  std::vector<std::string> entries;
  for (int i = 0; i < kEntryCount; ++i) {
    std::optional<std::string> entry = read_entry(r);
    if (!entry) return std::nullopt;
    entries.push_back(std::move(*entry));
  }
  settings.wmode = entries[kWModeEntry];
  settings.quality = entries[kQualityEntry];
  settings.allow_script_access = entries[kScriptAccessEntry];
  settings.scale = entries[kScaleEntry];
  return settings;
}

}  // namespace strandel::platform
