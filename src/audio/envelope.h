// A sound-info record's volume envelope: left and right levels at positions
// of the sound (in 44.1 kHz samples), straight lines between the points, the
// first level before the first point and the last after the last.
#pragma once

#include <span>
#include <utility>

#include "swf/sound.h"

namespace strandel::audio {

// The left and right gains (0..1) at `position44`.
std::pair<float, float> envelope_gains(std::span<const swf::EnvelopePoint> points,
                                       double position44);

}  // namespace strandel::audio
