#include "platform/fltk/keys.h"

#include <FL/Enumerations.H>
#include <FL/fl_utf8.h>

namespace strandel::platform::fltk {

namespace {

struct KeyPair {
  int fltk_key;
  int code;
};

// Keys whose code is not their letter, digit or function-key number.
constexpr KeyPair kOtherKeys[] = {
    {FL_BackSpace, 8},
    {FL_Tab, 9},
    {FL_Enter, 13},
    {FL_KP_Enter, 13},
    {FL_Shift_L, 16},
    {FL_Shift_R, 16},
    {FL_Control_L, 17},
    {FL_Control_R, 17},
    {FL_Alt_L, 18},
    {FL_Alt_R, 18},
    {FL_Pause, 19},
    {FL_Caps_Lock, 20},
    {FL_Escape, 27},
    {' ', 32},
    {FL_Page_Up, 33},
    {FL_Page_Down, 34},
    {FL_End, 35},
    {FL_Home, 36},
    {FL_Left, 37},
    {FL_Up, 38},
    {FL_Right, 39},
    {FL_Down, 40},
    {FL_Print, 44},
    {FL_Insert, 45},
    {FL_Delete, 46},
    {FL_Meta_L, 91},
    {FL_Meta_R, 92},
    {FL_Menu, 93},
    {FL_KP + '*', 106},
    {FL_KP + '+', 107},
    {FL_KP + '-', 109},
    {FL_KP + '.', 110},
    {FL_KP + '/', 111},
    {FL_Num_Lock, 144},
    {FL_Scroll_Lock, 145},
    {';', 186},
    {'=', 187},
    {',', 188},
    {'-', 189},
    {'.', 190},
    {'/', 191},
    {'`', 192},
    {'[', 219},
    {'\\', 220},
    {']', 221},
    {'\'', 222},
};

constexpr int kCodeA = 65, kCodeDigit0 = 48, kCodeNumpad0 = 96, kCodeF1 = 112;
constexpr int kFunctionKeys = 24;  // F1 to F24

}  // namespace

int KeyCodeOf(int key) {
  if (key >= 'a' && key <= 'z') return kCodeA + key - 'a';
  if (key >= '0' && key <= '9') return kCodeDigit0 + key - '0';
  if (key >= FL_KP + '0' && key <= FL_KP + '9') return kCodeNumpad0 + key - FL_KP - '0';
  if (key > FL_F && key <= FL_F + kFunctionKeys) return kCodeF1 + key - FL_F - 1;
  for (const KeyPair& pair : kOtherKeys)
    if (pair.fltk_key == key) return pair.code;
  return 0;
}

int CharacterOf(const char* text, int length) {
  if (!text || length <= 0) return 0;
  int taken = 0;
  unsigned code = fl_utf8decode(text, text + length, &taken);
  // One whole character, and one that a 16-bit character code can hold.
  if (taken != length || code > 0xFFFF) return 0;
  return static_cast<int>(code);
}

}  // namespace strandel::platform::fltk
