// fltk_empty [RRGGBB]: an FLTK window of the launcher's size and title that
// only fills itself with one colour; the startup benchmark's second baseline,
// showing what the toolkit alone costs.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>

#include <cstdlib>

int main(int argc, char** argv) {
  unsigned long colour = argc > 1 ? std::strtoul(argv[1], nullptr, 16) : 0x129a5c;
  Fl_Double_Window window(648, 510, "Velmoran Strandel");
  window.border(0);
  window.color(fl_rgb_color((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff));
  window.end();
  window.position((Fl::w() - window.w()) / 2, (Fl::h() - window.h()) / 2);
  window.show();
  return Fl::run();
}
