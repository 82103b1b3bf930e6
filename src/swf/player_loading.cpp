// Movies loaded by scripts (loadMovie, loadMovieNum, MovieClipLoader): into
// a clip, which keeps its place, name and matrix while its content becomes
// the movie's, or into a level of its own. A loaded movie's characters are
// its own: its clips look them up in its dictionary, not the main movie's.
#include <exception>

#include "avm1/local_files.h"
#include "swf/bitmap.h"
#include "swf/bytes.h"
#include "swf/player.h"
#include "swf/sound_events.h"
#include "swf/tags.h"
#include "swf/timeline.h"

namespace strandel::swf {

namespace {

// Movies one run may load; each stays in memory while the player lives.
constexpr std::size_t kMaxLoadedMovies = 256;
// Levels are numbered from 0 up to this.
constexpr int kMaxLevel = 16000;
constexpr int kMaxNesting = 64;

std::string lower_case(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return out;
}

}  // namespace

const Dictionary& Player::dictionary_for(const DisplayObject& object) const {
  const DisplayObject* at = &object;
  for (int n = 0; at && n <= kMaxNesting; ++n, at = at->parent)
    if (at->sprite && at->sprite->dictionary) return *at->sprite->dictionary;
  return dictionary_;
}

std::optional<std::uint16_t> Player::exported_character(const DisplayObject& clip,
                                                        std::string_view name) const {
  const Dictionary* dictionary = &dictionary_for(clip);
  for (const LoadedMovie& loaded : loaded_) {
    if (loaded.dictionary.get() != dictionary) continue;
    auto it = loaded.exports.find(lower_case(name));
    if (it == loaded.exports.end()) return std::nullopt;
    return it->second;
  }
  return exported_character(name);
}

bool Player::exports_character(const DisplayObject& clip, std::uint16_t id) const {
  const Dictionary* dictionary = &dictionary_for(clip);
  for (const LoadedMovie& loaded : loaded_) {
    if (loaded.dictionary.get() != dictionary) continue;
    for (const auto& [name, exported] : loaded.exports)
      if (exported == id) return true;
    return false;
  }
  return exported_ids_.count(id) > 0;
}

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
  clip.sprite->dictionary = nullptr;
  clip.character_id = 0;
  dispatch(clip, clip_event::Unload);
  dirty_ = true;
}

bool Player::load_movie(DisplayObject& clip, std::shared_ptr<const Movie> movie, std::string url,
                        std::size_t file_bytes) {
  if (!clip.sprite || !movie || clip.removed || loaded_.size() >= kMaxLoadedMovies) return false;
  unload_movie(clip);
  LoadedMovie loaded{movie,
                     std::make_unique<Timeline>(movie->data, movie->tags, false),
                     std::make_unique<Dictionary>(),
                     {}};
  read_characters(loaded, true);
  clip.sprite->loaded = loaded.timeline.get();
  clip.sprite->dictionary = loaded.dictionary.get();
  loaded_.push_back(std::move(loaded));
  clip.sprite->url = std::move(url);
  clip.sprite->loaded_bytes = file_bytes;
  clip.version = movie->version;
  clip.initialized = true;
  step_timeline(clip);
  return true;
}

void Player::read_characters(LoadedMovie& loaded, bool imports) {
  const Movie& movie = *loaded.movie;
  for (const TagRecord& tag : movie.tags) {
    try {
      auto body = movie.body(tag);
      if (tag.code == code(TagCode::ExportAssets)) {
        ByteReader in(body);
        for (unsigned n = in.u16(); n > 0; --n) {
          std::uint16_t id = in.u16();
          loaded.exports.insert_or_assign(lower_case(in.cstring()), id);
        }
      } else if (tag.code == code(TagCode::ImportAssets) ||
                 tag.code == code(TagCode::ImportAssets2)) {
        if (imports) import_assets(*loaded.dictionary, movie.path, tag.code, body);
      } else {
        loaded.dictionary->define(tag.code, body, tag.offset);
      }
    } catch (const std::exception&) {
    }
  }
}

