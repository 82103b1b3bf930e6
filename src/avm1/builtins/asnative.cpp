// The numbered table of built-in functions: ASnative(category, index) gives
// the function, ASSetNative puts a run of them on an object as methods and
// ASSetNativeAccessor as properties (one function reads with no argument
// and writes with one). The numbers are the vendor's; the table is filled
// from the classes already registered, so it holds the original functions
// even after a script replaces a method.
#include <map>
#include <string>
#include <utility>

#include "avm1/builtins/builtins.h"
#include "avm1/conversions.h"
#include "avm1/function.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Where the vendor's numbers come from: a run of names on an object found by
// a path from _global, numbered from `first`.
struct NativeRun {
  int category;
  int first;
  const char* path;  // "" is _global itself
  const char* names;
};

constexpr NativeRun kNativeRuns[] = {
    {100, 0, "", "escape,unescape,parseInt,parseFloat"},
    {101, 0, "Object.prototype",
     "watch,unwatch,addProperty,valueOf,toString,hasOwnProperty,isPrototypeOf,"
     "isPropertyEnumerable"},
    {101, 8, "Object", "registerClass"},
    {103, 0, "Date.prototype",
     "getFullYear,getYear,getMonth,getDate,getDay,getHours,getMinutes,getSeconds,"
     "getMilliseconds,setFullYear,setMonth,setDate,setHours,setMinutes,setSeconds,"
     "setMilliseconds,getTime,setTime,getTimezoneOffset,toString,setYear"},
    {103, 128, "Date.prototype",
     "getUTCFullYear,getUTCYear,getUTCMonth,getUTCDate,getUTCDay,getUTCHours,getUTCMinutes,"
     "getUTCSeconds,getUTCMilliseconds,setUTCFullYear,setUTCMonth,setUTCDate,setUTCHours,"
     "setUTCMinutes,setUTCSeconds,setUTCMilliseconds"},
    {103, 257, "Date", "UTC"},
    {200, 0, "Math",
     "abs,min,max,sin,cos,atan2,tan,exp,log,sqrt,round,random,floor,ceil,atan,asin,acos,pow"},
    {252, 1, "Array.prototype",
     "push,pop,concat,shift,unshift,slice,join,splice,toString,sort,reverse,sortOn"},
};

// Constructors by number (ASconstructor, and ASnative of the same pair).
struct NativeConstructor {
  int category;
  int index;
  const char* name;
};

constexpr NativeConstructor kNativeConstructors[] = {
    {101, 9, "Object"},
    {103, 256, "Date"},
    {252, 0, "Array"},
};

// ASnative(100, 4): trace as a function.
Value native_trace(Activation& act, const Value&, std::span<const Value> args) {
  const Value& v = arg(args, 0);
  act.trace(v.is_undefined() ? String("undefined").view() : act.to_string(v).view());
  return Value();
}

// An index a category does not have: Math's functions still convert their
// first two arguments and give NaN; the others do nothing.
Value missing_math(Activation& act, const Value&, std::span<const Value> args) {
  for (std::size_t i = 0; i < args.size() && i < 2; ++i) act.to_number(args[i]);
  return Value(kNaN);
}

Value missing(Activation&, const Value&, std::span<const Value>) { return Value(); }

// The table, owned by the heap like any script object so its functions are
// traced.
class NativeTable : public Cell {
 public:
  std::map<std::pair<int, int>, Object*> functions;
  std::map<int, Object*> missing;  // per category

  Object* find(int category, int index) const {
    if (auto it = functions.find({category, index}); it != functions.end()) return it->second;
    if (auto it = missing.find(category); it != missing.end()) return it->second;
    return nullptr;
  }

  void trace(Tracer& tracer) override {
    for (auto& [key, f] : functions) tracer.mark(f);
    for (auto& [key, f] : missing) tracer.mark(f);
  }
};

// What each of the four global functions does with the table.
enum class Use { Function, Constructor, Methods, Accessors };

// The global functions ASnative, ASconstructor, ASSetNative and
// ASSetNativeAccessor: each holds the table.
class NativeTableFunction : public FunctionObject {
 public:
  NativeTableFunction(Object* proto, NativeTable* table, Use use)
      : FunctionObject(proto), table_(table), use_(use) {}

  Value call(Activation& act, const Value&, std::span<const Value> args) override {
    switch (use_) {
      case Use::Function:
      case Use::Constructor:
        return lookup(act, args);
      case Use::Methods:
      case Use::Accessors:
        install(act, args);
        return Value();
    }
    return Value();
  }

