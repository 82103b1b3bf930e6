// The commands a movie sends through its FSCommand event. Three words are
// known, compared exactly and case-sensitively; anything else does nothing.
#pragma once

#include <string>

#include "platform/toolkit.h"

namespace strandel::moviehost {

inline constexpr char kCommandOpen[] = "open";
inline constexpr char kCommandMinimize[] = "minimize";
inline constexpr char kCommandQuit[] = "quit";

inline constexpr char kShellOperationOpen[] = "Open";
inline constexpr int kShowNormal = 1;

// "open": the desktop's opener opens args with the program's own folder as
// working directory; "minimize": the window is minimised; "quit": the movie
// is hidden and the program ends at once, without unloading the window.
void HandleMovieCommand(platform::Form& form, const std::string& command, const std::string& args);

}  // namespace strandel::moviehost
