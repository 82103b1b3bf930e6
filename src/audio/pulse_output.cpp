// Output through the desktop's sound server by libpulse (PulseAudio, and the
// PipeWire servers that speak its protocol). The library is loaded with
// dlopen on the device thread the first time a movie has something to play:
// it brings some thirty libraries with it, which a movie without sound, and
// the path to the first paint, should not pay for.
#include <dlfcn.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/device.h"

namespace strandel::audio {

namespace {

constexpr const char* kLibrary = "libpulse.so.0";
constexpr const char* kClientName = "strandel";
// How long connecting to the server and opening the stream may take.
constexpr auto kConnectTimeout = std::chrono::seconds(5);
constexpr auto kConnectPoll = std::chrono::milliseconds(5);
// The server holds about this much of our sound ahead of what is heard, and
// asks for more each time this much has played: enough to ride out a busy
// window thread, short enough that a button's click follows the press.
constexpr double kTargetLatencySeconds = 0.06;
constexpr double kRequestSeconds = 0.01;
// Output rates the server's own rate is clamped to.
constexpr double kMinRate = 8000, kMaxRate = 192000;

// The functions used, resolved by name from the library.
struct Api {
#define STRANDEL_PA(name) decltype(&::name) name = nullptr;
#define STRANDEL_PA_FUNCTIONS                                                               \
  STRANDEL_PA(pa_mainloop_new) STRANDEL_PA(pa_mainloop_get_api)                            \
  STRANDEL_PA(pa_mainloop_iterate) STRANDEL_PA(pa_mainloop_wakeup)                         \
  STRANDEL_PA(pa_mainloop_free) STRANDEL_PA(pa_context_new) STRANDEL_PA(pa_context_connect) \
  STRANDEL_PA(pa_context_get_state) STRANDEL_PA(pa_context_errno)                          \
  STRANDEL_PA(pa_context_disconnect) STRANDEL_PA(pa_context_unref)                         \
  STRANDEL_PA(pa_context_get_server_info) STRANDEL_PA(pa_operation_get_state)              \
  STRANDEL_PA(pa_operation_unref) STRANDEL_PA(pa_strerror) STRANDEL_PA(pa_stream_new)      \
  STRANDEL_PA(pa_stream_set_write_callback) STRANDEL_PA(pa_stream_connect_playback)        \
  STRANDEL_PA(pa_stream_get_state) STRANDEL_PA(pa_stream_begin_write)                      \
  STRANDEL_PA(pa_stream_write) STRANDEL_PA(pa_stream_get_time)                             \
  STRANDEL_PA(pa_stream_disconnect) STRANDEL_PA(pa_stream_unref)                           \
  STRANDEL_PA(pa_usec_to_bytes)
  STRANDEL_PA_FUNCTIONS
#undef STRANDEL_PA

  // False, with the missing name in `why`, when the library or a function is missing.
  bool load(std::string& why) {
    void* lib = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
      why = std::string(kLibrary) + " cannot be loaded";
      return false;
    }
    // The library stays loaded for the program's life: its threads and
    // atexit handlers may still refer to it.
#define STRANDEL_PA(name)                                      \
  name = reinterpret_cast<decltype(name)>(dlsym(lib, #name)); \
  if (!name) {                                                 \
    why = std::string(kLibrary) + " lacks " #name;             \
    return false;                                              \
  }
    STRANDEL_PA_FUNCTIONS
#undef STRANDEL_PA
    return true;
  }
};

class Connection {
 public:
  Connection(const Api& pa, Device::Link& link) : pa_(pa), link_(link) {}
  ~Connection() {
    link_.set_waker(nullptr);
    if (stream_) {
      pa_.pa_stream_disconnect(stream_);
      pa_.pa_stream_unref(stream_);
    }
    if (context_) {
      pa_.pa_context_disconnect(context_);
      pa_.pa_context_unref(context_);
    }
    if (loop_) pa_.pa_mainloop_free(loop_);
  }

