#include "avm1/object.h"

#include <algorithm>
#include <exception>

#include "avm1/activation.h"
#include "avm1/conversions.h"
#include "avm1/errors.h"
#include "avm1/function.h"
#include "avm1/machine.h"

namespace strandel::avm1 {

namespace {

const String& proto_name() {
  static const String name("__proto__");
  return name;
}

const String& resolve_name() {
  static const String name("__resolve");
  return name;
}

// Getters, setters and watchers may use their own property; past this many
// nested calls for one property a read gives the value last assigned to it
// and an assignment only stores it, as the vendor's player does. The count
// belongs to the property's record: one deleted and added again starts anew.
constexpr int kMaxAccessorNesting = 65;

// One more call running for a property, while the nesting limit allows.
class Nesting {
 public:
  Nesting(Machine& m, std::uint32_t& serial) : m_(m) {
    if (!serial) serial = ++m.property_serials;
    serial_ = serial;
    auto& active = m_.accessor_nesting;
    auto it = std::find_if(active.begin(), active.end(),
                           [&](const auto& entry) { return entry.first == serial_; });
    if (it == active.end()) {
      active.emplace_back(serial_, 1);
    } else if (it->second < kMaxAccessorNesting) {
      ++it->second;
    } else {
      serial_ = 0;
    }
  }
  ~Nesting() {
    if (!serial_) return;
    auto& active = m_.accessor_nesting;
    auto it = std::find_if(active.begin(), active.end(),
                           [&](const auto& entry) { return entry.first == serial_; });
    if (it != active.end() && --it->second == 0) active.erase(it);
  }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
  bool entered() const { return serial_ != 0; }

