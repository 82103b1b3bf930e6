#include "swf/traversal.h"

#include "swf/movie.h"
#include "swf/tags.h"

namespace strandel::swf {

DisplayList first_frame(const SpriteDefinition& sprite) {
  DisplayList list;
  TagList tags = read_tag_list(sprite.tags);
  for (const TagRecord& t : tags.tags) {
    if (t.code == code(TagCode::ShowFrame)) break;
    auto body = tag_body(sprite.tags, t);
    if (auto p = read_placement(t.code, body))
      apply_placement(list, *p);
    else if (auto depth = read_removal_depth(t.code, body))
      list.erase(script_depth(*depth));
  }
  return list;
}

}  // namespace strandel::swf
