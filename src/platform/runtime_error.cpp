#include "platform/runtime_error.h"

namespace strandel::platform {

const char* describe(ErrorNumber number) {
  switch (number) {
    case ErrorNumber::Overflow: return "Overflow";
    case ErrorNumber::SubscriptOutOfRange: return "Subscript out of range";
    case ErrorNumber::TypeMismatch: return "Type mismatch";
    case ErrorNumber::FileNotFound: return "File not found";
    case ErrorNumber::InputPastEndOfFile: return "Input past end of file";
    case ErrorNumber::PathFileAccessError: return "Path/File access error";
    case ErrorNumber::InvalidPropertyValue: return "Invalid property value";
  }
  return "Application-defined or object-defined error";
}

RuntimeError::RuntimeError(ErrorNumber number, std::string detail)
    : std::runtime_error(describe(number)), number_(number), detail_(std::move(detail)) {}

void RuntimeError::add_context(const std::string& where) {
  detail_ = detail_.empty() ? where : where + ": " + detail_;
}

std::string RuntimeError::report() const {
  std::string text = "Run-time error '" + std::to_string(number()) + "': " + what();
  if (!detail_.empty()) text += "\n" + detail_;
  return text;
}

}  // namespace strandel::platform
