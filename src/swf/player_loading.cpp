// Movies loaded into clips by scripts (loadMovie, MovieClipLoader): the
// clip keeps its place, name and matrix; its content becomes the movie's.
#include "swf/player.h"
#include "swf/sound_events.h"
#include "swf/timeline.h"

namespace strandel::swf {

namespace {

// Movies one run may load; each stays in memory while the player lives.
constexpr std::size_t kMaxLoadedMovies = 256;

}  // namespace

void Player::unload_movie(DisplayObject& clip) {
  if (!clip.sprite) return;
  std::vector<std::shared_ptr<DisplayObject>> children;
  for (const auto& [depth, child] : clip.sprite->display_list) children.push_back(child);
  for (const auto& child : children) detach(*child, true);
  clip.sprite->display_list.clear();
  clip.sprite->current_frame = 0;
  clip.sprite->playing = true;
  if (sound_ && timeline_of(clip) && timeline_of(clip)->has_stream()) sound_->stream_stop(&clip);
  clip.sprite->loaded = nullptr;
  clip.character_id = 0;
  dispatch(clip, clip_event::Unload);
  dirty_ = true;
}

bool Player::load_movie(DisplayObject& clip, std::shared_ptr<const Movie> movie, std::string url,
                        std::size_t file_bytes) {
  if (!clip.sprite || !movie || clip.removed || loaded_movies_.size() >= kMaxLoadedMovies)
    return false;
  unload_movie(clip);
  loaded_timelines_.push_back(std::make_unique<Timeline>(movie->data, movie->tags, false));
  loaded_movies_.push_back(std::move(movie));
  clip.sprite->loaded = loaded_timelines_.back().get();
  clip.sprite->url = std::move(url);
  clip.sprite->loaded_bytes = file_bytes;
  clip.version = loaded_movies_.back()->version;
  clip.initialized = true;
  step_timeline(clip);
  return true;
}

const std::string& Player::url_of(const DisplayObject& object) const {
  for (const DisplayObject* at = &object; at; at = at->parent)
    if (at->sprite && !at->sprite->url.empty()) return at->sprite->url;
  return url_;
}

}  // namespace strandel::swf
