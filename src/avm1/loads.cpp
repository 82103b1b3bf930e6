#include "avm1/loads.h"

#include <algorithm>
#include <optional>
#include <string>

#include "avm1/activation.h"
#include "avm1/clip.h"
#include "avm1/local_files.h"
#include "avm1/machine.h"
#include "avm1/url_encoding.h"
#include "swf/movie.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

// System.useCodepage: loaded text that is not UTF-8 is in the system's code
// page rather than broken UTF-8.
bool use_codepage(Activation& act) {
  return act.to_boolean(act.get(act.get(Value(act.global()), "System"), "useCodepage"));
}

}  // namespace

Loads::Loads(Machine& machine) : machine_(machine) {
  roots_id_ = machine_.add_roots([this](Tracer& tracer) {
    for (const Request& r : pending_) {
      tracer.mark(r.target);
      tracer.mark(r.loader);
    }
    for (const auto& [loader, clip] : inits_) {
      tracer.mark(loader);
      tracer.mark(clip);
    }
    for (Object* o : ongoing_) tracer.mark(o);
  });
}

Loads::~Loads() { machine_.remove_roots(roots_id_); }

bool Loads::add(Request request) {
  if ((!request.target && request.level < 0) || pending_.size() >= kMaxPendingLoads) return false;
  pending_.push_back(std::move(request));
  return true;
}

bool Loads::load_data(Object* object, const String& url) { return add({Kind::Data, object, url}); }

bool Loads::load_variables(Object* target, const String& url) {
  return add({Kind::Variables, target, url});
}

bool Loads::load_movie(Object* clip, const String& url, Object* loader) {
  return add({Kind::Movie, clip, url, loader});
}

bool Loads::load_level(int level, const String& url, Object* loader) {
  return add({Kind::Movie, nullptr, url, loader, level});
}

void Loads::complete() {
  for (std::size_t n = pending_.size(); n > 0 && !pending_.empty(); --n) {
    Request request = pending_.front();
    pending_.pop_front();
    finish(request);
  }
  // Those started by the handlers below begin on the next frame.
  std::vector<Object*> going = ongoing_;
  std::vector<Object*> done;
  for (Object* o : going) {
    bool more = false;
    machine_.run_native([&](Activation& act) { more = dynamic_cast<Ongoing&>(*o).advance(act); });
    if (!more) done.push_back(o);
  }
  std::erase_if(ongoing_, [&](Object* o) { return std::ranges::find(done, o) != done.end(); });
}

bool Loads::keep_going(Object* object) {
  if (!dynamic_cast<Ongoing*>(object)) return false;
  if (std::ranges::find(ongoing_, object) != ongoing_.end()) return true;
  if (ongoing_.size() >= kMaxOngoing) return false;
  ongoing_.push_back(object);
  return true;
}

void Loads::finish(const Request& request) {
  std::optional<std::string> bytes;
  std::optional<std::string> path;
  std::string_view url = request.url.view();
  // A movie's URL may carry variables for it; the file is what comes before.
  if (request.kind == Kind::Movie) url = url.substr(0, url.find('?'));
  if (auto movie = machine_.player().movie()) {
    path = local_file_path(movie->path, url);
    if (path) bytes = read_local_file(*path);
  }
  if (request.kind == Kind::Movie) {
    finish_movie(request, bytes, path ? *path : std::string());
    return;
  }
  machine_.run_native([&](Activation& act) {
    std::optional<String> text;
    if (bytes) text = String(decode_loaded_text(*bytes, act.version(), use_codepage(act)));
    if (request.kind == Kind::Variables) {
      if (!text) return;
      for (const auto& [name, value] : decode_form(text->view()))
        act.set(Value(request.target), String(name), Value(String(value)));
      return;
    }
    if (auto* loadable = dynamic_cast<Loadable*>(request.target); loadable && bytes) {
      loadable->bytes_loaded = Value(static_cast<double>(bytes->size()));
      loadable->bytes_total = loadable->bytes_loaded;
    }
    act.call_method(Value(request.target), "onData", {text ? Value(*text) : Value()});
  });
}

