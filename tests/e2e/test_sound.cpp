// The movie is heard: the real program on a private sound server with a null
// sink, its output recorded from the sink's monitor. Each test checks that
// the sound it expects dominates the recording, and that it is heard when
// the picture or the pointer says it should be.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "harness.h"
#include "sound_server.h"
#include "swfwriter/swfwriter.h"

// Xlib after gtest: its macros clash with gtest's headers.
#include <X11/Xlib.h>

using namespace e2e;
using Clock = std::chrono::steady_clock;

namespace {

const char kTitle[] = "Velmoran Strandel";
constexpr double kRate = Recording::kRecordRate;
const Rgb kGreen{0, 128, 0}, kRed{255, 0, 0};
const swfw::SoundFormat kPcm44{3, 3, true, false};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The program on its own X server and sound server, showing one movie
// without a frame at 320×240, with the recording running from before it starts.
class SoundRun {
 public:
  explicit SoundRun(const swfw::Movie& movie) : recording_(sound_) {
    dir_.write("readme.txt", "border:false\nsizes:320x240\n/movie.swf\n");
    EXPECT_TRUE(movie.write((dir_.path() / "movie.swf").string()));
    auto command = program_command(x_, dir_.path());
    for (auto& e : sound_.client_env()) command.set_env.push_back(e);
    program_.emplace(command);
    window_ = wait_for_window(x_.display(), kTitle);
  }

  // Waits (marking the recording) until the movie's centre shows `colour`;
  // when it did, or nullopt.
  std::optional<Clock::time_point> wait_for_colour(Rgb colour, Milliseconds timeout = 5000ms) {
    bool seen = wait_for(
        [&] {
          recording_.mark();
          return window_ && pixel_in(x_.display(), window_, 160, 120) == colour;
        },
        timeout);
    if (!seen) return std::nullopt;
    return Clock::now();
  }
  // Keeps marking the recording for a while.
  void listen(Milliseconds time) {
    auto end = Clock::now() + time;
    while (Clock::now() < end) {
      recording_.mark();
      std::this_thread::sleep_for(5ms);
    }
  }
  // Keeps marking for `at_least`, then until `hz` has sounded for `heard`
  // in the recording or `timeout` passes: on a loaded machine the sound and
  // its recording may take a while to come through, so the test waits for
  // them, not for a fixed time. (The marks over the whole listening time
  // place the recording's start; too few place it loosely.)
  void listen_for_tone(double hz, Milliseconds heard, Milliseconds at_least,
                       Milliseconds timeout = 8000ms) {
    auto needed = static_cast<std::size_t>(heard.count() * kRate / 1000);
    auto end = Clock::now() + timeout;
    listen(at_least);
    while (Clock::now() < end) {
      listen(100ms);
      auto samples = recording_.samples();
      auto at = tone_onset(samples, hz, kRate);
      if (at && samples.size() >= *at + needed) return;
    }
  }
  // Keeps marking until the recording reaches `after` past `when`, or
  // `timeout` passes.
  void listen_past(Clock::time_point when, Milliseconds after, Milliseconds at_least,
                   Milliseconds timeout = 8000ms) {
    auto end = Clock::now() + timeout;
    listen(at_least);
    while (Clock::now() < end) {
      listen(100ms);
      std::size_t size = recording_.samples().size();
      if (size > 0 && recording_.time_of(size - 1) >= when + after) return;
    }
  }
  Display* display() const { return x_.display(); }
  Window window() const { return window_; }
  Recording& recording() { return recording_; }
  std::string stderr_text() { return program_->stderr_text(); }

 private:
  Xvfb x_;
  SoundServer sound_;
  Recording recording_;
  TempDir dir_;
  std::optional<Process> program_;
  Window window_ = 0;
};

// Seconds from `when` to the onset of `hz` in the recording (negative: before).
std::optional<double> onset_after(SoundRun& run, double hz, Clock::time_point when) {
  auto samples = run.recording().samples();
  auto at = tone_onset(samples, hz, kRate);
  if (!at) return std::nullopt;
  return seconds(run.recording().time_of(*at) - when);
}

}  // namespace

