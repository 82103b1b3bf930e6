// swfinfo MOVIE: prints what the movie reader found, as one JSON object.
// A movie that is rejected prints {"error": "..."}; the exit status is 0
// either way, and 2 for bad usage.
#include <cstdio>
#include <map>
#include <string>

#include "swf/movie.h"
#include "swf/tags.h"

using namespace strandel::swf;

namespace {

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const char* container_name(Container c) {
  switch (c) {
    case Container::FWS: return "FWS";
    case Container::CWS: return "CWS";
    case Container::ZWS: return "ZWS";
  }
  return "?";
}

std::string json_counts(const std::map<std::uint16_t, std::size_t>& counts) {
  std::string out = "{";
  for (const auto& [tag, n] : counts) {
    if (out.size() > 1) out += ", ";
    out += "\"" + std::to_string(tag) + "\": " + std::to_string(n);
  }
  return out + "}";
}

// Counts the tags nested inside every DefineSprite of the top level.
std::map<std::uint16_t, std::size_t> count_sprite_tags(const Movie& movie) {
  std::map<std::uint16_t, std::size_t> counts;
  for (const TagRecord& t : movie.tags) {
    if (t.code != code(TagCode::DefineSprite)) continue;
    auto body = movie.body(t);
    if (body.size() < 4) continue;  // SpriteID, FrameCount
    for (const TagRecord& inner : read_tag_list(body.subspan(4)).tags) ++counts[inner.code];
  }
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: swfinfo MOVIE\n");
    return 2;
  }
  LoadResult result = load_movie_file(argv[1]);
  if (!result.movie) {
    std::printf("{\"error\": %s}\n", json_string(result.error.message()).c_str());
    return 0;
  }
  const Movie& m = *result.movie;
  std::map<std::uint16_t, std::size_t> tags;
  for (const TagRecord& t : m.tags) ++tags[t.code];
  std::string background = "null";
  if (m.background) {
    background = "[" + std::to_string(m.background->r) + ", " + std::to_string(m.background->g) +
                 ", " + std::to_string(m.background->b) + "]";
  }
  std::printf(
      "{\"container\": \"%s\", \"version\": %u, \"declared_length\": %u, "
      "\"stage\": {\"xmin\": %d, \"xmax\": %d, \"ymin\": %d, \"ymax\": %d}, "
      "\"frame_rate\": %.10g, \"frame_count\": %u, \"background\": %s, "
      "\"tags\": %s, \"sprite_tags\": %s}\n",
      container_name(m.container), m.version, m.declared_length, m.stage.xmin, m.stage.xmax,
      m.stage.ymin, m.stage.ymax, m.frame_rate, m.frame_count, background.c_str(),
      json_counts(tags).c_str(), json_counts(count_sprite_tags(m)).c_str());
  return 0;
}
