// XMLNode: the tree of an XML document, its properties (read through the
// prototype, as the vendor's player has them) and its methods.
#include "avm1/builtins/xml_node.h"

#include <algorithm>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

// --- The tree ---

XmlNode* XmlNode::sibling(int offset) const {
  if (!parent_) return nullptr;
  const auto& list = parent_->children_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return nullptr;
  auto index = (it - list.begin()) + offset;
  if (index < 0 || index >= static_cast<std::ptrdiff_t>(list.size())) return nullptr;
  return list[static_cast<std::size_t>(index)];
}

bool XmlNode::is_ancestor_of(const XmlNode* node) const {
  // Each node has one parent and insert() refuses cycles, so the walk ends.
  for (const XmlNode* p = node ? node->parent_ : nullptr; p; p = p->parent_)
    if (p == this) return true;
  return false;
}

bool XmlNode::insert(Activation& act, XmlNode* child, XmlNode* before) {
  if (!child || child == this || child->is_ancestor_of(this) || child->parent_ == this)
    return false;
  auto at = children_.end();
  if (before) {
    at = std::find(children_.begin(), children_.end(), before);
    if (at == children_.end()) return false;
  }
  auto index = at - children_.begin();
  if (child->parent_) child->remove_from_parent(act);
  bool at_end = static_cast<std::size_t>(index) == children_.size();
  children_.insert(children_.begin() + index, child);
  child->parent_ = this;
  // Appending, the commonest change, extends childNodes rather than rewriting it.
  if (at_end && child_array_ && child_array_->length() + 1 == children_.size()) {
    child_array_->push(Value(child));
  } else {
    refresh_child_array(act);
  }
  return true;
}

void XmlNode::remove_from_parent(Activation& act) {
  if (!parent_) return;
  XmlNode* old = parent_;
  std::erase(old->children_, this);
  parent_ = nullptr;
  old->refresh_child_array(act);
}

void XmlNode::remove_children(Activation& act) {
  for (XmlNode* child : children_) child->parent_ = nullptr;
  children_.clear();
  refresh_child_array(act);
}

void XmlNode::adopt(XmlNode* child) {
  children_.push_back(child);
  child->parent_ = this;
}

Object* XmlNode::attributes(Activation& act) {
  if (!attributes_) attributes_ = act.new_object();
  return attributes_;
}

ArrayObject* XmlNode::child_array(Activation& act) {
  if (!child_array_) {
    child_array_ = act.new_array();
    refresh_child_array(act);
  }
  return child_array_;
}

void XmlNode::refresh_child_array(Activation&) {
  if (!child_array_) return;
  child_array_->assign(std::vector<Value>(children_.begin(), children_.end()));
}

void XmlNode::trace(Tracer& tracer) {
  Object::trace(tracer);
  tracer.mark(parent_);
  for (XmlNode* child : children_) tracer.mark(child);
  tracer.mark(attributes_);
  tracer.mark(child_array_);
}

void XmlDocument::trace(Tracer& tracer) {
  XmlNode::trace(tracer);
  tracer.mark(bytes_loaded);
  tracer.mark(bytes_total);
}

XmlNode* make_xml_node(Activation& act, int type, const Value& name, const Value& value) {
  // Nodes take XMLNode.prototype as scripts have left it, so a movie can
  // give every node of a parsed text methods of its own.
  Object* proto = act.get(act.get(Value(act.global()), "XMLNode"), "prototype").object();
  if (!proto) proto = act.realm().prototype("XMLNode");
  bool element = type == xml_type::Element;
  return act.heap().make<XmlNode>(proto, element ? xml_type::Element : xml_type::Text,
                                  element ? name : Value::null(), element ? Value::null() : value);
}

namespace {

// A copy of an attributes object that lists its names in the same order.
Object* copy_attributes(Activation& act, Object* from) {
  Object* copy = act.new_object();
  if (!from) return copy;
  std::vector<String> names = from->enumerate(act);
  for (auto it = names.rbegin(); it != names.rend(); ++it) copy->set(act, *it, from->get(act, *it));
  return copy;
}

XmlNode* copy_node(Activation& act, XmlNode* node) {
  XmlNode* copy = make_xml_node(act, node->type(), node->name(), node->value());
  copy->set_attributes(copy_attributes(act, node->attributes(act)));
  return copy;
}

}  // namespace

XmlNode* clone_xml_node(Activation& act, XmlNode* node, bool deep) {
  XmlNode* root = copy_node(act, node);
  if (!deep) return root;
  // A work list rather than recursion: a script can build any depth.
  std::vector<std::pair<XmlNode*, XmlNode*>> work{{node, root}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    for (XmlNode* child : from->children()) {
      XmlNode* copy = copy_node(act, child);
      to->adopt(copy);
      work.emplace_back(child, copy);
    }
  }
  return root;
}

// --- XMLNode's properties and methods ---