  bool open(std::string& why) {
    loop_ = pa_.pa_mainloop_new();
    if (!loop_) return fail(why, "cannot start the sound server's event loop");
    pa_mainloop* loop = loop_;
    const Api& pa = pa_;
    link_.set_waker([&pa, loop] { pa.pa_mainloop_wakeup(loop); });
    context_ = pa_.pa_context_new(pa_.pa_mainloop_get_api(loop_), kClientName);
    if (!context_) return fail(why, "cannot make a sound server context");
    if (pa_.pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      return fail(why, server_error());
    if (!wait_until([&] { return context_state(); })) return fail(why, server_error());
    if (!read_server_rate()) return fail(why, "the sound server does not answer");
    return open_stream(why);
  }

  // Serves the server's requests for sound until the device stops. False
  // when the server goes away.
  bool play(std::string& why) {
    while (!link_.stopping()) {
      if (pa_.pa_mainloop_iterate(loop_, 1, nullptr) < 0 ||
          pa_.pa_stream_get_state(stream_) != PA_STREAM_READY)
        return fail(why, "the sound server went away");
    }
    return true;
  }

 private:
  bool fail(std::string& why, const std::string& text) {
    why = text;
    return false;
  }
  std::string server_error() const {
    int error = context_ ? pa_.pa_context_errno(context_) : PA_ERR_UNKNOWN;
    return std::string("no sound server (") + pa_.pa_strerror(error) + ")";
  }

  // Runs the loop without blocking until `ready` says true (1) or failed
  // (-1), the time is up or the device stops.
  template <typename Ready>
  bool wait_until(Ready ready) {
    auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    while (!link_.stopping() && std::chrono::steady_clock::now() < deadline) {
      int r = ready();
      if (r != 0) return r > 0;
      if (pa_.pa_mainloop_iterate(loop_, 0, nullptr) < 0) return false;
      std::this_thread::sleep_for(kConnectPoll);
    }
    return false;
  }

  int context_state() const {
    pa_context_state_t s = pa_.pa_context_get_state(context_);
    if (s == PA_CONTEXT_READY) return 1;
    return PA_CONTEXT_IS_GOOD(s) ? 0 : -1;
  }

  bool read_server_rate() {
    pa_operation* op = pa_.pa_context_get_server_info(
        context_,
        [](pa_context*, const pa_server_info* info, void* self) {
          if (info && info->sample_spec.rate > 0)
            static_cast<Connection*>(self)->rate_ = info->sample_spec.rate;
        },
        this);
    if (!op) return false;
    bool done = wait_until([&] {
      pa_operation_state_t s = pa_.pa_operation_get_state(op);
      return s == PA_OPERATION_DONE ? 1 : s == PA_OPERATION_RUNNING ? 0 : -1;
    });
    pa_.pa_operation_unref(op);
    if (rate_ < kMinRate || rate_ > kMaxRate) rate_ = 44100;
    return done;
  }

  bool open_stream(std::string& why) {
    pa_sample_spec format{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(rate_), 2};
    stream_ = pa_.pa_stream_new(context_, "movie", &format, nullptr);
    if (!stream_) return fail(why, server_error());
    link_.set_rate(rate_);
    pa_.pa_stream_set_write_callback(
        stream_,
        [](pa_stream*, std::size_t bytes, void* self) {
          static_cast<Connection*>(self)->write(bytes);
        },
        this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(
        pa_.pa_usec_to_bytes(static_cast<pa_usec_t>(kTargetLatencySeconds * 1e6), &format));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(
        pa_.pa_usec_to_bytes(static_cast<pa_usec_t>(kRequestSeconds * 1e6), &format));
    attr.fragsize = static_cast<std::uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY |
                                                PA_STREAM_INTERPOLATE_TIMING |
                                                PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_.pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
      return fail(why, server_error());
    bool ready = wait_until([&] {
      pa_stream_state_t s = pa_.pa_stream_get_state(stream_);
      return s == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(s) ? 0 : -1;
    });
    return ready || fail(why, server_error());
  }

  // Fills what the server asks for, in as many pieces as its buffers come in.
  void write(std::size_t bytes) {
    constexpr std::size_t kFrameBytes = 2 * sizeof(float);
    std::size_t left = bytes / kFrameBytes * kFrameBytes;
    while (left > 0) {
      void* data = nullptr;
      std::size_t size = left;
      if (pa_.pa_stream_begin_write(stream_, &data, &size) < 0 || !data || size < kFrameBytes) {
        buffer_.resize(left / sizeof(float));
        data = buffer_.data();
        size = left;
      }
      std::size_t frames = std::min(size, left) / kFrameBytes;
      link_.render(static_cast<float*>(data), frames);
      if (pa_.pa_stream_write(stream_, data, frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        break;
      left -= frames * kFrameBytes;
    }
    pa_usec_t heard = 0;
    if (pa_.pa_stream_get_time(stream_, &heard) == 0)
      link_.heard(static_cast<double>(heard) * rate_ / 1e6);
  }

  const Api& pa_;
  Device::Link& link_;
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  double rate_ = 0;
  std::vector<float> buffer_;
};

}  // namespace

bool run_pulse_output(Device::Link& link, std::string& why) {
  static Api pa;
  static std::string load_error;
  static bool loaded = pa.load(load_error);
  if (!loaded) {
    why = load_error;
    return false;
  }
  Connection connection(pa, link);
  if (!connection.open(why)) return false;
  return connection.play(why);
}

}  // namespace strandel::audio
