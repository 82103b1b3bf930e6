// Fuzzes the movie reader: any bytes give a movie or a reason, never a crash.
#include <cstddef>
#include <cstdint>

#include "swf/movie.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto r = strandel::swf::read_movie({data, size});
  if (r.movie) {
    for (const auto& t : r.movie->tags) (void)r.movie->body(t);
  } else if (r.error.text.empty()) {
    __builtin_trap();  // a rejection must say why
  }
  return 0;
}
