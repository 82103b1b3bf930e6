// XML: a document node that parses text into its tree and loads text
// from files beside the movie.
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/xml_node.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

XmlDocument* document_of(const Value& self) { return this_as<XmlDocument>(self); }

void parse_into(Activation& act, XmlDocument* document, const Value& text) {
  bool ignore_white = act.to_boolean(document->get(act, "ignoreWhite"));
  XmlParseResult result = parse_xml(act, document, act.to_string(text).view(), ignore_white);
  Value self(static_cast<Object*>(document));
  // Declarations the text lacks are undefined after the parse.
  act.set(self, "xmlDecl",
          result.has_xml_declaration ? Value(String(result.xml_declaration)) : Value());
  act.set(self, "docTypeDecl", result.has_doctype ? Value(String(result.doctype)) : Value());
  act.set(self, "status", Value(result.status));
}

Value xml_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  XmlDocument* document = document_of(self);
  if (document && !arg(args, 0).is_nullish()) parse_into(act, document, args[0]);
  return Value();
}

Object* allocate_xml(Activation& act, Object* proto) { return act.heap().make<XmlDocument>(proto); }

Value parse_xml_method(Activation& act, const Value& self, std::span<const Value> args) {
  if (XmlDocument* document = document_of(self)) parse_into(act, document, arg(args, 0));
  return Value();
}

Value create_element(Activation& act, const Value&, std::span<const Value> args) {
  return Value(make_xml_node(act, xml_type::Element, Value(act.to_string(arg(args, 0))), Value()));
}

Value create_text_node(Activation& act, const Value&, std::span<const Value> args) {
  return Value(make_xml_node(act, xml_type::Text, Value(), Value(act.to_string(arg(args, 0)))));
}

Value load(Activation& act, const Value& self, std::span<const Value> args) {
  return Value(start_data_load(act, self.object(), arg(args, 0)));
}

// The document is sent only to a server; from a local file, the answer is
// the file.
Value send_and_load(Activation& act, const Value&, std::span<const Value> args) {
  return Value(start_data_load(act, this_as<XmlDocument>(arg(args, 1)), arg(args, 0)));
}

Value send(Activation&, const Value&, std::span<const Value> args) { return Value(!args.empty()); }

// onData's default: the text becomes the tree, then onLoad says how it went.
Value on_data(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& text = arg(args, 0);
  if (text.is_undefined()) {
    act.call_method(self, "onLoad", {Value(false)});
    return Value();
  }
  act.call_method(self, "parseXML", {text});
  act.set(self, "loaded", Value(true));
  act.call_method(self, "onLoad", {Value(true)});
  return Value();
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void register_xml(Realm& realm, Activation& act) {
  ClassBuilder xml(act, {"XML", xml_constructor, nullptr, allocate_xml},
                   realm.prototype("XMLNode"));
  xml.method("createElement", create_element)
      .method("createTextNode", create_text_node)
      .method("parseXML", parse_xml_method)
      .method("load", load)
      .method("sendAndLoad", send_and_load)
      .method("send", send)
      .method("getBytesLoaded", get_bytes_loaded)
      .method("getBytesTotal", get_bytes_total)
      .method("addRequestHeader", nothing)
      .method("onData", on_data)
      .method("onLoad", nothing);
  Object* proto = xml.prototype();
  proto->define("contentType", Value("application/x-www-form-urlencoded"), attr::DontEnum);
  proto->define("ignoreWhite", Value(false), attr::DontEnum);
  xml.install(realm.global);
}

}  // namespace strandel::avm1
