#include "sound_server.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

namespace e2e {

namespace {

constexpr const char* kSink = "strandel_test";
constexpr std::size_t kWindow = 882;  // 20 ms at 44.1 kHz
constexpr double kDominantShare = 0.5;
constexpr double kQuietRms = 0.02;

}  // namespace

SoundServer::SoundServer() {
  std::string socket = (dir_.path() / "native").string();
  server_.emplace(Process::Options{
      .argv = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
               "--use-pid-file=no", "--system=false", "--log-target=stderr",
               std::string("--load=module-null-sink sink_name=") + kSink,
               "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket},
      .cwd = dir_.path(),
      .set_env = {{"XDG_RUNTIME_DIR", dir_.path().string()}, {"HOME", dir_.path().string()}},
      .unset_env = {"PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS"}});
  if (!wait_for([&] { return std::filesystem::exists(socket); }, 10000ms))
    throw std::runtime_error("the sound server did not start: " + server_->stderr_text());
}

std::vector<std::pair<std::string, std::string>> SoundServer::client_env() const {
  return {{"PULSE_SERVER", address()}, {"XDG_RUNTIME_DIR", dir_.path().string()},
          {"HOME", dir_.path().string()}};
}

Recording::Recording(const SoundServer& server) {
  auto env = server.client_env();
  parec_.emplace(Process::Options{
      .argv = {"parec", "-d", std::string(kSink) + ".monitor", "--raw", "--format=s16le",
               "--rate=44100", "--channels=1", "--latency-msec=10"},
      .cwd = dir_.path(),
      .set_env = env});
  if (!wait_for([&] { return (mark(), start_.has_value()); }, 10000ms))
    throw std::runtime_error("the recording did not start: " + parec_->stderr_text());
}

void Recording::mark() {
  std::error_code ec;
  auto bytes = std::filesystem::file_size(parec_->stdout_path(), ec);
  if (ec || bytes == 0) return;
  auto now = std::chrono::steady_clock::now();
  auto start = now - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(static_cast<double>(bytes / 2) / kRecordRate));
  if (!start_ || start > *start_) start_ = start;
}

std::vector<std::int16_t> Recording::samples() const {
  std::ifstream in(parec_->stdout_path(), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> out(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                       (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  return out;
}

std::chrono::steady_clock::time_point Recording::time_of(std::size_t index) const {
  auto base = start_.value_or(std::chrono::steady_clock::time_point{});
  return base + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(static_cast<double>(index) / kRecordRate));
}

double tone_share(std::span<const std::int16_t> samples, double hz, double rate) {
  if (samples.empty()) return 0;
  double w = 2 * std::numbers::pi * hz / rate, coeff = 2 * std::cos(w);
  double s1 = 0, s2 = 0, energy = 0;
  for (std::int16_t v : samples) {
    double x = v / 32768.0;
    double s0 = x + coeff * s1 - s2;
    s2 = s1;
    s1 = s0;
    energy += x * x;
  }
  double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  // A pure tone of N samples puts N/2 of its energy's worth into the bin.
  return energy > 0 ? power / (energy * static_cast<double>(samples.size()) / 2) : 0;
}

std::optional<std::size_t> tone_onset(std::span<const std::int16_t> samples, double hz,
                                      double rate, std::size_t from) {
  for (std::size_t at = from; at + kWindow <= samples.size(); at += kWindow / 4) {
    auto window = samples.subspan(at, kWindow);
    if (rms(window) > kQuietRms && tone_share(window, hz, rate) > kDominantShare) return at;
  }
  return std::nullopt;
}

double rms(std::span<const std::int16_t> samples) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (std::int16_t v : samples) sum += (v / 32768.0) * (v / 32768.0);
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

}  // namespace e2e