TEST(Sound, ToneOnFrameOneIsHeardWithTheFirstFrame) {
  constexpr double kFps = 12, kHz = 880;
  swfw::Movie m(8, 320, 240, kFps);
  m.background(kGreen.r, kGreen.g, kGreen.b);
  auto tone = swfw::tone(kHz, 1.0, 44100);
  m.define_sound(1, kPcm44, static_cast<std::uint32_t>(tone.size()), swfw::pcm16(tone));
  m.start_sound(1);
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  SoundRun run(m);
  auto painted = run.wait_for_colour(kGreen);
  ASSERT_TRUE(painted);
  run.listen_for_tone(kHz, 700ms, 1500ms);
  auto onset = onset_after(run, kHz, *painted);
  ASSERT_TRUE(onset) << run.stderr_text();
  RecordProperty("onset_ms", static_cast<int>(*onset * 1000));
  EXPECT_NEAR(*onset, 0.0, 2 / kFps);
  auto samples = run.recording().samples();
  auto at = tone_onset(samples, kHz, kRate).value();
  ASSERT_GT(samples.size(), at + 22050);
  EXPECT_GT(tone_share(std::span(samples).subspan(at + 4410, 17640), kHz, kRate), 0.9);
}

TEST(Sound, ButtonSoundPlaysOnPress) {
  constexpr double kFps = 12, kHz = 660;
  swfw::Movie m(8, 320, 240, kFps);
  m.background(kGreen.r, kGreen.g, kGreen.b);
  auto tone = swfw::tone(kHz, 0.5, 22050);
  m.define_sound(1, {1, 2, true, false}, static_cast<std::uint32_t>(tone.size()),
                 swfw::adpcm_encode(tone, 1, 4));
  m.define_shape(2, swfw::rect_shape(20 * 320, 20 * 240, swfw::rgb(0, 128, 0)));
  swfw::Button b;
  b.records.push_back({swfw::ButtonRecord::Up | swfw::ButtonRecord::Over |
                           swfw::ButtonRecord::Down | swfw::ButtonRecord::HitTest,
                       2, 1, {}, {}});
  m.define_button2(3, b);
  m.define_button_sound(3, {{0, {}}, {0, {}}, {1, {}}, {0, {}}});
  m.place(1, 3);
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  SoundRun run(m);
  ASSERT_TRUE(run.wait_for_colour(kGreen));
  auto point = to_root(run.display(), run.window(), {160, 120}).value();
  move_pointer(run.display(), point.x, point.y);
  run.listen(500ms);
  auto pressed = Clock::now();
  press_button(run.display(), 1);
  release_button(run.display(), 1);
  run.listen_for_tone(kHz, 200ms, 1000ms);
  auto onset = onset_after(run, kHz, pressed);
  ASSERT_TRUE(onset) << run.stderr_text();
  RecordProperty("onset_ms", static_cast<int>(*onset * 1000));
  EXPECT_NEAR(*onset, 0.0, 2 / kFps);
}

