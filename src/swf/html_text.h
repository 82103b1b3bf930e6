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
// breaks tags make. Paragraph ends become '\r'. Text between two tags that
// is only whitespace is left out, and line ends in text end paragraphs;
// condensing instead makes each run of whitespace one space (none at the
// start of a paragraph).
std::vector<TextSpan> parse_html(const std::string& html, const TextFormat& base, bool multiline,
                                 bool condense_white = false);

// Each paragraph as <TEXTFORMAT> (when it has margins, indents or
// leading), <P ALIGN>, a <FONT> with every attribute of its first
// character, and inside it <FONT>, <A>, <B>, <I>, <U> for what changes.
std::string write_html(const std::vector<TextSpan>& spans);

}  // namespace strandel::swf
