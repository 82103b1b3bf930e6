// The sound device: a thread of its own that pulls the mix and plays it
// through the desktop's sound server, or, when there is none, keeps time with
// a silent clock so that sounds still end and streams still pace their
// timelines. Opening happens on that thread, so the window never waits for
// the server, its library or the connection.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace strandel::audio {

class Device {
 public:
  class Source {
   public:
    virtual ~Source() = default;
    // Fills `frames` stereo frames (left, right) at `rate`; on the device thread.
    virtual void render(float* out, std::size_t frames, double rate) = 0;
  };
  using Problem = std::function<void(const std::string&)>;

  // Starts the thread; it connects to the server unless `silent` is set.
  Device(Source& source, Problem on_problem, bool silent = false);
  ~Device();  // stops the thread and closes the connection
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Frames a second of the output; 0 until it is open.
  double rate() const;
  // Output frames heard so far, by the device's clock.
  double frames_heard() const;

  // What the output code on the device thread uses.
  class Link {
   public:
    explicit Link(Device& d) : d_(d) {}
    void set_rate(double rate);
    void render(float* out, std::size_t frames);
    // The device's clock: `frames` were heard at this moment.
    void heard(double frames);
    // Every frame rendered has been heard (the silent clock).
    void heard_all();
    bool stopping() const;
    // How to wake the output's loop when the device stops; null to forget it.
    void set_waker(std::function<void()> wake);

   private:
    Device& d_;
  };

 private:
  void run(bool silent);
  void run_silent_clock();

  Source& source_;
  Problem on_problem_;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stop_ = false;
  std::function<void()> waker_;
  double rate_ = 0;
  double written_ = 0;       // frames rendered
  double heard_ = 0;         // frames heard at heard_at_
  std::chrono::steady_clock::time_point heard_at_{};
  std::thread thread_;
};

// Plays through the sound server until the link says stop. False, with the
// reason, when there is no server or it goes away.
bool run_pulse_output(Device::Link& link, std::string& why);

}  // namespace strandel::audio
