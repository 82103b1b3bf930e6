// strandel: shows one Flash movie in a window sized by readme.txt.
#include "launcher/OpenFrm.h"
#include "platform/fltk/fltk_form.h"

int main() {
  strandel::platform::fltk::FltkForm toolkit;
  strandel::launcher::OpenFrm window_object(toolkit.form());
  return toolkit.Run(window_object);
}
