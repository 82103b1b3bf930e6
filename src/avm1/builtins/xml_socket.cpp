// XMLSocket: exists so movies that use it run on. This player reaches no
// server, so a connection never starts; data handed to onData still becomes
// an XML document for onXML, as the vendor's player does with what arrives.
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

Value connect(Activation&, const Value&, std::span<const Value>) { return Value(false); }

Value on_data(Activation& act, const Value& self, std::span<const Value> args) {
  Value document = act.construct_class("XML", args.subspan(0, args.empty() ? 0 : 1));
  act.call_method(self, "onXML", {document});
  return Value();
}

}  // namespace

void register_xml_socket(Realm& realm, Activation& act) {
  ClassBuilder socket(act, {"XMLSocket", nothing});
  socket.method("connect", connect)
      .method("send", nothing)
      .method("close", nothing)
      .method("onData", on_data)
      .method("onXML", nothing)
      .method("onConnect", nothing)
      .method("onClose", nothing);
  socket.install(realm.global);
}

}  // namespace strandel::avm1
