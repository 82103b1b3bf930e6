// Cameras, microphones, servers and sockets: this player has none of them.
// The classes exist so scripts that test for them run on: there is no
// camera or microphone to get, a local NetConnection connects (its streams
// play files, net_stream.cpp) and a socket never connects.
#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }
Value no(Activation&, const Value&, std::span<const Value>) { return Value(false); }
Value none(Activation&, const Value&, std::span<const Value>) { return Value::null(); }
Value no_names(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.new_array());
}

class NetConnectionObject : public Object {
 public:
  using Object::Object;
  bool connected = false;
};

Object* allocate_connection(Activation& act, Object* proto) {
  return act.heap().make<NetConnectionObject>(proto);
}

// connect(null) is a local connection, which always succeeds; a server is
// never reached.
Value net_connect(Activation&, const Value& self, std::span<const Value> args) {
  bool local = !args.empty() && args[0].is_null();
  if (auto* c = this_as<NetConnectionObject>(self)) c->connected = local;
  return Value(local);
}

Value net_close(Activation&, const Value& self, std::span<const Value>) {
  if (auto* c = this_as<NetConnectionObject>(self)) c->connected = false;
  return Value();
}

Value is_connected(Activation&, const Value& self, std::span<const Value>) {
  auto* c = this_as<NetConnectionObject>(self);
  return c ? Value(c->connected) : Value();
}

void register_device(Activation& act, Object* global, std::string_view name) {
  ClassBuilder device(act, {name, nothing});
  device.static_method("get", none).static_property("names", no_names);
  device.install(global);
}

}  // namespace

void register_streams(Realm& realm, Activation& act) {
  register_device(act, realm.global, "Camera");
  register_device(act, realm.global, "Microphone");

  ClassBuilder connection(act, {"NetConnection", nothing, nullptr, allocate_connection});
  connection.method("connect", net_connect)
      .method("close", net_close)
      .method("call", nothing)
      .property("isConnected", is_connected);
  connection.install(realm.global);

  ClassBuilder socket(act, {"XMLSocket", nothing});
  socket.method("connect", no).method("send", nothing).method("close", nothing);
  socket.install(realm.global);
}

// Accessibility: no screen reader is ever active.
void register_accessibility(Realm& realm, Activation& act) {
  Object* accessibility = act.new_object();
  define_method(act, accessibility, "isActive", no);
  define_method(act, accessibility, "updateProperties", nothing);
  define_method(act, accessibility, "sendEvent", nothing);
  realm.global->define("Accessibility", Value(accessibility), attr::DontEnum);
}

}  // namespace strandel::avm1