// Ten seconds of streaming sound at 10 frames a second: 440 Hz, then 880 Hz
// from frame 90, where the picture turns red. The two must change together.
TEST(Sound, StreamStaysInStepWithTheTimeline) {
  constexpr double kFps = 10;
  constexpr int kFrames = 100, kChange = 90;
  constexpr std::uint16_t kBlock = 2205;  // 22050 Hz / 10 fps
  swfw::Movie m(8, 320, 240, kFps);
  m.background(kGreen.r, kGreen.g, kGreen.b);
  m.define_shape(1, swfw::rect_shape(20 * 320, 20 * 240, swfw::rgb(255, 0, 0)));
  swfw::SoundFormat format{3, 2, true, false};
  m.sound_stream_head(format, kBlock);
  auto low = swfw::tone(440, 1.0 * kChange / kFps, 22050);
  auto high = swfw::tone(880, 1.0 * (kFrames - kChange) / kFps, 22050);
  for (int f = 0; f < kFrames; ++f) {
    const auto& t = f < kChange ? low : high;
    std::size_t first = static_cast<std::size_t>(f < kChange ? f : f - kChange) * kBlock;
    m.sound_stream_block(swfw::pcm16({t.begin() + first, t.begin() + first + kBlock}));
    if (f == kChange) m.place(1, 1);
    if (f == kFrames - 1) m.do_action(swfw::Actions().stop());
    m.show_frame();
  }
  SoundRun run(m);
  auto started = run.wait_for_colour(kGreen);
  ASSERT_TRUE(started);
  auto red = run.wait_for_colour(kRed, 15000ms);
  ASSERT_TRUE(red);
  run.listen_for_tone(880, 200ms, 500ms);
  auto onset = onset_after(run, 880, *red);
  ASSERT_TRUE(onset) << run.stderr_text();
  RecordProperty("onset_ms", static_cast<int>(*onset * 1000));
  EXPECT_NEAR(*onset, 0.0, 2 / kFps);
  // The picture took the sound's time to get there, not its own.
  EXPECT_NEAR(seconds(*red - *started), kChange / kFps, 0.5);
}

// A short tone looped 65535 times plays until a later frame stops it.
namespace {

// A tone looped for ever from frame 1 that the movie silences on frame 25
// (which turns the picture red), by `silence`; heard through the loops and
// silent half a second after the silencing frame is shown.
void expect_loop_silenced(const std::function<void(swfw::Movie&)>& silence) {
  constexpr double kFps = 12, kHz = 550;
  swfw::Movie m(8, 320, 240, kFps);
  m.background(kGreen.r, kGreen.g, kGreen.b);
  m.define_shape(1, swfw::rect_shape(20 * 320, 20 * 240, swfw::rgb(255, 0, 0)));
  auto tone = swfw::tone(kHz, 0.2, 11025);
  m.define_sound(1, {3, 1, true, false}, static_cast<std::uint32_t>(tone.size()),
                 swfw::pcm16(tone));
  swfw::SoundInfo looped;
  looped.loops = 65535;
  m.start_sound(1, looped);
  m.show_frame();
  for (int f = 1; f < 24; ++f) m.show_frame();
  silence(m);
  m.place(1, 1);
  m.do_action(swfw::Actions().stop());
  m.show_frame();
  SoundRun run(m);
  ASSERT_TRUE(run.wait_for_colour(kGreen));
  auto stopped = run.wait_for_colour(kRed, 5000ms);
  ASSERT_TRUE(stopped);
  run.listen_past(*stopped, 800ms, 1000ms);
  auto samples = run.recording().samples();
  auto at = tone_onset(samples, kHz, kRate);
  ASSERT_TRUE(at) << run.stderr_text();
  std::span all(samples);
  // Heard through the loops (1 s after it starts, past five plays), silent after the stop.
  ASSERT_GT(samples.size(), *at + 44100 + 4410);
  EXPECT_GT(tone_share(all.subspan(*at + 44100, 4410), kHz, kRate), 0.9);
  auto end = static_cast<std::size_t>(seconds(*stopped - run.recording().time_of(0)) * kRate);
  ASSERT_GT(samples.size(), end + 22050 + 4410);
  EXPECT_LT(rms(all.subspan(end + 22050, 4410)), 0.001);
}

}  // namespace

TEST(Sound, LoopPlaysUntilStop) {
  expect_loop_silenced([](swfw::Movie& m) {
    swfw::SoundInfo stop;
    stop.stop = true;
    m.start_sound(1, stop);
  });
}

// A volume set while a sound plays reaches it: new Sound().setVolume(0).
TEST(Sound, VolumeReachesAPlayingSound) {
  expect_loop_silenced([](swfw::Movie& m) {
    m.do_action(swfw::Actions()
                    .push_int(0)  // setVolume's argument
                    .push_int(1)
                    .push_int(0)  // new Sound()
                    .push_string("Sound")
                    .op(swfw::op::NewObject)
                    .push_string("setVolume")
                    .op(swfw::op::CallMethod)
                    .op(swfw::op::Pop));
  });
}
