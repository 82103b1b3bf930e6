// SharedObject: data a movie keeps between runs. Here it is kept in memory
// for as long as the player runs: getLocal with the same name gives the same
// object, and flush always succeeds.
#include <map>
#include <string>

#include "avm1/builtins/builtins.h"
#include "avm1/function.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// Every shared object of the player, by name and path.
class Store : public Cell {
 public:
  std::map<std::string, Object*> objects;

  void trace(Tracer& tracer) override {
    for (auto& [name, o] : objects) tracer.mark(o);
  }
};

// SharedObject.getLocal(name, path): null for a name with characters a file
// name cannot hold.
class GetLocal : public FunctionObject {
 public:
  GetLocal(Object* proto, Store* store, Object* shared_proto)
      : FunctionObject(proto), store_(store), shared_proto_(shared_proto) {}

  Value call(Activation& act, const Value&, std::span<const Value> args) override {
    if (args.empty()) return Value::null();
    String name = act.to_string(args[0]);
    if (name.empty() || name.view().find_first_of("~%&\\;:\"',<>?# ") != std::string_view::npos)
      return Value::null();
    std::string key = name.str() + "\n" + (args.size() > 1 ? act.to_string(args[1]).str() : "");
    auto [it, made] = store_->objects.try_emplace(key, nullptr);
    if (made) {
      Object* shared = act.heap().make<Object>(shared_proto_);
      shared->define("data", Value(act.new_object()), attr::DontDelete);
      it->second = shared;
    }
    return Value(it->second);
  }

  void trace(Tracer& tracer) override {
    FunctionObject::trace(tracer);
    tracer.mark(store_);
    tracer.mark(shared_proto_);
  }

 private:
  Store* store_;
  Object* shared_proto_;
};

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }
Value flushed(Activation&, const Value&, std::span<const Value>) { return Value(true); }
Value no_size(Activation&, const Value&, std::span<const Value>) { return Value(0); }

// clear(): the data goes.
Value clear(Activation& act, const Value& self, std::span<const Value>) {
  if (Object* o = self.object()) o->define("data", Value(act.new_object()), attr::DontDelete);
  return Value();
}

}  // namespace

void register_shared_object(Realm& realm, Activation& act) {
  ClassBuilder shared(act, {"SharedObject", nothing});
  shared.method("flush", flushed)
      .method("clear", clear)
      .method("close", nothing)
      .method("getSize", no_size)
      .method("setFps", flushed)
      .method("connect", flushed)
      .method("send", nothing);
  auto* store = act.heap().make<Store>();
  shared.constructor()->define(
      "getLocal", Value(act.heap().make<GetLocal>(realm.function_proto, store, shared.prototype())),
      attr::Hidden);
  shared.static_method("getRemote", nothing).static_method("deleteAll", nothing);
  shared.install(realm.global);
}

}  // namespace strandel::avm1
