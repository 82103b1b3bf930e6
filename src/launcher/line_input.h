// Sequential text input over a settings file's bytes, line by line.
//
// A line ends at a carriage return, and a line feed right after it is
// skipped (Windows-authored settings end their lines with CR LF). A bare line
// feed ends a line too, since files written on Linux end their lines with LF.
// A UTF-8 byte-order mark at the very start is skipped: Windows editors write
// one, and it would otherwise become part of a one-line file's movie path.
#pragma once

#include <string>

namespace strandel::launcher {

class LineInput {
 public:
  explicit LineInput(std::string bytes);

  // True once every byte has been read.
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  // The next line without its separator. Reading at the end fails with
  // error 62 (input past end of file).
  std::string ReadLine();

 private:
  std::string bytes_;
  std::size_t pos_ = 0;
};

}  // namespace strandel::launcher
