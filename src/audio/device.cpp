#include "audio/device.h"

#include <algorithm>
#include <vector>

namespace strandel::audio {

namespace {

// The silent clock's rate and its step.
constexpr double kSilentRate = 44100;
constexpr auto kSilentStep = std::chrono::milliseconds(10);
// How far the clock is carried forward past the device's last report.
constexpr double kMaxExtrapolationSeconds = 0.1;

}  // namespace

Device::Device(Source& source, Problem on_problem, bool silent)
    : source_(source), on_problem_(std::move(on_problem)) {
  thread_ = std::thread([this, silent] { run(silent); });
}

Device::~Device() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    if (waker_) waker_();
  }
  stopped_.notify_all();
  thread_.join();
}

double Device::rate() const {
  std::lock_guard lock(mutex_);
  return rate_;
}

double Device::frames_heard() const {
  std::lock_guard lock(mutex_);
  if (rate_ <= 0 || heard_at_ == std::chrono::steady_clock::time_point{}) return 0;
  double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - heard_at_).count();
  return std::min(heard_ + std::min(since, kMaxExtrapolationSeconds) * rate_, written_);
}

void Device::run(bool silent) {
  if (!silent) {
    Link link(*this);
    std::string why;
    if (run_pulse_output(link, why) || link.stopping()) return;
    if (on_problem_) on_problem_("no sound: " + why + "; the movie plays silently");
  }
  run_silent_clock();
}

// Renders in real time and throws the samples away.
void Device::run_silent_clock() {
  Link link(*this);
  link.set_rate(kSilentRate);
  std::vector<float> buffer;
  auto start = std::chrono::steady_clock::now();
  double done = 0;
  std::unique_lock lock(mutex_);
  while (!stop_) {
    stopped_.wait_for(lock, kSilentStep);
    if (stop_) break;
    double due = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() *
                 kSilentRate;
    auto frames = static_cast<std::size_t>(std::max(0.0, due - done));
    lock.unlock();
    buffer.resize(frames * 2);
    link.render(buffer.data(), frames);
    done += static_cast<double>(frames);
    link.heard_all();
    lock.lock();
  }
}

void Device::Link::set_rate(double rate) {
  std::lock_guard lock(d_.mutex_);
  d_.rate_ = rate;
}

void Device::Link::render(float* out, std::size_t frames) {
  double rate = 0;
  {
    std::lock_guard lock(d_.mutex_);
    rate = d_.rate_;
    d_.written_ += static_cast<double>(frames);
  }
  d_.source_.render(out, frames, rate);
}

void Device::Link::heard(double frames) {
  std::lock_guard lock(d_.mutex_);
  d_.heard_ = std::min(frames, d_.written_);
  d_.heard_at_ = std::chrono::steady_clock::now();
}

void Device::Link::heard_all() {
  std::lock_guard lock(d_.mutex_);
  d_.heard_ = d_.written_;
  d_.heard_at_ = std::chrono::steady_clock::now();
}

bool Device::Link::stopping() const {
  std::lock_guard lock(d_.mutex_);
  return d_.stop_;
}

void Device::Link::set_waker(std::function<void()> wake) {
  std::lock_guard lock(d_.mutex_);
  d_.waker_ = std::move(wake);
}

}  // namespace strandel::audio
