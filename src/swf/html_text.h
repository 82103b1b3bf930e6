// The HTML subset of text fields: read into formatted spans, and written
// back as the vendor's player writes a field's htmlText.
#pragma once

#include <string>
#include <vector>

#include "swf/text_format.h"

namespace strandel::swf {

// Reads <p align>, <br>, <b>, <i>, <u>, <font face size color
// letterspacing kerning>, <a href target>, <textformat leftmargin
// rightmargin indent blockindent leading>, <li> and the common entities.
// Other tags are left out, unbalanced ones are tolerated, and nesting
// deeper than a cap keeps the outer format. A single-line field drops the
// line breaks. Paragraph ends become '\r'.
std::vector<TextSpan> parse_html(const std::string& html, const TextFormat& base, bool multiline);

// Each paragraph as <TEXTFORMAT> (when it has margins, indents or
// leading), <P ALIGN>, a <FONT> with every attribute of its first
// character, and inside it <FONT>, <A>, <B>, <I>, <U> for what changes.
std::string write_html(const std::vector<TextSpan>& spans);

}  // namespace strandel::swf
