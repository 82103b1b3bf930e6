#include "audio/envelope.h"

#include <algorithm>

namespace strandel::audio {

namespace {

constexpr float kFullLevel = 32768.0f;

}  // namespace

std::pair<float, float> envelope_gains(std::span<const swf::EnvelopePoint> points,
                                       double position44) {
  if (points.empty()) return {1.0f, 1.0f};
  auto after = std::upper_bound(points.begin(), points.end(), position44,
                                [](double p, const swf::EnvelopePoint& e) { return p < e.position44; });
  const swf::EnvelopePoint& b = after == points.end() ? points.back() : *after;
  const swf::EnvelopePoint& a = after == points.begin() ? b : *(after - 1);
  float t = 0;
  if (b.position44 > a.position44)
    t = static_cast<float>((position44 - a.position44) / (b.position44 - a.position44));
  t = std::clamp(t, 0.0f, 1.0f);
  float left = a.left + (static_cast<float>(b.left) - a.left) * t;
  float right = a.right + (static_cast<float>(b.right) - a.right) * t;
  return {std::min(left / kFullLevel, 1.0f), std::min(right / kFullLevel, 1.0f)};
}

}  // namespace strandel::audio
