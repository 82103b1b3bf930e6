// flash.external.ExternalInterface: calls to and from the page that holds
// the movie. A desktop window holds no page, so it is never available and
// calls give null; its helpers that turn values into the XML of those calls
// and back work as the vendor's do.
#include <string>

#include "avm1/array.h"
#include "avm1/builtins/array_like.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/conversions.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

// The XML helpers nest as deep as the values they are given: a cycle stops
// here.
constexpr int kMaxNesting = 64;

struct Replacement {
  std::string_view from, to;
};

// Replaces each `from` by its `to`, scanning once from the left. An empty
// result is null, as the helpers give it.
Value replace_all(std::string_view text, std::initializer_list<Replacement> table) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const Replacement& r : table) {
      if (text.substr(i).starts_with(r.from)) {
        out += r.to;
        i += r.from.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += text[i++];
  }
  if (out.empty()) return Value::null();
  return Value(String(out));
}

Value escape_xml_text(std::string_view text) {
  return replace_all(
      text, {{"&", "&amp;"}, {"\"", "&quot;"}, {"'", "&apos;"}, {"<", "&lt;"}, {">", "&gt;"}});
}

Value unescape_xml_text(std::string_view text) {
  return replace_all(
      text, {{"&amp;", "&"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}});
}

Value escape_xml(Activation& act, const Value&, std::span<const Value> args) {
  if (args.empty()) return Value::null();
  return escape_xml_text(act.to_string(args[0]).view());
}

Value unescape_xml(Activation& act, const Value&, std::span<const Value> args) {
  if (args.empty()) return Value::null();
  return unescape_xml_text(act.to_string(args[0]).view());
}

Value js_quote_string(Activation& act, const Value&, std::span<const Value> args) {
  if (args.empty()) return Value::null();
  return replace_all(act.to_string(args[0]).view(), {{"\"", "\\\""}});
}

// --- Values to XML ---

std::string to_xml(Activation& act, const Value& v, int depth);

// The text of a value as the helpers concatenate it: null stays "null".
std::string text_of(Activation& act, const Value& v) { return act.to_string(v).str(); }

std::string array_to_xml(Activation& act, const Value& v, int depth) {
  std::string out = "<array>";
  double length = act.to_number(act.get(v, "length"));
  for (double i = 0; i < length && i < kMaxDenseElements; ++i) {
    String index = number_to_string(i);
    out += "<property id=\"" + index.str() + "\">" + to_xml(act, act.get(v, index), depth + 1) +
           "</property>";
  }
  return out + "</array>";
}

std::string object_to_xml(Activation& act, const Value& v, int depth) {
  std::string out = "<object>";
  if (Object* o = v.object()) {
    for (const String& name : o->enumerate(act))
      out += "<property id=\"" + name.str() + "\">" + to_xml(act, o->get(act, name), depth + 1) +
             "</property>";
  }
  return out + "</object>";
}

// The arguments of a call: the first is the function's name and is left out.
std::string arguments_to_xml(Activation& act, const Value& v, int depth) {
  std::string out = "<arguments>";
  double length = act.to_number(act.get(v, "length"));
  for (double i = 1; i < length && i < kMaxDenseElements; ++i)
    out += to_xml(act, act.get(v, number_to_string(i)), depth + 1);
  return out + "</arguments>";
}

bool is_array(Activation& act, const Value& v) {
  return v.is_object() && inherits_from(v, act.realm().array_proto);
}

std::string to_xml(Activation& act, const Value& v, int depth) {
  if (depth > kMaxNesting) return "<null/>";
  switch (v.type()) {
    case Type::String:
      return "<string>" + text_of(act, escape_xml_text(v.string().view())) + "</string>";
    case Type::Undefined:
      return "<undefined/>";
    case Type::Number:
      return "<number>" + text_of(act, v) + "</number>";
    case Type::Null:
      return "<null/>";
    case Type::Boolean:
      return v.boolean() ? "<true/>" : "<false/>";
    case Type::Object:
      if (v.object()->callable()) return "<null/>";
      return is_array(act, v) ? array_to_xml(act, v, depth) : object_to_xml(act, v, depth);
  }
  return "<null/>";
}