 private:
  Machine& m_;
  std::uint32_t serial_;
};

// Calls a getter or setter of property `p` inside the nesting limit.
Value call_accessor(Activation& act, Property& p, Object* accessor, Object* self,
                    std::span<const Value> args, const Value& past_limit = Value()) {
  Nesting nesting(act.machine(), p.serial);
  if (!nesting.entered()) return past_limit;
  return act.call(Value(accessor), Value(self), args);
}

// A getter's throw waits for the end of the action that read the property,
// which goes on with undefined, as the vendor's player does.
Value call_getter(Activation& act, Property& p, Object* self) {
  Machine& m = act.machine();
  Value stored = p.value;
  if (!m.action_owner) return call_accessor(act, p, p.getter, self, {}, stored);
  try {
    return call_accessor(act, p, p.getter, self, {}, stored);
  } catch (const ScriptException& e) {
    if (!m.deferred_owner) {
      m.deferred_owner = m.action_owner;
      m.deferred_throw = e.value;
    }
    return Value();
  }
}

}  // namespace

bool is_proto_name(const String& name, bool case_sensitive) {
  return name.equals(proto_name(), case_sensitive);
}

Object::Object(Object* proto) { set_proto(proto); }

void Object::set_proto(Object* proto) {
  proto_ = proto;
  Property* p = props_.find(proto_name(), true);
  if (!proto) {
    if (p) props_.remove(proto_name(), true);
    return;
  }
  if (!p) {
    p = &props_.add(proto_name());
    p->attributes = attr::DontEnum | attr::DontDelete;
  }
  p->value = Value(proto);
}

Property* Object::find_own(Activation& act, const String& name) {
  Property* p = props_.find(name, act.case_sensitive());
  if (p && !visible_to(p->attributes, act.version())) return nullptr;
  return p;
}

bool Object::lookup(Activation& act, const String& name, Value& out) {
  if (Object* to = redirect(act); to != this) return to->lookup(act, name, out);
  Object* o = this;
  for (int depth = 0; o; ++depth, o = o->proto_) {
    // A prototype chain this long is a cycle: the script stops.
    if (depth == kMaxPrototypeChain)
      throw ScriptHalt{"a prototype chain loops: the script stops"};
    if (Property* p = o->find_own(act, name)) {
      if (!p->accessor()) {
        out = p->value;
        return true;
      }
      out = call_getter(act, *p, this);
      return true;
    }
    if (o->get_builtin(act, name, out)) return true;
  }
  return false;
}

Value Object::get(Activation& act, const String& name) {
  Value v;
  if (lookup(act, name, v)) return v;
  if (act.version() >= 6 && !name.equals(resolve_name(), act.case_sensitive())) {
    Value resolver;
    if (lookup(act, resolve_name(), resolver)) {
      if (Object* f = resolver.object(); f && f->callable())
        return act.call(resolver, Value(this), {Value(name)});
    }
  }
  return Value();
}

// A watcher runs for assignments it makes itself too, as deep as getters
// and setters may nest; past that the value is stored as it is.
Value Object::run_watcher(Activation& act, const String& name, const Value& old_value,
                          const Value& new_value, bool& watched) {
  watched = false;
  if (!watchers_) return new_value;
  for (std::size_t i = 0; i < watchers_->size(); ++i) {
    Watcher& w = (*watchers_)[i];
    if (!w.name.equals(name, act.case_sensitive())) continue;
    // The watcher counts against its property's nesting, or its own
    // while the property does not exist.
    Property* p = find_own(act, name);
    Nesting nesting(act.machine(), p ? p->serial : w.serial);
    if (!nesting.entered()) return new_value;
    watched = true;
    Object* callback = w.callback;
    Value data = w.data;
    return act.call(Value(callback), Value(this), {Value(name), old_value, new_value, data});
  }
  return new_value;
}

void Object::store(Activation& act, Property& p, const Value& value) {
  if (p.attributes & attr::ReadOnly) return;
  p.value = value;
  if (is_proto_name(p.name, true)) proto_ = value.object();
  (void)act;
}

void Object::set(Activation& act, const String& name, const Value& value) {
  if (Object* to = redirect(act); to != this) return to->set(act, name, value);
  if (set_builtin(act, name, value)) return;
  Value v = value;
  // A watcher that throws leaves the property undefined; the throw goes on
  // once it is stored.
  std::exception_ptr thrown;
  if (watchers_) {
    bool watched = false;
    // The old value of a getter/setter property is not asked of its getter.
    Value old;
    if (Property* p = find_own(act, name))
      old = p->accessor() ? Value() : p->value;
    else
      lookup(act, name, old);
    try {
      v = run_watcher(act, name, old, value, watched);
    } catch (const ScriptException&) {
      v = Value();
      thrown = std::current_exception();
    }
  }
  assign(act, name, v);
  if (thrown) std::rethrow_exception(thrown);
}

void Object::assign(Activation& act, const String& name, const Value& v) {
  bool cs = act.case_sensitive();
  if (Property* p = props_.find(name, cs)) {
    if (!visible_to(p->attributes, act.version())) {
      // A property hidden from this version is replaced by a plain one.
      *p = Property{p->name, Value(), nullptr, nullptr, 0};
      store(act, *p, v);
      return;
    }
    if (p->accessor()) {
      if (Object* setter = p->setter)
        call_accessor(act, *p, setter, this, std::span<const Value>(&v, 1));
      // The property keeps what was assigned once its setter is done, for a
      // read past the nesting limit.
      if (Property* q = props_.find(name, cs); q && q->accessor()) q->value = v;
      return;
    }
    if (is_proto_name(name, cs)) {
      if (!(p->attributes & attr::ReadOnly)) {
        p->value = v;
        proto_ = v.object();
      }
      return;
    }
    store(act, *p, v);
    return;
  }
  // A setter further up the prototype chain takes the assignment.
  Object* o = proto_;
  for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth, o = o->proto_) {
    Property* p = o->find_own(act, name);
    if (!p) continue;
    if (p->accessor()) {
      if (p->setter) call_accessor(act, *p, p->setter, this, std::span<const Value>(&v, 1));
      return;
    }
    break;
  }
  Property& added = props_.add(name);
  added.value = v;
  if (is_proto_name(name, cs)) proto_ = v.object();
}

bool Object::has_property(Activation& act, const String& name) {
  if (Object* to = redirect(act); to != this) return to->has_property(act, name);
  Object* o = this;
  for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth, o = o->proto_) {
    if (o->find_own(act, name)) return true;
    Value ignored;
    if (o->get_builtin(act, name, ignored)) return true;
  }
  return false;
}

bool Object::has_own_property(Activation& act, const String& name) {
  if (Object* to = redirect(act); to != this) return to->has_own_property(act, name);
  // A property hidden from this version still counts as the object's own.
  if (props_.find(name, act.case_sensitive())) return true;
  Value ignored;
  return get_builtin(act, name, ignored);
}

bool Object::delete_property(Activation& act, const String& name) {
  if (Object* to = redirect(act); to != this) return to->delete_property(act, name);
  Property* p = props_.find(name, act.case_sensitive());
  if (!p || (p->attributes & attr::DontDelete)) return false;
  bool proto = is_proto_name(p->name, true);
  props_.remove(name, act.case_sensitive());
  if (proto) proto_ = nullptr;
  return true;
}

