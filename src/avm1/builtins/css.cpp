#include "avm1/builtins/css.h"

namespace strandel::avm1 {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

bool has_blank(std::string_view s) {
  for (char c : s)
    if (is_blank(c)) return true;
  return false;
}

// "font-size" as "fontSize": a dash goes and the character after it is
// upper-cased (so "a--b" becomes "a-b").
std::string camel_case(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '-') {
      out += name[i];
    } else if (i + 1 < name.size()) {
      char c = name[++i];
      out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
  return out;
}

class CssReader {
 public:
  explicit CssReader(std::string_view text) : text_(text) {}

  std::optional<std::vector<CssRule>> run() {
    std::vector<CssRule> rules;
    for (;;) {
      skip_blanks();
      if (pos_ >= text_.size()) return rules;
      auto selectors = read_selectors();
      if (!selectors) return std::nullopt;
      auto declarations = read_block();
      if (!declarations) return std::nullopt;
      rules.push_back({std::move(*selectors), std::move(*declarations)});
    }
  }

 private:
  void skip_blanks() {
    while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
  }

  // "a, b {": the names before the brace, each without blanks.
  std::optional<std::vector<std::string>> read_selectors() {
    std::size_t brace = text_.find('{', pos_);
    if (brace == std::string_view::npos) return std::nullopt;
    std::string_view list = text_.substr(pos_, brace - pos_);
    pos_ = brace + 1;
    std::vector<std::string> selectors;
    for (;;) {
      std::size_t comma = list.find(',');
      std::string_view selector = trim(list.substr(0, comma));
      if (selector.empty() || has_blank(selector)) return std::nullopt;
      selectors.emplace_back(selector);
      if (comma == std::string_view::npos) return selectors;
      list.remove_prefix(comma + 1);
    }
  }

  // The declarations up to "}" (or the end of the text, between two).
  std::optional<std::vector<std::pair<std::string, std::string>>> read_block() {
    std::vector<std::pair<std::string, std::string>> declarations;
    for (;;) {
      skip_blanks();
      if (pos_ >= text_.size()) return declarations;
      if (text_[pos_] == '}') {
        ++pos_;
        return declarations;
      }
      std::size_t colon = text_.find(':', pos_);
      if (colon == std::string_view::npos) return std::nullopt;
      std::string_view name = text_.substr(pos_, colon - pos_);
      if (has_blank(trim(name))) return std::nullopt;
      pos_ = colon + 1;
      skip_blanks();
      std::size_t end = text_.find_first_of(";}", pos_);
      if (end == std::string_view::npos) return std::nullopt;
      std::string_view value = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
      if (!name.empty()) declarations.emplace_back(camel_case(name), value);
      if (text_[end] == '}') return declarations;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::vector<CssRule>> parse_css(std::string_view text) {
  return CssReader(text).run();
}

}  // namespace strandel::avm1
