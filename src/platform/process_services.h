// The program-wide services of a process on Linux: its folder, its current
// directory, files read whole, and ending at once.
#pragma once

#include <string>

#include "platform/toolkit.h"

namespace strandel::platform {

class ProcessServices : public Services {
 public:
  std::string AppPath() const override;
  std::string CurDir() const override;
  std::string ReadFileForInput(const std::string& name) override;
  [[noreturn]] void End() override;
};

}  // namespace strandel::platform
