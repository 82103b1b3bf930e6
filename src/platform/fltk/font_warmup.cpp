#include "platform/fltk/font_warmup.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace strandel::platform::fltk {

FontWarmup::FontWarmup() {
  try {
    thread_ = std::thread([] { FcInit(); });
  } catch (const std::system_error&) {
    // No thread: the first font request loads the configuration itself.
  }
}

void FontWarmup::wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace strandel::platform::fltk
