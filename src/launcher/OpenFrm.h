// The launcher window object: its fields and its event handlers. It reaches
// the window and its controls only through the toolkit interface, so the same
// handlers run against FLTK in the program and against a recording fake in
// the unit tests.
#pragma once

#include <string>
#include <vector>

#include "chrome/window_drag.h"
#include "platform/design.h"
#include "platform/toolkit.h"

namespace strandel::launcher {

inline constexpr char kSettingsFileName[] = "readme.txt";
inline constexpr platform::Colour kWindowBackground = platform::RGB(0, 0, 200);
inline constexpr platform::Colour kTitleColour = platform::RGB(255, 255, 255);

// Settings keys, matched anywhere in a line, exactly and case-sensitively.
inline constexpr char kBorderlessKey[] = "border:false";
inline constexpr char kFullScreenKey[] = "fullscreen:true";
inline constexpr char kSizesKey[] = "sizes:";

class OpenFrm : public platform::FormEvents {
 public:
  explicit OpenFrm(platform::Form& form) : form_(form) {}

  // Start-up: reads the settings file line by line, acting on each line as
  // it is read, dresses a framed window and loads the movie named by the
  // last line.
  void Form_Load() override;
  void Form_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) override;
  void picBack_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void picBack_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void picBack_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
  void btnMin_Click() override;
  void btnClose_Click() override;
  void ShockwaveFlash_FSCommand(const std::string& command, const std::string& args) override;

  // Read-only views of the fields, for tests.
  platform::Truth framed() const { return framed_; }
  const std::string& current_line() const { return current_line_; }
  const chrome::DragState& drag() const { return drag_; }

 private:
  void act_on_line(bool& full_screen);

  platform::Form& form_;
  // Fields, all zero until Form_Load.
  std::string settings_file_name_;
  std::string current_line_;
  platform::Truth framed_ = platform::kFalse;
  chrome::DragState drag_;
};

// Splits text at every occurrence of separator, without limit.
std::vector<std::string> Split(const std::string& text, const std::string& separator);
// Replaces every occurrence of what in text.
std::string ReplaceAll(std::string text, const std::string& what, const std::string& with);

}  // namespace strandel::launcher
