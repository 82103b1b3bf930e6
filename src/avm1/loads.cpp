#include "avm1/loads.h"

#include <optional>
#include <string>

#include "avm1/activation.h"
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
    for (const Request& r : pending_) tracer.mark(r.target);
  });
}

Loads::~Loads() { machine_.remove_roots(roots_id_); }

bool Loads::add(Request request) {
  if (!request.target || pending_.size() >= kMaxPendingLoads) return false;
  pending_.push_back(std::move(request));
  return true;
}

bool Loads::load_data(Object* object, const String& url) { return add({Kind::Data, object, url}); }

bool Loads::load_variables(Object* target, const String& url) {
  return add({Kind::Variables, target, url});
}

void Loads::complete() {
  for (std::size_t n = pending_.size(); n > 0 && !pending_.empty(); --n) {
    Request request = pending_.front();
    pending_.pop_front();
    finish(request);
  }
}

void Loads::finish(const Request& request) {
  std::optional<std::string> bytes;
  if (auto movie = machine_.player().movie()) {
    if (auto path = local_file_path(movie->path, request.url.view()))
      bytes = read_local_file(*path);
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