namespace {

XmlNode* node_of(const Value& self) { return this_as<XmlNode>(self); }

Value or_null(XmlNode* node) { return node ? Value(node) : Value::null(); }

Value xml_node_constructor(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  if (!node) return Value();
  const Value& text = arg(args, 1);
  Value content = text.is_undefined() ? Value::null() : Value(act.to_string(text));
  if (act.to_number(arg(args, 0)) == xml_type::Element) {
    node->set_name(content);
  } else {
    node->set_type(xml_type::Text);
    node->set_value(content);
  }
  return Value();
}

Object* allocate_xml_node(Activation& act, Object* proto) {
  return act.heap().make<XmlNode>(proto, xml_type::Element, Value::null(), Value::null());
}

Value get_node_type(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? Value(node->type()) : Value();
}

Value get_node_name(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? node->name() : Value();
}

// An assignment of undefined leaves the name or value as it was.
Value set_node_name(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  if (node && !arg(args, 0).is_undefined()) node->set_name(Value(act.to_string(args[0])));
  return Value();
}

Value get_node_value(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? node->value() : Value();
}

Value set_node_value(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  if (node && !arg(args, 0).is_undefined()) node->set_value(Value(act.to_string(args[0])));
  return Value();
}

Value get_attributes(Activation& act, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? Value(node->attributes(act)) : Value();
}

Value set_attributes(Activation&, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  if (node && arg(args, 0).is_object()) node->set_attributes(args[0].object());
  return Value();
}

Value get_child_nodes(Activation& act, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? Value(static_cast<Object*>(node->child_array(act))) : Value();
}

Value get_parent_node(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? or_null(node->parent()) : Value();
}

Value get_first_child(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  if (!node) return Value();
  return or_null(node->children().empty() ? nullptr : node->children().front());
}

Value get_last_child(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  if (!node) return Value();
  return or_null(node->children().empty() ? nullptr : node->children().back());
}

Value get_next_sibling(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? or_null(node->sibling(1)) : Value();
}

Value get_previous_sibling(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? or_null(node->sibling(-1)) : Value();
}

// "svg:rect" has the prefix "svg" and the local name "rect".
Value name_part(Activation& act, const Value& self, bool prefix) {
  XmlNode* node = node_of(self);
  if (!node) return Value();
  if (node->name().is_nullish()) return Value::null();
  String name = act.to_string(node->name());
  std::string_view s = name.view();
  auto colon = s.find(':');
  if (colon == std::string_view::npos) return Value(prefix ? String() : name);
  return Value(String(prefix ? s.substr(0, colon) : s.substr(colon + 1)));
}

Value get_local_name(Activation& act, const Value& self, std::span<const Value>) {
  return name_part(act, self, false);
}

Value get_prefix(Activation& act, const Value& self, std::span<const Value>) {
  return name_part(act, self, true);
}

// The URI an xmlns attribute of the node or an ancestor gives the prefix.
Value namespace_for(Activation& act, XmlNode* node, const String& prefix) {
  String attribute = prefix.empty() ? String("xmlns") : String("xmlns:") + prefix;
  for (XmlNode* n = node; n; n = n->parent()) {
    Value uri;
    if (n->attributes(act)->lookup(act, attribute, uri)) return uri;
  }
  return Value::null();
}

Value get_namespace_uri(Activation& act, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  if (!node) return Value();
  if (node->type() != xml_type::Element || node->name().is_nullish()) return Value::null();
  Value uri = namespace_for(act, node, act.to_string(get_prefix(act, self, {})));
  return uri.is_null() ? Value(String()) : uri;
}

Value get_namespace_for_prefix(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  if (!node || args.empty()) return Value();
  return namespace_for(act, node, act.to_string(args[0]));
}

Value get_prefix_for_namespace(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  if (!node || args.empty()) return Value();
  String uri = act.to_string(args[0]);
  for (XmlNode* n = node; n; n = n->parent()) {
    Object* attributes = n->attributes(act);
    for (const String& name : attributes->enumerate(act)) {
      std::string_view s = name.view();
      if (s != "xmlns" && s.substr(0, 6) != "xmlns:") continue;
      if (act.to_string(attributes->get(act, name)) == uri)
        return Value(String(s.size() > 6 ? s.substr(6) : std::string_view()));
    }
  }
  return Value::null();
}

Value append_child(Activation& act, const Value& self, std::span<const Value> args) {
  if (XmlNode* node = node_of(self)) node->insert(act, this_as<XmlNode>(arg(args, 0)), nullptr);
  return Value();
}

Value insert_before(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* before = this_as<XmlNode>(arg(args, 1));
  if (XmlNode* node = node_of(self); node && before)
    node->insert(act, this_as<XmlNode>(arg(args, 0)), before);
  return Value();
}

Value remove_node(Activation& act, const Value& self, std::span<const Value>) {
  if (XmlNode* node = node_of(self)) node->remove_from_parent(act);
  return Value();
}

Value clone_node(Activation& act, const Value& self, std::span<const Value> args) {
  XmlNode* node = node_of(self);
  return node ? Value(clone_xml_node(act, node, act.to_boolean(arg(args, 0)))) : Value();
}

Value has_child_nodes(Activation&, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? Value(!node->children().empty()) : Value();
}

Value to_string(Activation& act, const Value& self, std::span<const Value>) {
  XmlNode* node = node_of(self);
  return node ? Value(String(xml_to_string(act, node))) : Value();
}

}  // namespace

void register_xml_node(Realm& realm, Activation& act) {
  ClassBuilder node(act, {"XMLNode", xml_node_constructor, nullptr, allocate_xml_node});
  node.property("nodeType", get_node_type)
      .property("nodeName", get_node_name, set_node_name)
      .property("nodeValue", get_node_value, set_node_value)
      .property("attributes", get_attributes, set_attributes)
      .property("childNodes", get_child_nodes)
      .property("parentNode", get_parent_node)
      .property("firstChild", get_first_child)
      .property("lastChild", get_last_child)
      .property("nextSibling", get_next_sibling)
      .property("previousSibling", get_previous_sibling)
      .property("localName", get_local_name)
      .property("prefix", get_prefix)
      .property("namespaceURI", get_namespace_uri)
      .method("appendChild", append_child)
      .method("insertBefore", insert_before)
      .method("removeNode", remove_node)
      .method("cloneNode", clone_node)
      .method("hasChildNodes", has_child_nodes)
      .method("getNamespaceForPrefix", get_namespace_for_prefix)
      .method("getPrefixForNamespace", get_prefix_for_namespace)
      .method("toString", to_string);
  node.install(realm.global);
}

}  // namespace strandel::avm1
