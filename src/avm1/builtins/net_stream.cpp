// NetStream plays a video file from the movie's folder (a local
// NetConnection's stream) into the Video objects attached to it. Its time
// is the movie's: each frame, after the scripts, the stream moves on by the
// frame's interval, shows the last picture due, calls the handlers of the
// file's script data tags that are due (onMetaData), and reports what
// happened through onStatus ({code, level}).
#include "avm1/builtins/net_stream.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "avm1/builtins/amf.h"
#include "avm1/builtins/builtins.h"
#include "avm1/loads.h"
#include "avm1/local_files.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/flv.h"
#include "swf/movie.h"
#include "swf/player.h"
#include "swf/video.h"

namespace strandel::avm1 {

namespace {

// Status reports waiting for the next frame; more are dropped.
constexpr std::size_t kMaxStatuses = 64;
// The buffer a stream asks for until a script sets another, in seconds.
constexpr double kDefaultBufferTime = 0.1;

struct Status {
  const char* level;
  const char* code;
};

class NetStreamObject : public Object, public Ongoing {
 public:
  using Object::Object;

  std::shared_ptr<swf::StreamedVideo> pictures = std::make_shared<swf::StreamedVideo>();
  std::optional<swf::FlvFile> file;
  std::vector<Status> statuses;  // sent on the next frame
  double bytes = 0;              // of the file being played
  double buffer_time = kDefaultBufferTime;
  double position_ms = 0;  // in the file's time
  double clock_ms = 0;     // the movie's time when the position was last moved on
  bool paused = false;
  bool ended = false;           // the end is reached and reported
  std::size_t next_script = 0;  // the first script data tag not yet handed over

  void report(Status s) {
    if (statuses.size() < kMaxStatuses) statuses.push_back(s);
  }
  bool playing() const { return file && !paused && !ended; }

  // Moves the position on by the movie time passed since the last call.
  void catch_up(double now) {
    if (playing()) position_ms = std::min(position_ms + (now - clock_ms), double(end_ms()));
    clock_ms = now;
  }
  std::uint32_t end_ms() const { return file ? file->last_time_ms : 0; }

  bool advance(Activation& act) override;

