// Reads the font configuration on a second thread while the main thread
// opens the display and builds the window. Loading fontconfig's
// configuration (some seventy rule files and the font caches) is the
// longest step before the first paint, and it needs neither the display
// nor anything the main thread does; the main thread waits for it before it
// first asks for a font. Fontconfig is safe to use from several threads.
#pragma once

#include <thread>

namespace strandel::platform::fltk {

class FontWarmup {
 public:
  FontWarmup();
  ~FontWarmup() { wait(); }
  FontWarmup(const FontWarmup&) = delete;
  FontWarmup& operator=(const FontWarmup&) = delete;

  // Returns once the configuration is loaded.
  void wait();

 private:
  std::thread thread_;
};

}  // namespace strandel::platform::fltk
