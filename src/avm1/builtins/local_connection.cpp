// LocalConnection: channels between movies. Each name may be connected by
// one object of the player at a time; messages are accepted and, as no
// other movie listens here, reach no one.
#include <map>
#include <string>
#include <utility>

#include "avm1/builtins/builtins.h"
#include "avm1/function.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// Channel names compare in either case, and a name without a leading
// underscore belongs to its movie's domain.
std::string channel_name(std::string_view name) {
  std::string out;
  if (!name.starts_with('_')) out = "localhost:";
  for (char c : name) out += fold_ascii(c);
  return out;
}

// The connected channels of the player and their receivers.
class Channels : public Cell {
 public:
  std::map<std::string, Object*> receivers;

  bool connected(Object* o) const {
    for (const auto& [name, receiver] : receivers)
      if (receiver == o) return true;
    return false;
  }

  void trace(Tracer& tracer) override {
    for (auto& [name, receiver] : receivers) tracer.mark(receiver);
  }
};

// connect(name) and close(), which share the channels.
class ChannelMethod : public FunctionObject {
 public:
  enum class Kind { Connect, Close };
  ChannelMethod(Object* proto, Channels* channels, Kind kind)
      : FunctionObject(proto), channels_(channels), kind_(kind) {}

  Value call(Activation&, const Value& self, std::span<const Value> args) override {
    Object* o = self.object();
    if (!o) return kind_ == Kind::Connect ? Value(false) : Value();
    if (kind_ == Kind::Close) {
      std::erase_if(channels_->receivers, [&](const auto& entry) { return entry.second == o; });
      return Value();
    }
    return Value(connect(o, args));
  }

  void trace(Tracer& tracer) override {
    FunctionObject::trace(tracer);
    tracer.mark(channels_);
  }

 private:
  // False when the name is not a non-empty string without a colon, when the
  // object is connected already, or when the channel is taken.
  bool connect(Object* o, std::span<const Value> args) {
    if (args.empty() || !args[0].is_string()) return false;
    std::string_view name = args[0].string().view();
    if (name.empty() || name.find(':') != std::string_view::npos) return false;
    if (channels_->connected(o)) return false;
    return channels_->receivers.try_emplace(channel_name(name), o).second;
  }

  Channels* channels_;
  Kind kind_;
};

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

// send(name, method, args...): true when the call is well formed.
Value send(Activation& act, const Value&, std::span<const Value> args) {
  if (args.size() < 2 || !args[0].is_string() || !args[1].is_string()) return Value(false);
  std::string_view method = args[1].string().view();
  if (method.empty() || method == "send" || method == "connect" || method == "close" ||
      method == "domain" || method == "onStatus" || method == "allowDomain")
    return Value(false);
  (void)act;
  return Value(true);
}

Value domain(Activation&, const Value&, std::span<const Value>) { return Value("localhost"); }

}  // namespace

void register_local_connection(Realm& realm, Activation& act) {
  ClassBuilder connection(act, {"LocalConnection", nothing});
  auto* channels = act.heap().make<Channels>();
  Object* proto = connection.prototype();
  for (auto [name, kind] : {std::pair{"connect", ChannelMethod::Kind::Connect},
                            std::pair{"close", ChannelMethod::Kind::Close}})
    proto->define(name, Value(act.heap().make<ChannelMethod>(realm.function_proto, channels, kind)),
                  attr::Hidden);
  connection.method("send", send).method("domain", domain);
  connection.install(realm.global);
}

}  // namespace strandel::avm1
