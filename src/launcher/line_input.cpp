#include "launcher/line_input.h"

#include "platform/runtime_error.h"

namespace strandel::launcher {

namespace {
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
}

LineInput::LineInput(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.starts_with(kByteOrderMark)) pos_ = 3;
}

std::string LineInput::ReadLine() {
  if (AtEnd()) throw platform::RuntimeError(platform::ErrorNumber::InputPastEndOfFile);
  std::size_t end = bytes_.find_first_of("\r\n", pos_);
  if (end == std::string::npos) end = bytes_.size();
  std::string line = bytes_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < bytes_.size()) {
    bool carriage_return = bytes_[pos_] == '\r';
    ++pos_;
    if (carriage_return && pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
  }
  return line;
}

}  // namespace strandel::launcher
