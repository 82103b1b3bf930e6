#include "swf/diagnostic.h"

#include "swf/tags.h"

namespace strandel::swf {

std::string Diagnostic::message() const {
  std::string where;
  if (tag) where = tag_name(*tag);
  if (offset) where += (where.empty() ? "at offset " : " at offset ") + std::to_string(*offset);
  std::string what = kind == DiagnosticKind::NotAMovie ? "not a movie: " + text : text;
  return where.empty() ? what : where + ": " + what;
}

}  // namespace strandel::swf
