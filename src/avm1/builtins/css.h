// Style sheets as TextField.StyleSheet reads them: rules of selectors
// ("a, b.title") and declarations ("font-size: 12px; color: #FF0000"),
// read with the vendor's player's own strictness and laxness. A declaration's
// name keeps its trailing blanks and becomes camel case ("font-size" is
// "fontSize"); its value keeps everything up to the ";" or "}" but the
// leading blanks. A rule may end with the text, but a name or value may not.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strandel::avm1 {

// One block and the selectors it applies to.
struct CssRule {
  std::vector<std::string> selectors;
  std::vector<std::pair<std::string, std::string>> declarations;  // in the order written
};

// The rules of `text`, in order; nothing when the text is
// malformed (a selector that is empty or holds a blank, a name with a blank
// inside, a name or value that runs to the end).
std::optional<std::vector<CssRule>> parse_css(std::string_view text);

}  // namespace strandel::avm1
