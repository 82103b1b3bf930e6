// The toolkit operations the launcher uses, and nothing more. The launcher's
// logic reaches the window, its controls, the screen and the program-wide
// services only through these interfaces: FLTK provides them in the program
// (platform/fltk), a recording fake in the unit tests (platform/fake).
//
// Units: positions and sizes are twips (1/1440 inch) held as single floats;
// a property returns exactly the value last assigned to it.
#pragma once

#include <cstdint>
#include <string>

namespace strandel::platform {

using Twips = float;
// red + 256·green + 65536·blue; 0x800000nn is the platform's system colour nn.
using Colour = std::uint32_t;
// -1 true, 0 false.
using Truth = std::int16_t;
inline constexpr Truth kTrue = -1;
inline constexpr Truth kFalse = 0;

constexpr Colour RGB(int red, int green, int blue) {
  return static_cast<Colour>(red) + 256u * static_cast<Colour>(green) +
         65536u * static_cast<Colour>(blue);
}
inline constexpr Colour kSystemWindowBackground = 0x80000005;
inline constexpr Colour kSystemWindowText = 0x80000008;

// WindowState values.
inline constexpr std::int16_t kWindowNormal = 0;
inline constexpr std::int16_t kWindowMinimized = 1;

class FormWindow {
 public:
  virtual ~FormWindow() = default;
  virtual std::string Caption() const = 0;
  virtual Colour BackColor() const = 0;
  virtual void set_BackColor(Colour colour) = 0;
  virtual Twips Width() const = 0;
  virtual void set_Width(Twips value) = 0;
  virtual Twips Height() const = 0;
  virtual void set_Height(Twips value) = 0;
  virtual Twips Left() const = 0;
  virtual void set_Left(Twips value) = 0;
  virtual Twips Top() const = 0;
  virtual void set_Top(Twips value) = 0;
  virtual void set_WindowState(std::int16_t state) = 0;
  virtual void set_AutoRedraw(Truth value) = 0;
  virtual std::int16_t BorderStyle() const = 0;
  // Draws a line from (x1, y1) to (x2, y2), twips, on the window's surface.
  virtual void Line(std::int16_t flags, float x1, float y1, float x2, float y2, Colour colour) = 0;
  virtual std::uint32_t hWnd() const = 0;
  // Destroys the window and its controls; it is the only window, so the program ends.
  virtual void Unload() = 0;
};

class PictureBox {
 public:
  virtual ~PictureBox() = default;
  virtual void set_Visible(Truth value) = 0;
  virtual void set_BackColor(Colour colour) = 0;
  virtual void set_ForeColor(Colour colour) = 0;
  virtual Twips Left() const = 0;
  virtual void set_Left(Twips value) = 0;
  virtual Twips Top() const = 0;
  virtual void set_Top(Twips value) = 0;
  virtual Twips Width() const = 0;
  virtual void set_Width(Twips value) = 0;
  virtual void set_Height(Twips value) = 0;
  virtual void set_FontBold(Truth value) = 0;
  // Where the next Print starts, in the box's scale units (twips).
  virtual void set_CurrentX(float value) = 0;
  virtual void set_CurrentY(float value) = 0;
  virtual float ScaleHeight() const = 0;
  virtual float TextHeight(const std::string& text) const = 0;
  virtual void Print(const std::string& text) = 0;
};

class PushButton {
 public:
  virtual ~PushButton() = default;
  virtual void set_Visible(Truth value) = 0;
  virtual Twips Width() const = 0;
  virtual void set_Left(Twips value) = 0;
  virtual void set_Top(Twips value) = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual float Width() const = 0;  // twips
  virtual float Height() const = 0;
  virtual float TwipsPerPixelX() const = 0;
  virtual float TwipsPerPixelY() const = 0;
};

// The program-wide services: the application object, the process, files.
class Services {
 public:
  virtual ~Services() = default;
  // The folder that holds the program file, without a trailing separator
  // except at the root.
  virtual std::string AppPath() const = 0;
  virtual std::string CurDir() const = 0;
  // The whole content of a file opened for input by name (relative names
  // are looked up in the current directory). Fails with error 53 when the
  // file does not exist, 75 when it cannot be read.
  virtual std::string ReadFileForInput(const std::string& name) = 0;
  // Stops the program at once with status 0: no further event is handled.
  [[noreturn]] virtual void End() = 0;
};

// The movie control: its placement, loading a movie, and hiding it. The
// control raises FSCommand whenever the movie sends a command.
class MovieControl {
 public:
  virtual ~MovieControl() = default;
  virtual void set_Left(Twips value) = 0;
  virtual void set_Top(Twips value) = 0;
  // Width and Height read back exactly the single-precision value put.
  virtual Twips Width() const = 0;
  virtual void set_Width(Twips value) = 0;
  virtual Twips Height() const = 0;
  virtual void set_Height(Twips value) = 0;
  virtual void set_Visible(Truth value) = 0;
  // Starts showing the movie at url in the given layer. Whether it exists or
  // loads is the control's business: the caller does not look.
  virtual void LoadMovie(std::int32_t layer, const std::string& url) = 0;
};

// Opens a document, program or address by name with the desktop's opener,
// with the given working directory. Never through a command line.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void Execute(std::uint32_t owner, const std::string& operation, const std::string& file,
                       const std::string& parameters, const std::string& directory,
                       int show_command) = 0;
};

// The window's event handlers, which the toolkit raises one at a time.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_Load() = 0;
  virtual void Form_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) = 0;
  virtual void picBack_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
  virtual void picBack_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
  virtual void picBack_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) = 0;
  virtual void btnMin_Click() = 0;
  virtual void btnClose_Click() = 0;
  virtual void ShockwaveFlash_FSCommand(const std::string& command, const std::string& args) = 0;
};

// The launcher window as the toolkit creates it: the window, its six
// controls (front to back: iconPic, btnMin, btnClose, picBack,
// ShockwaveFlash, workFlash), and the services around it.
struct Form {
  FormWindow& window;
  PictureBox& iconPic;
  PushButton& btnMin;
  PushButton& btnClose;
  PictureBox& picBack;
  MovieControl& ShockwaveFlash;
  PictureBox& workFlash;
  Screen& screen;
  Services& services;
  Shell& shell;
};

}  // namespace strandel::platform
