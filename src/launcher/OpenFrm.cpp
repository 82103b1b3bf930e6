#include "launcher/OpenFrm.h"

#include <vector>

#include "chrome/title_bar.h"
#include "layout/placement.h"
#include "launcher/line_input.h"
#include "moviehost/commands.h"
#include "platform/conversions.h"
#include "platform/runtime_error.h"

namespace strandel::launcher {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;  // the toolkit's split gives no pieces at all here
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
       start = at + separator.size())
    pieces.push_back(text.substr(start, at - start));
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
    text.replace(at, what.size(), with);
  return text;
}

void OpenFrm::Form_Load() {
  settings_file_name_ = kSettingsFileName;
  framed_ = platform::kTrue;
  bool full_screen = false;

  std::string settings_path = form_.services.CurDir() + "/" + settings_file_name_;
  int line_number = 0;
  try {
    LineInput file(form_.services.ReadFileForInput(settings_file_name_));
    do {
      current_line_ = file.ReadLine();
      ++line_number;
      try {
        act_on_line(full_screen);
      } catch (platform::RuntimeError& error) {
        error.add_context("line " + std::to_string(line_number) + ": \"" + current_line_ + "\"");
        throw;
      }
    } while (!file.AtEnd());
  } catch (platform::RuntimeError& error) {
    if (error.error() == platform::ErrorNumber::InputPastEndOfFile) error.add_context("empty file");
    error.add_context(settings_path);
    throw;
  }

  form_.window.set_BackColor(kWindowBackground);
  if (framed_ == platform::kTrue) {
    chrome::LayoutTitleBar(form_.window, form_.iconPic, form_.picBack,
                           platform::LongToText(static_cast<std::int32_t>(kTitleColour)),
                           form_.btnMin, form_.btnClose, platform::design::kCaption);
  }
  // The last line names the movie, relative to the current directory: it is
  // expected to begin with a path separator, so none is inserted.
  form_.ShockwaveFlash.LoadMovie(0, form_.services.CurDir() + current_line_);
}

void OpenFrm::act_on_line(bool& full_screen) {
  if (current_line_.find(kBorderlessKey) != std::string::npos) {
    framed_ = platform::kFalse;
    form_.iconPic.set_Visible(platform::kFalse);
    form_.picBack.set_Visible(platform::kFalse);
    form_.btnMin.set_Visible(platform::kFalse);
    form_.btnClose.set_Visible(platform::kFalse);
  }
  if (current_line_.find(kFullScreenKey) != std::string::npos) {
    full_screen = true;
    layout::ApplyFullScreenRule(form_, framed_);
  }
  if (current_line_.find(kSizesKey) != std::string::npos) {
    std::vector<std::string> pieces = Split(ReplaceAll(current_line_, kSizesKey, ""), "x");
    layout::ApplySizesRule(form_, pieces, framed_, full_screen);
  }
}

void OpenFrm::Form_KeyDown(std::int16_t& KeyCode, std::int16_t) {
  if (KeyCode == chrome::kKeyEscape) form_.window.Unload();
}

void OpenFrm::picBack_MouseDown(std::int16_t, std::int16_t, float X, float Y) {
  chrome::BeginDrag(drag_, form_.window, X, Y);
}

void OpenFrm::picBack_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
  chrome::ContinueDrag(drag_, form_.window, X, Y);
}

void OpenFrm::picBack_MouseUp(std::int16_t, std::int16_t, float, float) { chrome::EndDrag(drag_); }

void OpenFrm::btnMin_Click() { form_.window.set_WindowState(platform::kWindowMinimized); }

void OpenFrm::btnClose_Click() { form_.window.Unload(); }

void OpenFrm::ShockwaveFlash_FSCommand(const std::string& command, const std::string& args) {
  moviehost::HandleMovieCommand(form_, command, args);
}

}  // namespace strandel::launcher
