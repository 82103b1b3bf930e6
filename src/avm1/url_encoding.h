// URL encoding as the player writes and reads it: escape() and unescape(),
// and the form data ("name=value&other=two+words") that LoadVars, XML and
// loadVariables exchange.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strandel::avm1 {

// Every byte but an ASCII letter or digit as %XX, upper-case hexadecimal.
std::string url_escape(std::string_view text);
// %XX as the byte it names; a % without two hexadecimal digits stays.
std::string url_unescape(std::string_view text);

// The name-value pairs of form data, in order, unescaped, with + read as a
// space. A pair without "=" has an empty value; empty pairs are skipped.
std::vector<std::pair<std::string, std::string>> decode_form(std::string_view text);

}  // namespace strandel::avm1
