// The 200-byte saved state the window hands the movie control when it creates
// it: a signature, the control's extent in HIMETRIC units (0.01 mm), and 19
// settings entries. All numbers are little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace strandel::platform {

inline constexpr std::size_t kSavedStateSize = 200;
inline constexpr std::uint32_t kSavedStateSignature = 0x55665567;

using SavedState = std::array<std::uint8_t, kSavedStateSize>;

// The control's design-time state: its design size, window mode "Window",
// quality "High", script access "always", scale "ShowAll".
SavedState DesignSavedState();

// The settings the control starts with, decoded from a saved state.
struct ControlSettings {
  std::int32_t extent_x = 0;  // HIMETRIC
  std::int32_t extent_y = 0;
  std::string wmode;
  std::string quality;
  std::string allow_script_access;
  std::string scale;
};

// Decodes a saved state; nothing when its signature or an entry is bad.
std::optional<ControlSettings> DecodeSavedState(std::span<const std::uint8_t> state);

// Twips to HIMETRIC, rounded to a whole unit: 1440 twips = 2540 HIMETRIC = 1 inch.
std::int32_t TwipsToHimetric(double twips);

}  // namespace strandel::platform