void Loads::finish_movie(const Request& request, const std::optional<std::string>& bytes,
                         const std::string& path) {
  swf::Player& player = machine_.player();
  if (request.level >= 0 && request.url.empty()) return player.unload_level(request.level);
  std::shared_ptr<const swf::Movie> movie;
  if (bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    movie = swf::read_movie({data, bytes->size()}).movie;
    // Nothing else holds it yet; its imports are read from its folder.
    if (movie) std::const_pointer_cast<swf::Movie>(movie)->path = path;
  }
  std::string url(request.url.view());
  if (request.level >= 0 && movie) {
    if (!player.load_level(request.level, movie, resolve_movie_url(player, url), bytes->size()))
      return;
  }
  auto* clip = dynamic_cast<ClipObject*>(request.target);
  if (request.level >= 0) {
    swf::DisplayObject* level = player.level(request.level);
    clip = level ? clip_object(machine_, *level) : nullptr;
  }
  swf::DisplayObject* object = clip ? clip->object() : nullptr;
  if (request.level < 0 && (!object || !object->sprite))
    return;  // the clip went: the load is cancelled
  Value target = clip ? Value(clip) : Value();
  bool image = false;
  machine_.run_native([&](Activation& act) {
    auto tell = [&](const char* event, std::initializer_list<Value> more) {
      if (!request.loader) return;
      std::vector<Value> args{Value(event), target};
      args.insert(args.end(), more);
      act.call_method(Value(request.loader), "broadcastMessage", args);
    };
    if (!movie && bytes && object && request.level < 0) {
      // A picture in place of the clip's content.
      for (const String& name : clip->enumerate(act)) clip->delete_property(act, name);
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
      image = player.load_image(*object, {data, bytes->size()}, resolve_movie_url(player, url));
    }
    if (!movie && !image) {
      tell("onLoadError", {Value("URLNotFound")});
      return;
    }
    if (request.level < 0 && !image) {
      // The clip's variables belong to what it held before.
      for (const String& name : clip->enumerate(act)) clip->delete_property(act, name);
      if (!player.load_movie(*object, movie, resolve_movie_url(player, url), bytes->size())) return;
    }
    if (auto query = url.find('?'); query != std::string::npos)
      for (const auto& [name, value] : decode_form(std::string_view(url).substr(query + 1)))
        act.set(target, String(name), Value(String(value)));
    Value size(static_cast<double>(bytes->size()));
    tell("onLoadStart", {});
    tell("onLoadProgress", {size, size});
    tell("onLoadComplete", {Value(0)});
    if (request.loader) inits_.emplace_back(request.loader, clip);
  });
}

void Loads::after_frame() {
  auto inits = std::move(inits_);
  inits_.clear();
  for (const auto& init : inits) {
    machine_.run_native([&](Activation& act) {
      act.call_method(Value(init.first), "broadcastMessage",
                      {Value("onLoadInit"), Value(init.second)});
    });
  }
}

std::string resolve_movie_url(const swf::Player& player, std::string_view url) {
  if (url.find(':') != std::string_view::npos) return std::string(url);
  const std::string& base = player.url();
  auto slash = base.rfind('/');
  if (slash == std::string::npos) return std::string(url);
  return base.substr(0, slash + 1) + std::string(url);
}

Loads& loads_of(Activation& act) { return act.machine().loads(); }

bool start_data_load(Activation& act, Object* target, const Value& url) {
  if (!target || url.is_undefined()) return false;
  if (auto* loadable = dynamic_cast<Loadable*>(target)) {
    loadable->bytes_loaded = Value(0);
    loadable->bytes_total = Value();
  }
  act.set(Value(target), "loaded", Value(false));
  return loads_of(act).load_data(target, act.to_string(url));
}

Value get_bytes_loaded(Activation&, const Value& self, std::span<const Value>) {
  auto* loadable = dynamic_cast<Loadable*>(self.object());
  return loadable ? loadable->bytes_loaded : Value();
}

Value get_bytes_total(Activation&, const Value& self, std::span<const Value>) {
  auto* loadable = dynamic_cast<Loadable*>(self.object());
  return loadable ? loadable->bytes_total : Value();
}

}  // namespace strandel::avm1
