// Files the scripts ask for (XML.load, LoadVars.load, loadVariables...),
// handed over as the vendor's player hands over a finished download: after
// the scripts of the frame in which they were asked for, in the order asked,
// each on a later pass than the one that asked. Only files beside the movie
// are read (local_files.h); any other request fails as a missing file does.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::swf {
class Player;
}

namespace strandel::avm1 {

class Activation;
class Machine;
class Object;

// Requests waiting at once; a script asking for more has them refused.
inline constexpr std::size_t kMaxPendingLoads = 256;

// Streams playing at once; a script starting more has them refused.
inline constexpr std::size_t kMaxOngoing = 64;

// An object whose work goes on from frame to frame once started: a
// NetStream playing a file.
class Ongoing {
 public:
  // One frame's work, after the frame's scripts and the files handed over
  // then; false once there is no more to do.
  virtual bool advance(Activation& act) = 0;

 protected:
  ~Ongoing() = default;
};

// What an object that loads data reports through getBytesLoaded and
// getBytesTotal: undefined before any load, 0 and undefined while waiting.
class Loadable {
 public:
  Value bytes_loaded;
  Value bytes_total;

 protected:
  ~Loadable() = default;
};

class Loads {
 public:
  explicit Loads(Machine& machine);
  ~Loads();
  Loads(const Loads&) = delete;
  Loads& operator=(const Loads&) = delete;

  // Calls `object.onData(text)` once the file is read, onData(undefined)
  // when it cannot be. False when too many requests wait.
  bool load_data(Object* object, const String& url);
  // The file's name=value pairs become variables of `target` (a clip, or
  // any object); nothing happens when it cannot be read.
  bool load_variables(Object* target, const String& url);
  // A movie into a clip (a script object of one): its content becomes the
  // movie's; "?name=value" after the file name gives the clip variables.
  // `loader` (a MovieClipLoader, or null) hears onLoadStart, onLoadProgress,
  // onLoadComplete, and onLoadInit once the movie's first frame has run, or
  // onLoadError when the file is not a movie beside this one. A clip that
  // has gone by then cancels the load.
  bool load_movie(Object* clip, const String& url, Object* loader);
  // The same into a level (loadMovieNum), which is made when it is empty;
  // an empty URL empties it (unloadMovieNum). Either happens when the
  // requests are handed over, not at once.
  bool load_level(int level, const String& url, Object* loader);
  // Hands over the requests made before this call; requests made by the
  // handlers it runs wait for the next call.
  void complete();
  // Has `object` (an Ongoing) advanced once a frame, after the requests are
  // handed over, until it has no more to do; it stays alive meanwhile.
  // False when too many go on at once.
  bool keep_going(Object* object);
  // onLoadInit of the movies handed over, once their first frame has run.
  void after_frame();
  bool pending() const { return !pending_.empty() || !inits_.empty(); }
  // Whether a stream plays, and so needs frames to pass.
  bool going() const { return !ongoing_.empty(); }

 private:
  enum class Kind { Data, Variables, Movie };
  struct Request {
    Kind kind;
    Object* target;
    String url;
    Object* loader = nullptr;
    int level = -1;  // a level's number, for a movie loaded into one
  };
  bool add(Request request);
  void finish(const Request& request);
  void finish_movie(const Request& request, const std::optional<std::string>& bytes,
                    const std::string& path);

  Machine& machine_;
  std::deque<Request> pending_;
  std::vector<std::pair<Object*, Object*>> inits_;  // loader, clip
  std::vector<Object*> ongoing_;                    // each an Ongoing
  int roots_id_;
};

// The URL a movie loaded from `url` shows as _url: relative to the main
// movie's.
std::string resolve_movie_url(const swf::Player& player, std::string_view url);

// The machine's loads.
Loads& loads_of(Activation& act);

// load() of XML, LoadVars and StyleSheet: `target.loaded` becomes false
// and its byte counts 0 and undefined until the file comes to its onData.
// False when there is no URL or too many requests wait.
bool start_data_load(Activation& act, Object* target, const Value& url);
// getBytesLoaded() and getBytesTotal() of an object that loads.
Value get_bytes_loaded(Activation& act, const Value& self, std::span<const Value> args);
Value get_bytes_total(Activation& act, const Value& self, std::span<const Value> args);

}  // namespace strandel::avm1
