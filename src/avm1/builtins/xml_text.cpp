// XML trees written as text, as XMLNode.toString writes them: an empty
// element as "<name />", attributes in the order for..in lists them, text
// and attribute values with their markup characters as entities.
#include <string>
#include <vector>

#include "avm1/activation.h"
#include "avm1/builtins/xml_node.h"

namespace strandel::avm1 {

namespace {

// Text one toString may write; the rest of a larger tree is left out.
constexpr std::size_t kMaxXmlText = 64u << 20;

void write_start_tag(Activation& act, XmlNode* node, std::string& out) {
  out += '<';
  out += act.to_string(node->name()).view();
  Object* attributes = node->attributes(act);
  for (const String& name : attributes->enumerate(act)) {
    out += ' ';
    out += name.view();
    out += "=\"";
    out += escape_xml(act.to_string(attributes->get(act, name)).view());
    out += '"';
  }
  out += node->children().empty() ? " />" : ">";
}

// The XML and DOCTYPE declarations a document was read with (or was given).
void write_declarations(Activation& act, XmlNode* document, std::string& out) {
  for (const char* name : {"xmlDecl", "docTypeDecl"}) {
    Value declaration = document->get(act, name);
    if (!declaration.is_nullish()) out += act.to_string(declaration).view();
  }
}

}  // namespace

std::string escape_xml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string xml_to_string(Activation& act, XmlNode* node) {
  std::string out;
  if (dynamic_cast<XmlDocument*>(node)) write_declarations(act, node, out);
  // A work list rather than recursion, since a script can build any depth:
  // each entry is a node to open, or (closing) an element to end.
  struct Step {
    XmlNode* node;
    bool closing;
  };
  std::vector<Step> work{{node, false}};
  while (!work.empty() && out.size() < kMaxXmlText) {
    Step step = work.back();
    work.pop_back();
    XmlNode* n = step.node;
    bool named = !n->name().is_nullish();
    if (step.closing) {
      out += "</";
      out += act.to_string(n->name()).view();
      out += '>';
      continue;
    }
    if (n->type() != xml_type::Element) {
      if (!n->value().is_nullish()) out += escape_xml(act.to_string(n->value()).view());
      continue;
    }
    if (named) write_start_tag(act, n, out);
    if (named && !n->children().empty()) work.push_back({n, true});
    const auto& children = n->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) work.push_back({*it, false});
  }
  return out;
}

}  // namespace strandel::avm1
