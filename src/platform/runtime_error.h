// The toolkit's run-time error: a standard error number with its standard
// description, plus what and where it happened. Every failure of the
// start-up sequence and of a toolkit operation is one of these; main reports
// it and ends the program with status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace strandel::platform {

// Standard run-time error numbers.
enum class ErrorNumber : int {
  Overflow = 6,
  SubscriptOutOfRange = 9,
  TypeMismatch = 13,
  FileNotFound = 53,
  InputPastEndOfFile = 62,
  PathFileAccessError = 75,
  InvalidPropertyValue = 380,
};

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(ErrorNumber number, std::string detail = {});

  int number() const { return static_cast<int>(number_); }
  ErrorNumber error() const { return number_; }
  const std::string& detail() const { return detail_; }
  // Adds where the error happened, in front of what is already known.
  void add_context(const std::string& where);

  // "Run-time error '53': File not found", then the detail on its own line.
  std::string report() const;

 private:
  ErrorNumber number_;
  std::string detail_;
};

// The standard description of an error number ("File not found").
const char* describe(ErrorNumber number);

}  // namespace strandel::platform
