// Sound for the end-to-end tests: a private sound server with a null sink
// (nothing reaches a loudspeaker), a recording of what the sink plays, and
// the measures the tests take of it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace e2e {

// A PulseAudio server of its own (in a private runtime folder), with one
// null sink that is the default. Stopped by the destructor.
class SoundServer {
 public:
  SoundServer();
  std::string address() const { return "unix:" + (dir_.path() / "native").string(); }
  // The environment a client needs to reach this server and no other.
  std::vector<std::pair<std::string, std::string>> client_env() const;

 private:
  TempDir dir_;
  std::optional<Process> server_;
};

// The sink's monitor recorded as 16-bit mono at kRecordRate from the moment
// of construction. The sink's clock is the recording's: sample i was played
// at start + i / rate. That start is learned by watching the file grow
// (call mark() often while waiting), as the least delayed of the marks.
class Recording {
 public:
  static constexpr double kRecordRate = 44100;
  // Returns once the recording has begun (the server takes a moment).
  explicit Recording(const SoundServer& server);
  void mark();
  std::vector<std::int16_t> samples() const;
  // When sample `index` was played, on the steady clock.
  std::chrono::steady_clock::time_point time_of(std::size_t index) const;

 private:
  TempDir dir_;
  std::optional<Process> parec_;
  std::optional<std::chrono::steady_clock::time_point> start_;
};

// The share (0..1) of the samples' energy at `hz` (Goertzel over the span).
double tone_share(std::span<const std::int16_t> samples, double hz, double rate);
// The first sample of the first 20 ms window where `hz` carries most of the
// energy and the window is not near silence.
std::optional<std::size_t> tone_onset(std::span<const std::int16_t> samples, double hz,
                                      double rate, std::size_t from = 0);
// Root mean square level (0..1 of full scale).
double rms(std::span<const std::int16_t> samples);

}  // namespace e2e
