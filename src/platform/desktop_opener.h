// Opens documents, programs and addresses with the desktop's opener,
// xdg-open, found on PATH. The argument travels in an argument vector, never
// through a shell, so spaces, quotes, ";", "$(...)" and backquotes reach the
// opener unchanged as one argument.
#pragma once

#include <functional>
#include <string>

#include "platform/toolkit.h"

namespace strandel::platform {

class DesktopOpener : public Shell {
 public:
  // Starts `xdg-open file` in directory, detached: its standard streams go to
  // /dev/null, the launcher does not wait for it and leaves no zombie. A
  // failure to start it is one line on stderr and a call of on_failure with
  // the same text; the caller carries on either way.
  void Execute(std::uint32_t owner, const std::string& operation, const std::string& file,
               const std::string& parameters, const std::string& directory,
               int show_command) override;

  std::function<void(const std::string& message)> on_failure;

 private:
  void report(const std::string& file, const std::string& reason) const;
};

// The full path of a program found on PATH, or empty.
std::string FindOnPath(const std::string& program);

}  // namespace strandel::platform