template <std::string (*F)(Activation&, const Value&, int)>
Value xml_helper(Activation& act, const Value&, std::span<const Value> args) {
  return Value(String(F(act, arg(args, 0), 0)));
}

// --- XML to values ---

Value to_as(Activation& act, const Value& node, int depth);

// Each child node of an XML node, as the helpers walk childNodes.
template <class F>
void for_each_child(Activation& act, const Value& node, F&& f) {
  Value children = act.get(node, "childNodes");
  if (!children.is_object()) return;
  double length = act.to_number(act.get(children, "length"));
  for (double i = 0; i < length && i < kMaxDenseElements; ++i)
    f(act.get(children, number_to_string(i)));
}

// <property id="name">value</property> children, set on `result`.
Value properties_to_as(Activation& act, const Value& node, Value result, int depth) {
  if (depth > kMaxNesting) return result;
  for_each_child(act, node, [&](const Value& child) {
    if (!loosely_equal(act, act.get(child, "nodeName"), Value("property"))) return;
    String id = act.to_string(act.get(act.get(child, "attributes"), "id"));
    act.set(result, id, to_as(act, act.get(child, "firstChild"), depth + 1));
  });
  return result;
}

Value array_to_as(Activation& act, const Value&, std::span<const Value> args) {
  return properties_to_as(act, arg(args, 0), Value(act.new_array()), 0);
}

Value object_to_as(Activation& act, const Value&, std::span<const Value> args) {
  return properties_to_as(act, arg(args, 0), Value(act.new_object()), 0);
}

Value arguments_to_as(Activation& act, const Value&, std::span<const Value> args) {
  ArrayObject* result = act.new_array();
  for_each_child(act, arg(args, 0),
                 [&](const Value& child) { result->push(to_as(act, child, 1)); });
  return Value(result);
}

Value to_as(Activation& act, const Value& node, int depth) {
  if (depth > kMaxNesting) return Value();
  Value type = act.get(node, "nodeName");
  auto is = [&](const char* name) { return loosely_equal(act, type, Value(name)); };
  Value first = act.get(node, "firstChild");
  if (is("number")) return Value(act.to_number(Value(act.to_string(first))));
  if (is("string")) {
    Value text = unescape_xml_text(act.to_string(first).view());
    return text.is_null() ? Value("") : text;
  }
  if (is("false")) return Value(false);
  if (is("true")) return Value(true);
  if (is("null")) return Value::null();
  if (is("undefined")) return Value();
  if (is("object")) return properties_to_as(act, node, Value(act.new_object()), depth);
  if (is("array")) return properties_to_as(act, node, Value(act.new_array()), depth);
  return Value();
}

Value to_as_helper(Activation& act, const Value&, std::span<const Value> args) {
  return to_as(act, arg(args, 0), 0);
}

Value no(Activation&, const Value&, std::span<const Value>) { return Value(false); }
Value none(Activation&, const Value&, std::span<const Value>) { return Value::null(); }

}  // namespace

void register_external_interface(Realm&, Activation& act) {
  ClassBuilder ei(act, {"ExternalInterface", nullptr});
  ei.constant("available", Value(false))
      .static_method("addCallback", no)
      .static_method("call", none)
      .static_method("_escapeXML", escape_xml)
      .static_method("_unescapeXML", unescape_xml)
      .static_method("_jsQuoteString", js_quote_string)
      .static_method("_toXML", xml_helper<to_xml>)
      .static_method("_arrayToXML", xml_helper<array_to_xml>)
      .static_method("_objectToXML", xml_helper<object_to_xml>)
      .static_method("_argumentsToXML", xml_helper<arguments_to_xml>)
      .static_method("_toAS", to_as_helper)
      .static_method("_arrayToAS", array_to_as)
      .static_method("_objectToAS", object_to_as)
      .static_method("_argumentsToAS", arguments_to_as);
  ei.install(flash_package(act, "external"), 0);
}

}  // namespace strandel::avm1
