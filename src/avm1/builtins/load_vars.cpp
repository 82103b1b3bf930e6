// LoadVars: variables exchanged as form data ("name=value&other=two+words"),
// loaded from files beside the movie.
#include "avm1/builtins/builtins.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/url_encoding.h"

namespace strandel::avm1 {

namespace {

class LoadVarsObject : public Object, public Loadable {
 public:
  using Object::Object;
  void trace(Tracer& tracer) override {
    Object::trace(tracer);
    tracer.mark(bytes_loaded);
    tracer.mark(bytes_total);
  }
};

Object* allocate_load_vars(Activation& act, Object* proto) {
  return act.heap().make<LoadVarsObject>(proto);
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

Value load(Activation& act, const Value& self, std::span<const Value> args) {
  return Value(start_data_load(act, self.object(), arg(args, 0)));
}

// The variables go only to a server; from a local file, the answer is the
// file, which `target` decodes.
Value send_and_load(Activation& act, const Value&, std::span<const Value> args) {
  return Value(start_data_load(act, arg(args, 1).object(), arg(args, 0)));
}

Value send(Activation&, const Value&, std::span<const Value> args) {
  return Value(!args.empty() && !args[0].is_undefined());
}

Value decode(Activation& act, const Value& self, std::span<const Value> args) {
  if (!self.is_object()) return Value();
  String text = act.to_string(arg(args, 0));
  for (const auto& [name, value] : decode_form(text.view()))
    act.set(self, String(name), Value(String(value)));
  return Value();
}

// The enumerable variables as form data, in for..in order.
Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  Object* o = self.object();
  if (!o) return Value();
  std::string out;
  for (const String& name : o->enumerate(act)) {
    String value = act.to_string(o->get(act, name));
    if (!out.empty()) out += '&';
    out += url_escape(name.view());
    out += '=';
    out += url_escape(value.view());
  }
  return Value(String(out));
}

// onData's default: the text becomes variables, then onLoad says how it went.
Value on_data(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& text = arg(args, 0);
  if (text.is_undefined()) {
    act.call_method(self, "onLoad", {Value(false)});
    return Value();
  }
  act.call_method(self, "decode", {text});
  act.set(self, "loaded", Value(true));
  act.call_method(self, "onLoad", {Value(true)});
  return Value();
}

}  // namespace

void register_load_vars(Realm& realm, Activation& act) {
  ClassBuilder load_vars(act, {"LoadVars", nothing, nullptr, allocate_load_vars});
  load_vars.method("load", load)
      .method("send", send)
      .method("sendAndLoad", send_and_load)
      .method("decode", decode)
      .method("toString", to_string)
      .method("getBytesLoaded", get_bytes_loaded)
      .method("getBytesTotal", get_bytes_total)
      .method("addRequestHeader", nothing)
      .method("onData", on_data)
      .method("onLoad", nothing);
  load_vars.prototype()->define("contentType", Value("application/x-www-form-urlencoded"),
                                attr::DontEnum);
  load_vars.install(realm.global);
}

}  // namespace strandel::avm1
