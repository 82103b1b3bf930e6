// Frees cairo's and fontconfig's process-wide caches after the last test so
// that the leak checker of the sanitizer build sees only our own memory.
#include <cairo.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

class FontCaches : public ::testing::Environment {
 public:
  void TearDown() override {
    cairo_debug_reset_static_data();
    // fontconfig comes in through cairo; its FcFini is looked up rather than
    // linked so that the tests need no library of their own.
    if (auto* fc_fini = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "FcFini"))) fc_fini();
  }
};

const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

}  // namespace
