// Variable, member and object actions.
#include <algorithm>
#include <cmath>

#include "avm1/array.h"
#include "avm1/clip.h"
#include "avm1/errors.h"
#include "avm1/function.h"
#include "avm1/interpreter.h"
#include "avm1/scope.h"
#include "avm1/variables.h"

namespace strandel::avm1 {

namespace {

// Elements InitArray and InitObject take from the stack at most.
constexpr double kMaxInitCount = 1 << 20;

std::size_t count_from(double n, std::size_t available) {
  if (!(n > 0)) return 0;
  return static_cast<std::size_t>(std::min({n, kMaxInitCount, static_cast<double>(available)}));
}

// A number used as a member name, as the array index it is.
bool as_index(const Value& name, std::uint32_t& index) {
  if (!name.is_number()) return false;
  double d = name.number();
  if (!(d >= 0) || d >= kMaxDenseElements || d != std::trunc(d)) return false;
  index = static_cast<std::uint32_t>(d);
  return true;
}

Scope* innermost(Scope* s, Scope::Kind kind) {
  for (; s; s = s->parent)
    if (s->kind == kind) return s;
  return nullptr;
}

// Interfaces may extend interfaces (ImplementsOp on an interface); this
// many levels of them, and this many interfaces in all, are looked at, so
// interfaces that extend each other end the search.
constexpr int kMaxInterfaceNesting = 16;
constexpr int kMaxInterfacesVisited = 10000;

// What instanceof and ImplementsOp take as a class's prototype: the value
// stored in its own `prototype` property, whatever its version flags, never
// asking a getter or the class's own prototypes.
Value stored_prototype(Object* constructor) {
  Property* p = constructor->own_property("prototype");
  return p ? p->value : Value();
}

// Whether an interface's prototype, or one of the interfaces it extends, is
// `proto`. The prototypes of interfaces are not followed.
bool interface_has(Object* ip, Object* proto, int nesting, int& budget) {
  if (ip == proto) return true;
  if (!ip->has_interfaces() || nesting >= kMaxInterfaceNesting) return false;
  for (Object* i : ip->interfaces())
    if (i && --budget >= 0 && interface_has(i, proto, nesting + 1, budget)) return true;
  return false;
}

// A clip's script object once nothing is at its path.
bool gone(const Value& v) { return as_clip(v) && !display_object(v); }

// Whether `proto` is on the prototype chain of `object`, or is an interface
// a prototype there implements. The class and its prototype are made
// objects first (which scripts can see); a clip is never the prototype
// looked for, and a clip gone from the stage is no instance and no class.
bool is_instance_of(Activation& act, const Value& object, const Value& constructor) {
  Object* o = object.object();
  if (!o) return false;
  Object* c = act.to_object(constructor);
  if (!c) return false;
  Value proto_value = stored_prototype(c);
  if (as_clip(proto_value)) return false;
  Object* proto = act.to_object(proto_value);
  if (!proto || gone(object) || gone(Value(c))) return false;
  int budget = kMaxInterfacesVisited;
  o = o->proto();
  for (int depth = 0; o && depth < kMaxPrototypeChain; ++depth, o = o->proto()) {
    if (o == proto) return true;
    if (!o->has_interfaces()) continue;
    for (Object* i : o->interfaces())
      if (i && --budget >= 0 && interface_has(i, proto, 1, budget)) return true;
  }
  return false;
}

}  // namespace

void Interpreter::action_get_variable() {
  String name = pop_string();
  push(get_variable(act_, name));
}

void Interpreter::action_set_variable() {
  Value value = pop();
  String name = pop_string();
  set_variable(act_, name, value);
}

void Interpreter::action_define_local() {
  Value value = pop();
  String name = pop_string();
  if (Scope* local = innermost(act_.scope, Scope::Kind::Local)) {
    local->values->set(act_, name, value);
  } else if (Scope* target = innermost(act_.scope, Scope::Kind::Target)) {
    target->values->set(act_, name, value);
  } else {
    set_variable(act_, name, value);
  }
}

void Interpreter::action_define_local2() {
  String name = pop_string();
  Scope* s = innermost(act_.scope, Scope::Kind::Local);
  if (!s) s = innermost(act_.scope, Scope::Kind::Target);
  if (s && !s->values->has_own_property(act_, name)) s->values->set(act_, name, Value());
}

void Interpreter::action_delete() {
  String name = pop_string();
  Value object = pop();
  Object* o = object.object();
  push(Value(o ? o->delete_property(act_, name) : false));
}

void Interpreter::action_delete2() {
  String name = pop_string();
  Object* owner = find_variable_owner(act_, name);
  push(Value(owner ? owner->delete_property(act_, name) : false));
}

void Interpreter::action_get_member() {
  Value name = pop();
  Value object = pop();
  std::uint32_t index;
  if (as_index(name, index)) {
    if (auto* array = dynamic_cast<ArrayObject*>(object.object())) {
      push(array->at(act_, index));
      return;
    }
  }
  push(act_.get(object, act_.to_string(name)));
}

void Interpreter::action_set_member() {
  Value value = pop();
  Value name = pop();
  Value object = pop();
  std::uint32_t index;
  if (as_index(name, index)) {
    if (auto* array = dynamic_cast<ArrayObject*>(object.object())) {
      array->put(act_, index, value);
      return;
    }
  }
  if (Object* o = object.object()) o->set(act_, act_.to_string(name), value);
}

void Interpreter::action_init_array() {
  std::size_t n = count_from(pop_number(), m_.stack.size() - stack_base_);
  std::vector<Value> elements;
  elements.reserve(n);
  for (std::size_t i = 0; i < n; ++i) elements.push_back(pop());
  push(Value(act_.new_array(elements)));
}

void Interpreter::action_init_object() {
  std::size_t n = count_from(pop_number(), (m_.stack.size() - stack_base_) / 2);
  Object* object = act_.new_object();
  for (std::size_t i = 0; i < n; ++i) {
    Value value = pop();
    String name = pop_string();
    object->set(act_, name, value);
  }
  push(Value(object));
}

void Interpreter::action_type_of() { push(Value(String(type_of(pop())))); }

void Interpreter::action_enumerate(bool object_on_stack) {
  Value subject = object_on_stack ? pop() : get_variable(act_, pop_string());
  push(Value::null());
  Object* o = subject.object();
  if (!o) return;
  std::vector<String> names = o->enumerate(act_);
  for (auto it = names.rbegin(); it != names.rend(); ++it) push(Value(*it));
}

void Interpreter::action_instance_of() {
  Value constructor = pop();
  Value object = pop();
  push(Value(is_instance_of(act_, object, constructor)));
}

// Extends: the subclass gets a new prototype object inheriting from the
// superclass's, which knows the superclass as its constructor.
void Interpreter::action_extends() {
  Value superclass = pop();
  Value subclass = pop();
  Object* sub = subclass.object();
  Object* super = superclass.object();
  if (!sub || !super) return;
  Value super_proto = super->get(act_, "prototype");
  Object* proto = m_.heap().make<Object>(super_proto.object());
  proto->define("__constructor__", superclass, attr::DontEnum);
  if (act_.version() < 7) proto->define("constructor", superclass, attr::DontEnum);
  sub->set(act_, "prototype", Value(proto));
}

void Interpreter::action_cast() {
  Value object = pop();
  Value constructor = pop();
  // A primitive is made an object (which scripts can see) but is no instance.
  if (!object.object()) {
    act_.to_object(object);
    push(Value::null());
    return;
  }
  push(is_instance_of(act_, object, constructor) ? object : Value::null());
}

void Interpreter::action_implements() {
  Value constructor = pop();
  std::size_t n = count_from(pop_number(), m_.stack.size() - stack_base_);
  // The interfaces' prototypes are taken now; a class implements
  // interfaces once, later ImplementsOps on it are ignored.
  std::vector<Object*> interfaces;
  for (std::size_t i = 0; i < n; ++i) {
    Object* interface = pop().object();
    Value ip = interface ? stored_prototype(interface) : Value();
    if (ip.is_object() && !as_clip(ip)) interfaces.push_back(ip.object());
  }
  Object* c = constructor.object();
  if (!c || n == 0) return;
  Object* proto = stored_prototype(c).object();
  if (!proto || proto->has_interfaces()) return;
  proto->interfaces() = std::move(interfaces);
}

Interpreter::Flow Interpreter::action_throw() { throw ScriptException{pop()}; }

void Interpreter::action_trace() {
  Value v = pop();
  if (v.is_undefined())
    act_.trace("undefined");
  else
    act_.trace(act_.to_string(v).view());
}

void Interpreter::action_target_path() {
  Value v = pop();
  if (as_clip(v))
    push(Value(target_path(v.object(), false)));
  else
    push(Value());
}

}  // namespace strandel::avm1
