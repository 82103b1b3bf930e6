#include "platform/fake/fake_toolkit.h"

#include <charconv>

#include "platform/runtime_error.h"

namespace strandel::platform::fake {

std::string FormatSingle(float value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

namespace {
void put(Log& log, const std::string& target, const char* property, const std::string& value) {
  log.push_back(target + "." + property + " = " + value);
}
void put(Log& log, const std::string& target, const char* property, float value) {
  put(log, target, property, FormatSingle(value));
}
void put(Log& log, const std::string& target, const char* property, long value) {
  put(log, target, property, std::to_string(value));
}
const std::string kWindow = "OpenFrm";
const std::string kMovie = "ShockwaveFlash";
}  // namespace

void FakeWindow::set_BackColor(Colour c) { put(log_, kWindow, "BackColor", long{back_color = c}); }
void FakeWindow::set_Width(Twips v) { put(log_, kWindow, "Width", width = v); }
void FakeWindow::set_Height(Twips v) { put(log_, kWindow, "Height", height = v); }
void FakeWindow::set_Left(Twips v) { put(log_, kWindow, "Left", left = v); }
void FakeWindow::set_Top(Twips v) { put(log_, kWindow, "Top", top = v); }
void FakeWindow::set_WindowState(std::int16_t s) { put(log_, kWindow, "WindowState", long{s}); }
void FakeWindow::set_AutoRedraw(Truth v) { put(log_, kWindow, "AutoRedraw", long{v}); }
void FakeWindow::Line(std::int16_t flags, float x1, float y1, float x2, float y2, Colour colour) {
  lines.push_back({flags, x1, y1, x2, y2, colour});
}
void FakeWindow::Unload() { log_.push_back("OpenFrm.Unload"); }

void FakePictureBox::set_Visible(Truth v) { put(log_, name_, "Visible", long{v}); }
void FakePictureBox::set_BackColor(Colour c) { put(log_, name_, "BackColor", long{c}); }
void FakePictureBox::set_ForeColor(Colour c) { put(log_, name_, "ForeColor", long{c}); }
void FakePictureBox::set_Left(Twips v) { put(log_, name_, "Left", left = v); }
void FakePictureBox::set_Top(Twips v) { put(log_, name_, "Top", top = v); }
void FakePictureBox::set_Width(Twips v) { put(log_, name_, "Width", width = v); }
void FakePictureBox::set_Height(Twips v) { put(log_, name_, "Height", height = v); }
void FakePictureBox::set_FontBold(Truth v) { put(log_, name_, "FontBold", long{v}); }
void FakePictureBox::set_CurrentX(float v) { put(log_, name_, "CurrentX", v); }
void FakePictureBox::set_CurrentY(float v) { put(log_, name_, "CurrentY", v); }
void FakePictureBox::Print(const std::string& text) { log_.push_back(name_ + ".Print " + text); }

void FakePushButton::set_Visible(Truth v) { put(log_, name_, "Visible", long{v}); }
void FakePushButton::set_Left(Twips v) { put(log_, name_, "Left", v); }
void FakePushButton::set_Top(Twips v) { put(log_, name_, "Top", v); }

void FakeMovieControl::set_Left(Twips v) { put(log_, kMovie, "Left", v); }
void FakeMovieControl::set_Top(Twips v) { put(log_, kMovie, "Top", v); }
void FakeMovieControl::set_Width(Twips v) { put(log_, kMovie, "Width", width = v); }
void FakeMovieControl::set_Height(Twips v) { put(log_, kMovie, "Height", height = v); }
void FakeMovieControl::set_Visible(Truth v) { put(log_, kMovie, "Visible", long{v}); }
void FakeMovieControl::LoadMovie(std::int32_t layer, const std::string& url) {
  log_.push_back(kMovie + ".LoadMovie " + std::to_string(layer) + ", " + url);
}

std::string FakeServices::ReadFileForInput(const std::string& name) {
  auto it = files.find(name);
  if (it == files.end()) throw RuntimeError(ErrorNumber::FileNotFound);
  return it->second;
}

void FakeServices::End() {
  log_.push_back("End");
  throw ProgramEnded{};
}

void FakeShell::Execute(std::uint32_t owner, const std::string& operation, const std::string& file,
                        const std::string& parameters, const std::string& directory,
                        int show_command) {
  log_.push_back("Shell.Execute " + std::to_string(owner) + ", " + operation + ", [" + file +
                 "], [" + parameters + "], " + directory + ", " + std::to_string(show_command));
}

FakeToolkit::FakeToolkit()
    : form_{window,         iconPic,   btnMin, btnClose, picBack,
            ShockwaveFlash, workFlash, screen, services, shell} {}

}  // namespace strandel::platform::fake
