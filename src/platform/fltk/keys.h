// Keys as the window's key-down handler and the movie see them: the key
// codes of the file format's Key class, which are the vendor's virtual key
// codes (65 for A, 48 for 0, 37 for the left arrow, 112 for F1).
#pragma once

namespace strandel::platform::fltk {

// The key code of an FLTK key (Fl::event_key()); 0 for a key without one.
int KeyCodeOf(int fltk_key);

// The character a key press typed, from FLTK's event text (UTF-8): its code
// point when it is one character of the Basic Multilingual Plane, else 0.
int CharacterOf(const char* text, int length);

}  // namespace strandel::platform::fltk