// ImportAssets names characters that another movie exports and gives them
// ids in this one. The other movie is read when the tag is met, once however
// many tags name it, from the importing movie's folder by the rules scripts'
// loads follow. Its own frames do not play and its own imports are not
// followed. A name it does not export, or a file that cannot be read, leaves
// the id undefined, as a missing character.
void Player::import_assets(Dictionary& into, const std::string& movie_path, std::uint16_t tag_code,
                           std::span<const std::uint8_t> body) {
  ByteReader in(body);
  std::string url = in.cstring();
  if (tag_code == code(TagCode::ImportAssets2)) in.skip(2);  // reserved
  const LoadedMovie* from = imported_movie(movie_path, url);
  for (unsigned n = in.u16(); n > 0; --n) {
    std::uint16_t id = in.u16();
    std::string name = lower_case(in.cstring());
    if (!from) continue;
    if (auto it = from->exports.find(name); it != from->exports.end())
      into.import(id, *from->dictionary, it->second);
  }
}

const Player::LoadedMovie* Player::imported_movie(const std::string& movie_path,
                                                  std::string_view url) {
  std::optional<std::string> path = avm1::local_file_path(movie_path, url);
  if (!path) return nullptr;
  for (const LoadedMovie& loaded : loaded_)
    if (!loaded.timeline && loaded.movie && loaded.movie->path == *path) return &loaded;
  if (loaded_.size() >= kMaxLoadedMovies) return nullptr;
  std::optional<std::string> bytes = avm1::read_local_file(*path);
  if (!bytes) return nullptr;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
  std::shared_ptr<const Movie> movie = read_movie({data, bytes->size()}).movie;
  if (!movie) return nullptr;
  std::const_pointer_cast<Movie>(movie)->path = *path;  // nothing else holds it yet
  LoadedMovie loaded{std::move(movie), nullptr, std::make_unique<Dictionary>(), {}};
  read_characters(loaded, false);
  loaded_.push_back(std::move(loaded));
  return &loaded_.back();
}

bool Player::load_image(DisplayObject& clip, std::span<const std::uint8_t> image, std::string url) {
  if (!clip.sprite || clip.removed || loaded_.size() >= kMaxLoadedMovies) return false;
  // The picture is the one character of a dictionary of its own, shown at
  // the clip's first timeline depth.
  constexpr std::uint16_t kPicture = 1;
  LoadedMovie loaded{nullptr, nullptr, std::make_unique<Dictionary>(), {}};
  try {
    loaded.dictionary->add_bitmap(kPicture, decode_image_file(image));
  } catch (const ReadError&) {
    return false;
  }
  unload_movie(clip);
  clip.sprite->dictionary = loaded.dictionary.get();
  loaded_.push_back(std::move(loaded));
  auto picture = instantiate(clip, kPicture, script_depth(1));
  picture->name = "instance" + std::to_string(++instance_count_);
  adopt(clip, picture);
  clip.sprite->url = std::move(url);
  clip.sprite->loaded_bytes = image.size();
  clip.initialized = true;
  step_timeline(clip);
  return true;
}

// A movie loaded into level 0 takes the main movie's place on the stage.
Rect Player::stage() const {
  for (const LoadedMovie& loaded : loaded_)
    if (loaded.movie && loaded.timeline.get() == root_->sprite->loaded) return loaded.movie->stage;
  return movie_->stage;
}

DisplayObject* Player::level(int number) const {
  if (number == 0) return root_.get();
  auto it = levels_.find(number);
  return it == levels_.end() ? nullptr : it->second.get();
}

bool Player::load_level(int number, std::shared_ptr<const Movie> movie, std::string url,
                        std::size_t file_bytes) {
  if (number < 0 || number > kMaxLevel) return false;
  DisplayObject* at = level(number);
  if (!at) {
    auto made = std::make_shared<DisplayObject>();
    made->kind = DisplayKind::MovieClip;
    made->sprite = std::make_unique<SpriteInstance>();
    made->depth = number;
    levels_[number] = made;
    exec_.push_back(made);
    at = made.get();
  }
  return load_movie(*at, std::move(movie), std::move(url), file_bytes);
}

void Player::unload_level(int number) {
  DisplayObject* at = level(number);
  if (!at) return;
  if (number == 0) return unload_movie(*at);
  auto keep = levels_[number];
  levels_.erase(number);
  unload_tree(*keep, true);
  dirty_ = true;
}

const DisplayList& Player::stage_list() const {
  if (levels_.empty()) return root_->sprite->display_list;
  stage_list_ = levels_;
  stage_list_[0] = root_;
  return stage_list_;
}

const std::string& Player::url_of(const DisplayObject& object) const {
  for (const DisplayObject* at = &object; at; at = at->parent)
    if (at->sprite && !at->sprite->url.empty()) return at->sprite->url;
  return url_;
}

}  // namespace strandel::swf
