// Any readme.txt either starts the window or fails with a run-time error;
// nothing else (no crash, no other exception, no hang).
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/OpenFrm.h"
#include "platform/fake/fake_toolkit.h"
#include "platform/runtime_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  strandel::platform::fake::FakeToolkit toolkit;
  if (size > 0) {
    // The first byte picks the screen's factor (96, 120, 144 or 72 DPI).
    static constexpr float kFactors[] = {15, 12, 10, 20};
    toolkit.screen.twips_per_pixel_x = toolkit.screen.twips_per_pixel_y = kFactors[data[0] % 4];
    ++data;
    --size;
  }
  toolkit.services.files["readme.txt"] = std::string(reinterpret_cast<const char*>(data), size);
  strandel::launcher::OpenFrm window_object(toolkit.form());
  try {
    window_object.Form_Load();
  } catch (const strandel::platform::RuntimeError&) {
  }
  return 0;
}
