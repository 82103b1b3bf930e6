#include "moviehost/commands.h"

namespace strandel::moviehost {

void HandleMovieCommand(platform::Form& form, const std::string& command,
                        const std::string& args) {
  if (command == kCommandOpen) {
    std::uint32_t owner = form.window.hWnd();
    std::string folder = form.services.AppPath();
    // Whether the opener succeeds is not looked at: nothing tells the movie.
    form.shell.Execute(owner, kShellOperationOpen, args, "", folder, kShowNormal);
  }
  if (command == kCommandMinimize) form.window.set_WindowState(platform::kWindowMinimized);
  if (command == kCommandQuit) {
    form.ShockwaveFlash.set_Visible(platform::kFalse);
    form.services.End();
  }
}

}  // namespace strandel::moviehost
