// Text into an XML tree, as the vendor's player reads it: elements and
// their attributes, text with its entities decoded (unknown ones stay as
// written), CDATA as text, comments dropped, the XML declaration and the
// DOCTYPE kept apart. Reading stops at the first error, whose code is the
// document's status; the nodes read before it stay.
#include <string>
#include <vector>

#include "avm1/activation.h"
#include "avm1/builtins/xml_node.h"

namespace strandel::avm1 {

namespace {

// The player's status codes.
namespace status {
constexpr int CdataNotTerminated = -2;
constexpr int DeclarationNotTerminated = -3;
constexpr int DoctypeNotTerminated = -4;
constexpr int CommentNotTerminated = -5;
constexpr int MalformedElement = -6;
constexpr int OutOfMemory = -7;
constexpr int AttributeNotTerminated = -8;
constexpr int StartTagNotClosed = -9;
constexpr int EndTagWithoutStart = -10;
}  // namespace status

bool is_white(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool all_white(std::string_view s) {
  for (char c : s)
    if (!is_white(c)) return false;
  return true;
}

// "&#38;" and "&#x26;" as the character; nothing for anything else.
bool numeric_entity(std::string_view body, std::string& out) {
  if (body.size() < 2 || body[0] != '#') return false;
  bool hex = body[1] == 'x' || body[1] == 'X';
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return false;
  char32_t code = 0;
  for (char c : digits) {
    int d = c >= '0' && c <= '9'          ? c - '0'
            : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
    if (d < 0) return false;
    code = code * (hex ? 16 : 10) + static_cast<char32_t>(d);
  }
  if (code == 0 || code > 0x10FFFF) return false;
  append_utf8(out, code);
  return true;
}

std::string decode_entities(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t semicolon = text[i] == '&' ? text.find(';', i + 1) : std::string_view::npos;
    // The entity runs from this & to the next ; with no other & between.
    if (semicolon != std::string_view::npos &&
        text.substr(i + 1, semicolon - i - 1).find('&') == std::string_view::npos) {
      std::string_view body = text.substr(i + 1, semicolon - i - 1);
      bool decoded = numeric_entity(body, out);
      for (const auto& [name, c] : kNamed)
        if (!decoded && body == name) {
          out += c;
          decoded = true;
        }
      if (decoded) {
        i = semicolon + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

class XmlParser {
 public:
  XmlParser(Activation& act, XmlNode* document, std::string_view text, bool ignore_white)
      : act_(act), text_(text), ignore_white_(ignore_white), open_{document} {}

  XmlParseResult run() {
    while (pos_ < text_.size() && result_.status == 0) {
      if (text_[pos_] != '<') {
        read_text();
      } else if (starts_with("<!--")) {
        skip_past("-->", 4, status::CommentNotTerminated);
      } else if (starts_with("<![CDATA[")) {
        read_cdata();
      } else if (starts_with("<?")) {
        read_declaration();
      } else if (starts_with("<!")) {
        read_doctype();
      } else if (starts_with("</")) {
        read_end_tag();
      } else {
        read_start_tag();
      }
    }
    if (result_.status == 0 && open_.size() > 1) result_.status = status::StartTagNotClosed;
    open_.front()->refresh_child_array(act_);
    return result_;
  }

 private:
  bool starts_with(std::string_view s) const { return text_.substr(pos_, s.size()) == s; }

  // Moves past `end`, searching from `skip` characters on; false with
  // `error` as the status when it never comes.
  bool skip_past(std::string_view end, std::size_t skip, int error) {
    std::size_t at = text_.find(end, pos_ + skip);
    if (at == std::string_view::npos) {
      result_.status = error;
      return false;
    }
    pos_ = at + end.size();
    return true;
  }

  void add(XmlNode* node) {
    if (++made_ > kMaxXmlNodes) {
      result_.status = status::OutOfMemory;
      return;
    }
    open_.back()->adopt(node);
  }

  void add_text(std::string text) {
    add(make_xml_node(act_, xml_type::Text, Value(), Value(String(text))));
  }

  void read_text() {
    std::size_t end = text_.find('<', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view raw = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (ignore_white_ && all_white(raw)) return;
    add_text(decode_entities(raw));
  }

  void read_cdata() {
    std::size_t start = pos_ + 9;
    if (skip_past("]]>", 9, status::CdataNotTerminated))
      add_text(std::string(text_.substr(start, pos_ - 3 - start)));
  }

  void read_declaration() {
    std::size_t start = pos_;
    if (!skip_past("?>", 2, status::DeclarationNotTerminated)) return;
    result_.xml_declaration += text_.substr(start, pos_ - start);
    result_.has_xml_declaration = true;
  }

  // "<!DOCTYPE name [ <!ENTITY ...> ]>": the brackets may hold ">".
  void read_doctype() {
    std::size_t start = pos_, depth = 0;
    for (std::size_t i = pos_ + 2; i < text_.size(); ++i) {
      if (text_[i] == '[') ++depth;
      if (text_[i] == ']' && depth > 0) --depth;
      if (text_[i] == '>' && depth == 0) {
        pos_ = i + 1;
        result_.doctype = std::string(text_.substr(start, pos_ - start));
        result_.has_doctype = true;
        return;
      }
    }
    result_.status = status::DoctypeNotTerminated;
  }

  std::string_view read_name() {
    std::size_t start = pos_;
    while (pos_ < text_.size() && !is_white(text_[pos_]) && text_[pos_] != '>' &&
           text_[pos_] != '/' && text_[pos_] != '=')
      ++pos_;
    return text_.substr(start, pos_ - start);
  }

  void skip_white() {
    while (pos_ < text_.size() && is_white(text_[pos_])) ++pos_;
  }

  void read_end_tag() {
    pos_ += 2;
    std::string_view name = read_name();
    skip_white();
    if (pos_ >= text_.size() || text_[pos_] != '>') {
      result_.status = status::MalformedElement;
      return;
    }
    ++pos_;
    if (open_.size() == 1) {
      result_.status = status::EndTagWithoutStart;
    } else if (act_.to_string(open_.back()->name()).view() != name) {
      result_.status = status::StartTagNotClosed;
    } else {
      open_.pop_back();
    }
  }

  struct Attribute {
    std::string_view name;
    std::string value;
  };

  bool read_attribute(std::vector<Attribute>& attributes) {
    std::string_view name = read_name();
    skip_white();
    if (name.empty() || pos_ >= text_.size() || text_[pos_] != '=') {
      result_.status = status::MalformedElement;
      return false;
    }
    ++pos_;
    skip_white();
    if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
      result_.status = status::MalformedElement;
      return false;
    }
    char quote = text_[pos_++];
    std::size_t end = text_.find(quote, pos_);
    if (end == std::string_view::npos) {
      result_.status = status::AttributeNotTerminated;
      return false;
    }
    attributes.push_back({name, decode_entities(text_.substr(pos_, end - pos_))});
    pos_ = end + 1;
    return true;
  }

  void read_start_tag() {
    ++pos_;
    std::string_view name = read_name();
    if (name.empty()) {
      result_.status = status::MalformedElement;
      return;
    }
    std::vector<Attribute> attributes;
    bool empty = false;
    for (;;) {
      skip_white();
      if (pos_ >= text_.size()) {
        result_.status = status::MalformedElement;
        return;
      }
      if (text_[pos_] == '>') break;
      if (starts_with("/>")) {
        empty = true;
        ++pos_;
        break;
      }
      if (!read_attribute(attributes)) return;
    }
    ++pos_;
    XmlNode* element = make_xml_node(act_, xml_type::Element, Value(String(name)), Value());
    // Made last to first, so for..in (newest first) lists them as written.
    if (!attributes.empty()) {
      Object* object = element->attributes(act_);
      for (auto it = attributes.rbegin(); it != attributes.rend(); ++it)
        object->set(act_, String(it->name), Value(String(it->value)));
    }
    add(element);
    if (empty || result_.status != 0) return;
    if (open_.size() > static_cast<std::size_t>(kMaxXmlDepth)) {
      result_.status = status::MalformedElement;
      return;
    }
    open_.push_back(element);
  }

  Activation& act_;
  std::string_view text_;
  bool ignore_white_;
  std::vector<XmlNode*> open_;  // the document, then the elements not yet ended
  std::size_t pos_ = 0;
  std::size_t made_ = 0;
  XmlParseResult result_;
};

}  // namespace

XmlParseResult parse_xml(Activation& act, XmlNode* document, std::string_view text,
                         bool ignore_white) {
  document->remove_children(act);
  return XmlParser(act, document, text, ignore_white).run();
}

}  // namespace strandel::avm1
