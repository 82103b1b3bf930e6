// Files the scripts ask for (XML.load, LoadVars.load, loadVariables...),
// handed over as the vendor's player hands over a finished download: after
// the scripts of the frame in which they were asked for, in the order asked,
// each on a later pass than the one that asked. Only files beside the movie
// are read (local_files.h); any other request fails as a missing file does.
#pragma once

#include <cstddef>
#include <deque>
#include <span>

#include "avm1/string.h"
#include "avm1/value.h"

namespace strandel::avm1 {

class Activation;
class Machine;
class Object;

// Requests waiting at once; a script asking for more has them refused.
inline constexpr std::size_t kMaxPendingLoads = 256;

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
  // Hands over the requests made before this call; requests made by the
  // handlers it runs wait for the next call.
  void complete();
  bool pending() const { return !pending_.empty(); }

 private:
  enum class Kind { Data, Variables };
  struct Request {
    Kind kind;
    Object* target;
    String url;
  };
  bool add(Request request);
  void finish(const Request& request);

  Machine& machine_;
  std::deque<Request> pending_;
  int roots_id_;
};

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
