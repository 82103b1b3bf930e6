// swfactions MOVIE: lists every action block of a movie (frame actions,
// sprite frames, init actions, button actions) as disassembled bytecode,
// among the timeline's placements, removals, labels and frames.
#include <cstdio>
#include <string>

#include "avm1/disassembler.h"
#include "swf/button.h"
#include "swf/bytes.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/tags.h"

namespace {

using strandel::swf::TagCode;

// Sprites inside sprites are listed this deep at most.
constexpr int kMaxNesting = 8;

void block(const std::string& title, std::span<const std::uint8_t> code) {
  std::printf("== %s\n%s", title.c_str(), strandel::avm1::disassemble(code).c_str());
}

void list(std::uint8_t version, std::span<const std::uint8_t> bytes,
          const std::vector<strandel::swf::TagRecord>& tags, const std::string& where,
          int nesting) {
  int frame = 1;
  for (const auto& tag : tags) {
    auto body = strandel::swf::tag_body(bytes, tag);
    auto code = static_cast<TagCode>(tag.code);
    std::string at = where + "frame " + std::to_string(frame);
    try {
      strandel::swf::ByteReader in(body);
      if (code == TagCode::ShowFrame) {
        std::printf("-- %s ShowFrame\n", at.c_str());
        ++frame;
      } else if (auto p = strandel::swf::read_placement(tag.code, body, version)) {
        std::printf("-- %s Place depth %u%s%s%s%s\n", at.c_str(), p->depth, p->move ? " move" : "",
                    p->character_id ? (" id " + std::to_string(*p->character_id)).c_str() : "",
                    p->name ? (" name " + *p->name).c_str() : "",
                    p->clip_depth ? (" clip " + std::to_string(*p->clip_depth)).c_str() : "");
        for (const auto& action : p->clip_actions) {
          char events[32];
          std::snprintf(events, sizeof events, "%06x key %u", action.events, action.key_code);
          block(at + " clip action events " + events, action.actions);
        }
      } else if (auto depth = strandel::swf::read_removal_depth(tag.code, body)) {
        std::printf("-- %s Remove depth %u\n", at.c_str(), *depth);
      } else if (code == TagCode::FrameLabel) {
        std::printf("-- %s FrameLabel %s\n", at.c_str(), in.cstring().c_str());
      } else if (code == TagCode::DoAction) {
        block(at + " DoAction", body);
      } else if (code == TagCode::DoInitAction) {
        std::uint16_t id = in.u16();
        block(at + " DoInitAction for sprite " + std::to_string(id), body.subspan(2));
      } else if (code == TagCode::DefineSprite && nesting < kMaxNesting) {
        std::uint16_t id = in.u16();
        in.u16();
        auto inner = body.subspan(4);
        list(version, inner, strandel::swf::read_tag_list(inner).tags,
             where + "sprite " + std::to_string(id) + " ", nesting + 1);
      } else if (code == TagCode::DefineButton2) {
        std::uint16_t id = in.u16();
        auto button = strandel::swf::read_define_button2(in);
        for (const auto& action : button.actions) {
          char cond[16];
          std::snprintf(cond, sizeof cond, "%04x", action.conditions);
          block(at + " button " + std::to_string(id) + " conditions " + cond, action.actions);
        }
      }
    } catch (const strandel::swf::ReadError&) {
      std::printf("== %s: tag %u cut short\n", at.c_str(), tag.code);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: swfactions MOVIE\n");
    return 2;
  }
  auto loaded = strandel::swf::load_movie_file(argv[1]);
  if (!loaded.movie) {
    std::fprintf(stderr, "swfactions: %s\n", loaded.error.message().c_str());
    return 1;
  }
  std::uint8_t version = loaded.movie->version;
  std::printf("version %d\n", version);
  list(version, loaded.movie->data, loaded.movie->tags, "", 0);
  return 0;
}