  void trace(Tracer& tracer) override {
    FunctionObject::trace(tracer);
    tracer.mark(table_);
  }

 private:
  // ASnative(category, index): exactly two arguments.
  Value lookup(Activation& act, std::span<const Value> args) {
    if (args.size() != 2) return Value();
    int category = act.to_int32(args[0]);
    int index = act.to_int32(args[1]);
    return Value(table_->find(category, index));
  }

  // ASSetNative(object, category, "name,name...", first index): each name
  // may start with the version from which it is visible ("6name").
  void install(Activation& act, std::span<const Value> args) {
    Object* target = arg(args, 0).object();
    if (!target || args.size() < 3) return;
    int category = act.to_int32(args[1]);
    String names = act.to_string(args[2]);
    int index = args.size() > 3 ? act.to_int32(args[3]) : 0;
    std::string_view list = names.view();
    while (true) {
      auto comma = list.find(',');
      std::string_view entry = list.substr(0, comma);
      if (!entry.empty()) {
        std::uint32_t attributes = take_version(entry);
        if (!entry.empty())
          define(act, target, String(entry), table_->find(category, index), attributes);
      }
      ++index;
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  }

  void define(Activation& act, Object* target, const String& name, Object* function,
              std::uint32_t attributes) {
    if (!function) return;
    if (use_ == Use::Methods) {
      target->define(name, Value(function), attributes);
      return;
    }
    // An existing property keeps its place among the object's names.
    (void)act;
    target->define_accessor(name, function, function, attributes);
  }

  // A leading "10" or one of 1, 6, 7, 8, 9 is the first version that sees
  // the name; other digits are part of the name.
  static std::uint32_t take_version(std::string_view& entry) {
    if (entry.starts_with("10")) {
      entry.remove_prefix(2);
      return attr::Version10;
    }
    switch (entry.front()) {
      case '1':
        entry.remove_prefix(1);
        return 0;
      case '6':
        entry.remove_prefix(1);
        return attr::Version6;
      case '7':
        entry.remove_prefix(1);
        return attr::Version7;
      case '8':
        entry.remove_prefix(1);
        return attr::Version8;
      case '9':
        entry.remove_prefix(1);
        return attr::Version9;
      default:
        return 0;
    }
  }

  NativeTable* table_;
  Use use_;
};

Object* resolve_path(Activation& act, std::string_view path) {
  Object* o = act.global();
  while (o && !path.empty()) {
    auto dot = path.find('.');
    o = o->get(act, String(path.substr(0, dot))).object();
    if (dot == std::string_view::npos) break;
    path.remove_prefix(dot + 1);
  }
  return o;
}

void fill_table(Activation& act, NativeTable& table) {
  for (const NativeRun& run : kNativeRuns) {
    Object* on = resolve_path(act, run.path);
    if (!on) continue;
    std::string_view names = run.names;
    for (int index = run.first;; ++index) {
      auto comma = names.find(',');
      if (Object* f = on->get(act, String(names.substr(0, comma))).object())
        table.functions[{run.category, index}] = f;
      if (comma == std::string_view::npos) break;
      names.remove_prefix(comma + 1);
    }
  }
  for (const NativeConstructor& c : kNativeConstructors)
    if (Object* f = act.global()->get(act, c.name).object())
      table.functions[{c.category, c.index}] = f;
  table.functions[{100, 4}] = make_native(act, native_trace);
  for (auto& [key, f] : table.functions) {
    int category = key.first;
    if (!table.missing.contains(category))
      table.missing[category] =
          make_native(act, category == 200 ? missing_math : ::strandel::avm1::missing);
  }
}

}  // namespace

void register_native_table(Realm& realm, Activation& act) {
  auto* table = act.heap().make<NativeTable>();
  fill_table(act, *table);
  auto add = [&](const char* name, Use use) {
    realm.global->define(
        name, Value(act.heap().make<NativeTableFunction>(realm.function_proto, table, use)),
        attr::Hidden);
  };
  add("ASnative", Use::Function);
  add("ASconstructor", Use::Constructor);
  add("ASSetNative", Use::Methods);
  add("ASSetNativeAccessor", Use::Accessors);
  // The vendor's player numbers its built-ins with a start-up script whose
  // scratch variable `o` stays behind on _global, null.
  realm.global->define("o", Value::null(), attr::DontEnum);
}

}  // namespace strandel::avm1
