// XML trees as scripts see them: every node is a script object (XMLNode,
// or XML for a document) that keeps its parent, its children in order and
// an attributes object. The tree's shape is kept here; XMLNode's methods and
// properties (xml_node.cpp), the parser (xml_parser.cpp) and the XML class
// (xml.cpp) work on it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "avm1/loads.h"
#include "avm1/object.h"

namespace strandel::avm1 {

class ArrayObject;

// How deep a tree may nest: deeper elements of a parsed text are an error,
// and toString and cloneNode stop there.
inline constexpr int kMaxXmlDepth = 256;
// Nodes one parse may make; text that holds more stops there as malformed.
inline constexpr std::size_t kMaxXmlNodes = 1u << 20;

namespace xml_type {
constexpr int Element = 1;
constexpr int Text = 3;
}  // namespace xml_type

class XmlNode : public Object {
 public:
  // An element is named (null for a document); a text node has a value.
  XmlNode(Object* proto, int type, Value name, Value value)
      : Object(proto), type_(type), name_(std::move(name)), value_(std::move(value)) {}

  int type() const { return type_; }
  const Value& name() const { return name_; }
  const Value& value() const { return value_; }
  void set_type(int type) { type_ = type; }
  void set_name(Value name) { name_ = std::move(name); }
  void set_value(Value value) { value_ = std::move(value); }

  XmlNode* parent() const { return parent_; }
  const std::vector<XmlNode*>& children() const { return children_; }
  XmlNode* sibling(int offset) const;
  bool is_ancestor_of(const XmlNode* node) const;

  // Puts `child` before `before` (at the end when null), taking it from its
  // old parent. False, and nothing changes, when `child` is this node or one
  // of its ancestors, is already a child here, or `before` is not a child.
  bool insert(Activation& act, XmlNode* child, XmlNode* before);
  void remove_from_parent(Activation& act);
  void remove_children(Activation& act);
  // Appends a node that has no parent, for building a new tree: childNodes
  // catches up at refresh_child_array().
  void adopt(XmlNode* child);
  void refresh_child_array(Activation& act);

  // The attributes object, made on first use.
  Object* attributes(Activation& act);
  void set_attributes(Object* attributes) { attributes_ = attributes; }
  // childNodes: one array per node, kept in step with the children.
  ArrayObject* child_array(Activation& act);

  void trace(Tracer& tracer) override;

 private:
  int type_;
  Value name_;
  Value value_;
  XmlNode* parent_ = nullptr;
  std::vector<XmlNode*> children_;
  Object* attributes_ = nullptr;
  ArrayObject* child_array_ = nullptr;
};

// An XML object: the document node, which can load its text.
class XmlDocument : public XmlNode, public Loadable {
 public:
  explicit XmlDocument(Object* proto)
      : XmlNode(proto, xml_type::Element, Value::null(), Value::null()) {}
  void trace(Tracer& tracer) override;
};

// A new node with XMLNode.prototype as scripts have left it.
XmlNode* make_xml_node(Activation& act, int type, const Value& name, const Value& value);
// The node and its attributes, and its descendants when `deep`.
XmlNode* clone_xml_node(Activation& act, XmlNode* node, bool deep);

// The text toString gives: elements with their attributes and children,
// text escaped; a document starts with its XML and DOCTYPE declarations.
std::string xml_to_string(Activation& act, XmlNode* node);
// & < > " and ' as entities, as toString writes text and attribute values.
std::string escape_xml(std::string_view text);

struct XmlParseResult {
  int status = 0;  // 0, or the player's negative error code
  std::string xml_declaration;
  std::string doctype;
  bool has_xml_declaration = false;
  bool has_doctype = false;
};
// Parses `text` into children of `document`, after removing the old ones;
// what was read before an error stays.
XmlParseResult parse_xml(Activation& act, XmlNode* document, std::string_view text,
                         bool ignore_white);

}  // namespace strandel::avm1
