// Fuzzes the readers of loaded text: the input is parsed as XML (with and
// without ignoreWhite), written back, parsed again and cloned; then read as
// CSS and as form data.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "avm1/activation.h"
#include "avm1/builtins/css.h"
#include "avm1/builtins/xml_node.h"
#include "avm1/machine.h"
#include "avm1/url_encoding.h"
#include "swf/movie.h"
#include "swf/player.h"

namespace {

// A version 8 movie of one empty frame: the machine the readers need.
std::vector<std::uint8_t> empty_movie() {
  std::vector<std::uint8_t> m = {'F', 'W', 'S', 8, 0, 0, 0, 0};
  const std::uint8_t rect[] = {0x78, 0x00, 0x01, 0xF4, 0x00, 0x00, 0x07, 0xD0, 0x00};
  m.insert(m.end(), std::begin(rect), std::end(rect));
  m.insert(m.end(), {0x00, 0x0C, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00});  // ShowFrame, End
  m[4] = static_cast<std::uint8_t>(m.size());
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace strandel::avm1;
  // One player for every input; what an input made is collected after it.
  static const auto movie = strandel::swf::read_movie(empty_movie()).movie;
  static strandel::swf::Player player(movie);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  player.machine().run_native([&](Activation& act) {
    for (bool ignore_white : {false, true}) {
      XmlNode* document = act.heap().make<XmlDocument>(act.realm().prototype("XML"));
      parse_xml(act, document, text, ignore_white);
      std::string written = xml_to_string(act, document);
      parse_xml(act, document, written, ignore_white);
      xml_to_string(act, clone_xml_node(act, document, true));
    }
    parse_css(text);
    decode_form(text);
  });
  player.machine().collect();
  return 0;
}