 private:
  void send_statuses(Activation& act);
  void show_picture(Activation& act);
  void send_scripts(Activation& act);
};

NetStreamObject* stream_of(const Value& self) { return this_as<NetStreamObject>(self); }

void NetStreamObject::send_statuses(Activation& act) {
  auto sending = std::exchange(statuses, {});
  for (const Status& s : sending) {
    Object* info = act.new_object();
    act.set(Value(info), "code", Value(s.code));
    act.set(Value(info), "level", Value(s.level));
    act.call_method(Value(this), "onStatus", {Value(info)});
  }
}

// The last frame whose time has come.
void NetStreamObject::show_picture(Activation& act) {
  const auto& video = file->video;
  auto after = std::upper_bound(video.begin(), video.end(), position_ms,
                                [](double t, const swf::FlvVideoTag& v) { return t < v.time_ms; });
  std::optional<std::uint16_t> frame;
  if (after != video.begin()) frame = static_cast<std::uint16_t>(after - video.begin() - 1);
  if (frame == pictures->frame) return;
  pictures->frame = frame;
  act.machine().player().mark_dirty();
}

// Each due tag names a handler and gives its arguments: onMetaData(info).
void NetStreamObject::send_scripts(Activation& act) {
  while (file && next_script < file->scripts.size() &&
         file->scripts[next_script].time_ms <= position_ms) {
    std::vector<Value> values = read_amf_values(act, file->scripts[next_script++].data);
    if (values.empty() || !values[0].is_string()) continue;
    String name = act.to_string(values[0]);
    act.call_method(Value(this), name, std::span<const Value>(values).subspan(1));
  }
}

bool NetStreamObject::advance(Activation& act) {
  catch_up(act.machine().milliseconds());
  send_statuses(act);
  if (file) {
    show_picture(act);
    send_scripts(act);
    if (playing() && position_ms >= end_ms() && next_script >= file->scripts.size()) {
      ended = true;
      for (const char* code :
           {"NetStream.Buffer.Flush", "NetStream.Play.Stop", "NetStream.Buffer.Empty"})
        report({"status", code});
      send_statuses(act);
    }
  }
  return playing() || !statuses.empty();
}

Object* allocate_net_stream(Activation& act, Object* proto) {
  return act.heap().make<NetStreamObject>(proto);
}

// new NetStream(connection): the connection is a local one, and files are
// what it plays.
Value construct(Activation&, const Value&, std::span<const Value>) { return Value(); }

// Lets go of the file: nothing is shown or played any more.
void close_file(NetStreamObject& s) {
  s.file.reset();
  s.pictures->frame.reset();
  s.pictures->video = {};
  s.pictures->bytes.reset();
  s.position_ms = 0;
  s.paused = s.ended = false;
  s.next_script = 0;
}

// The pictures of a file: its video tags, numbered in order, in the codec
// of the first.
void take_pictures(swf::StreamedVideo& pictures, const swf::FlvFile& file) {
  pictures.video = {};
  if (file.video.empty()) return;
  pictures.video.codec = file.video.front().codec;
  for (std::size_t i = 0; i < file.video.size(); ++i)
    pictures.video.frames.emplace(static_cast<std::uint16_t>(i), file.video[i].packet);
  pictures.video.frame_count = static_cast<std::uint16_t>(file.video.size());
}

// play(url): opens a file beside the movie and plays it from its start.
Value play(Activation& act, const Value& self, std::span<const Value> args) {
  NetStreamObject* s = stream_of(self);
  if (!s || args.empty()) return Value();
  close_file(*s);
  s->statuses.clear();
  std::optional<std::string> bytes;
  if (auto movie = act.machine().player().movie())
    if (auto path = local_file_path(movie->path, act.to_string(args[0]).view()))
      bytes = read_local_file(*path);
  s->clock_ms = act.machine().milliseconds();
  if (!bytes) {
    s->report({"error", "NetStream.Play.StreamNotFound"});
  } else {
    auto owned = std::make_shared<const std::string>(std::move(*bytes));
    s->bytes = static_cast<double>(owned->size());
    s->file = swf::read_flv({reinterpret_cast<const std::uint8_t*>(owned->data()), owned->size()});
    if (!s->file || (s->file->video.empty() && s->file->scripts.empty())) {
      s->file.reset();
      s->report({"error", "NetStream.Play.FileStructureInvalid"});
    } else {
      s->pictures->bytes = owned;
      take_pictures(*s->pictures, *s->file);
      s->report({"status", "NetStream.Play.Start"});
      s->report({"status", "NetStream.Buffer.Full"});
    }
  }
  act.machine().loads().keep_going(s);
  return Value();
}

// pause() turns pausing on and off; pause(flag) sets it.
Value pause(Activation& act, const Value& self, std::span<const Value> args) {
  NetStreamObject* s = stream_of(self);
  if (!s || !s->file) return Value();
  s->catch_up(act.machine().milliseconds());
  s->paused = args.empty() ? !s->paused : act.to_boolean(args[0]);
  if (!s->paused) act.machine().loads().keep_going(s);
  return Value();
}

// seek(seconds): to the last key frame at or before that time; the script
// data tags from that time on are handed over again, those at it are not.
Value seek(Activation& act, const Value& self, std::span<const Value> args) {
  NetStreamObject* s = stream_of(self);
  if (!s || !s->file) return Value();
  double to = std::clamp(act.to_number(arg(args, 0)) * 1000, 0.0, double(s->end_ms()));
  if (!(to >= 0)) to = 0;  // NaN
  double key = 0;
  for (const swf::FlvVideoTag& v : s->file->video) {
    if (v.time_ms > to) break;
    if (v.key) key = v.time_ms;
  }
  s->position_ms = s->file->video.empty() ? to : key;
  s->clock_ms = act.machine().milliseconds();
  s->ended = false;
  auto& scripts = s->file->scripts;
  s->next_script = std::partition_point(
                       scripts.begin(), scripts.end(),
                       [&](const swf::FlvScriptTag& t) { return t.time_ms <= s->position_ms; }) -
                   scripts.begin();
  s->report({"status", "NetStream.Seek.Notify"});
  act.machine().loads().keep_going(s);
  return Value();
}

Value close(Activation&, const Value& self, std::span<const Value>) {
  if (NetStreamObject* s = stream_of(self)) {
    close_file(*s);
    s->bytes = 0;
  }
  return Value();
}

Value set_buffer_time(Activation& act, const Value& self, std::span<const Value> args) {
  if (NetStreamObject* s = stream_of(self)) s->buffer_time = act.to_number(arg(args, 0));
  return Value();
}

Value get_time(Activation&, const Value& self, std::span<const Value>) {
  NetStreamObject* s = stream_of(self);
  return s ? Value(s->position_ms / 1000) : Value();
}
Value get_bytes(Activation&, const Value& self, std::span<const Value>) {
  NetStreamObject* s = stream_of(self);
  return s ? Value(s->bytes) : Value();
}
Value get_buffer_time(Activation&, const Value& self, std::span<const Value>) {
  NetStreamObject* s = stream_of(self);
  return s ? Value(s->buffer_time) : Value();
}
// A local file is all there at once: nothing waits in a buffer.
Value get_zero(Activation&, const Value& self, std::span<const Value>) {
  return stream_of(self) ? Value(0) : Value();
}
Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

std::shared_ptr<const swf::StreamedVideo> streamed_video(const Value& stream) {
  NetStreamObject* s = stream_of(stream);
  return s ? s->pictures : nullptr;
}

void register_net_stream(Realm& realm, Activation& act) {
  ClassBuilder stream(act, {"NetStream", construct, nullptr, allocate_net_stream});
  stream.method("play", play)
      .method("pause", pause)
      .method("seek", seek)
      .method("close", close)
      .method("setBufferTime", set_buffer_time)
      .property("time", get_time)
      .property("bytesLoaded", get_bytes)
      .property("bytesTotal", get_bytes)
      .property("bufferTime", get_buffer_time)
      .property("bufferLength", get_zero)
      .property("currentFps", get_zero);
  for (const char* method :
       {"attachAudio", "attachVideo", "publish", "receiveAudio", "receiveVideo", "send"})
    stream.method(method, nothing);
  stream.install(realm.global);
}

}  // namespace strandel::avm1