// The vendor's order: inherited names first, the farthest prototype's
// before the nearer ones', then the object's own; each object's names newest
// first. A name an object has itself, enumerable or not, takes the place of
// the inherited one.
std::vector<String> Object::enumerate(Activation& act) {
  if (Object* to = redirect(act); to != this) return to->enumerate(act);
  std::vector<Object*> chain;
  for (Object* o = this; o && chain.size() < kMaxPrototypeChain; o = o->proto_) {
    if (std::find(chain.begin(), chain.end(), o) != chain.end()) break;
    chain.push_back(o);
  }
  bool cs = act.case_sensitive();
  std::vector<String> names;
  for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
    Object* o = *level;
    std::erase_if(names, [&](const String& n) { return o->props_.find(n, cs) != nullptr; });
    std::vector<String> own;
    o->enumerate_builtin(act, own);
    o->props_.for_each([&](const Property& p) {
      if (!(p.attributes & attr::DontEnum)) own.push_back(p.name);
    });
    names.insert(names.end(), own.rbegin(), own.rend());
  }
  return names;
}

void Object::define(const String& name, const Value& value, std::uint32_t attributes) {
  Property* p = props_.find(name, true);
  if (!p) p = &props_.add(name);
  p->value = value;
  p->getter = p->setter = nullptr;
  p->attributes = attributes;
  if (is_proto_name(name, true)) proto_ = value.object();
}

void Object::define_accessor(const String& name, Object* getter, Object* setter,
                             std::uint32_t attributes) {
  // A property made a getter/setter keeps its value, for instanceof and a
  // read past the nesting limit.
  Property* p = props_.find(name, true);
  if (!p) p = &props_.add(name);
  p->getter = getter;
  p->setter = setter;
  p->attributes = attributes;
}

std::vector<Object*>& Object::interfaces() {
  if (!interfaces_) interfaces_ = std::make_unique<std::vector<Object*>>();
  return *interfaces_;
}

void Object::watch(const String& name, Object* callback, const Value& data) {
  if (!watchers_) watchers_ = std::make_unique<std::vector<Watcher>>();
  for (Watcher& w : *watchers_) {
    if (w.name.equals(name, true)) {
      w.callback = callback;
      w.data = data;
      return;
    }
  }
  watchers_->push_back(Watcher{name, callback, data});
}

bool Object::unwatch(const String& name) {
  if (!watchers_) return false;
  auto before = watchers_->size();
  std::erase_if(*watchers_,
                [&](const Watcher& w) { return w.name.equals(name, true); });
  return watchers_->size() != before;
}

Value Object::call(Activation&, const Value&, std::span<const Value>) { return Value(); }
Value Object::construct(Activation&, std::span<const Value>) { return Value(); }
bool Object::get_builtin(Activation&, const String&, Value&) { return false; }
bool Object::set_builtin(Activation&, const String&, const Value&) { return false; }
void Object::enumerate_builtin(Activation&, std::vector<String>&) {}
// valueOf, or toString when there is no valueOf to call; an object that has
// neither (one without a prototype, _global) has no primitive: undefined.
// Neither name is asked of __resolve.
Value Object::default_value(Activation& act) {
  Value f;
  if (lookup(act, "valueOf", f) && f.object() && f.object()->callable()) {
    Value result = act.call(f, Value(this));
    return result.is_object() ? Value(this) : result;
  }
  if (lookup(act, "toString", f) && f.object() && f.object()->callable()) {
    Value result = act.call(f, Value(this));
    return result.is_object() ? Value(this) : result;
  }
  return Value();
}

String Object::default_string(Activation& act) {
  Value f;
  lookup(act, "toString", f);
  if (Object* fn = f.object(); fn && fn->callable()) {
    Value r = act.call(f, Value(this));
    if (r.is_string()) return r.string();
  }
  return callable() ? "[type Function]" : "[type Object]";
}

void Object::trace(Tracer& tracer) {
  tracer.mark(proto_);
  props_.for_each([&](const Property& p) {
    tracer.mark(p.value);
    tracer.mark(p.getter);
    tracer.mark(p.setter);
  });
  if (interfaces_)
    for (Object* i : *interfaces_) tracer.mark(i);
  if (watchers_) {
    for (const Watcher& w : *watchers_) {
      tracer.mark(w.callback);
      tracer.mark(w.data);
    }
  }
}

}  // namespace strandel::avm1
