// Timelines: stepping a frame, going to a frame (forward or back), and the
// PlaceObject, RemoveObject, DoAction and definition tags they apply.
#include <map>
#include <set>

#include "avm1/builtins/text_field.h"
#include "avm1/machine.h"
#include "swf/bytes.h"
#include "swf/player.h"
#include "swf/sound_events.h"
#include "swf/tags.h"
#include "swf/text_field.h"
#include "swf/timeline.h"

namespace strandel::swf {

namespace {

constexpr int kMaxClipNesting = 64;

bool is_definition(std::uint16_t c) {
  switch (static_cast<TagCode>(c)) {
    case TagCode::DefineShape:
    case TagCode::DefineShape2:
    case TagCode::DefineShape3:
    case TagCode::DefineShape4:
    case TagCode::DefineMorphShape:
    case TagCode::DefineMorphShape2:
    case TagCode::DefineBits:
    case TagCode::JPEGTables:
    case TagCode::DefineBitsJPEG2:
    case TagCode::DefineBitsJPEG3:
    case TagCode::DefineBitsJPEG4:
    case TagCode::DefineBitsLossless:
    case TagCode::DefineBitsLossless2:
    case TagCode::DefineFont:
    case TagCode::DefineFont2:
    case TagCode::DefineFont3:
    case TagCode::DefineFont4:
    case TagCode::DefineFontInfo:
    case TagCode::DefineFontInfo2:
    case TagCode::DefineFontAlignZones:
    case TagCode::DefineFontName:
    case TagCode::DefineText:
    case TagCode::DefineText2:
    case TagCode::DefineEditText:
    case TagCode::CSMTextSettings:
    case TagCode::DefineButton:
    case TagCode::DefineButton2:
    case TagCode::DefineButtonCxform:
    case TagCode::DefineButtonSound:
    case TagCode::DefineSound:
    case TagCode::DefineSprite:
    case TagCode::DefineScalingGrid:
    case TagCode::DefineVideoStream:
    case TagCode::VideoFrame:
    case TagCode::DefineBinaryData:
      return true;
    default:
      return false;
  }
}

int nesting_of(const DisplayObject& object) {
  int n = 0;
  for (const DisplayObject* p = object.parent; p && n <= kMaxClipNesting; p = p->parent) ++n;
  return n;
}

// Which tag last places a character at each depth over a run of frames,
// and whether a later tag removes it: only that placement makes an object.
struct FinalPlacement {
  std::uint16_t frame = 0;
  std::size_t tag = 0;
  std::uint16_t character_id = 0;
};

}  // namespace

const Timeline* Player::sprite_timeline(const Dictionary& dictionary,
                                        std::uint16_t character_id) const {
  auto key = std::make_pair(&dictionary, character_id);
  auto it = sprite_timelines_.find(key);
  if (it != sprite_timelines_.end()) return it->second.get();
  const SpriteDefinition* def = dictionary.sprite(character_id);
  if (!def) return nullptr;
  auto timeline = std::make_unique<Timeline>(def->tags, read_tag_list(def->tags).tags, false);
  return sprite_timelines_.emplace(key, std::move(timeline)).first->second.get();
}

const Timeline* Player::timeline_of(const DisplayObject& clip) const {
  if (clip.sprite && clip.sprite->loaded) return clip.sprite->loaded;
  if (&clip == root_.get()) return main_.get();
  if (!clip.sprite || clip.character_id == 0) return nullptr;
  // The clip's own character is its parent's movie's (an imported sprite's
  // content is another movie's, but its id is the importer's).
  return sprite_timeline(clip.parent ? dictionary_for(*clip.parent) : dictionary_,
                         clip.character_id);
}

std::uint16_t Player::total_frames(const DisplayObject& clip) const {
  const Timeline* t = timeline_of(clip);
  return t ? t->frames() : (clip.sprite ? 1 : 0);
}

std::optional<std::uint16_t> Player::label_frame(const DisplayObject& clip, std::string_view label,
                                                 std::uint16_t from) const {
  const Timeline* t = timeline_of(clip);
  return t ? t->label(label, from) : std::nullopt;
}

std::vector<std::span<const std::uint8_t>> Player::frame_actions(const DisplayObject& clip,
                                                                 std::uint16_t index) const {
  std::vector<std::span<const std::uint8_t>> blocks;
  const Timeline* t = timeline_of(clip);
  if (!t || actionscript3_) return blocks;
  for (const TagRecord& tag : t->frame_tags(index))
    if (tag.code == code(TagCode::DoAction)) blocks.push_back(t->body(tag));
  return blocks;
}

// A clip that stops silences its sound stream.
void Player::set_playing(DisplayObject& clip, bool play) {
  if (!clip.sprite) return;
  clip.sprite->playing = play;
  const Timeline* t = timeline_of(clip);
  if (!play && sound_ && t && t->has_stream()) sound_->stream_stop(&clip);
}

// The first step shows frame 1; later ones step while playing, and the last
// frame loops to the first. A one-frame timeline stays put.
void Player::step_timeline(DisplayObject& clip) {
  SpriteInstance& s = *clip.sprite;
  const Timeline* t = timeline_of(clip);
  if (!t) {
    if (s.current_frame == 0) s.current_frame = 1;
    return;
  }
  if (s.current_frame == 0) {
    s.current_frame = 1;
    run_frames(clip, *t, 0, 0, false);
    return;
  }
  if (!s.playing || t->frames() <= 1) return;
  if (s.current_frame < t->frames()) {
    std::uint16_t index = s.current_frame;
    s.current_frame = index + 1;
    run_frames(clip, *t, index, index, false);
  } else {
    s.current_frame = 1;
    run_frames(clip, *t, 0, 0, true);
  }
}

void Player::goto_frame(DisplayObject& clip, std::uint32_t index, bool play) {
  const Timeline* t = timeline_of(clip);
  if (!clip.sprite) return;
  set_playing(clip, play);
  if (!t) return;
  // A frame past the end shows the last one, without running its actions.
  bool past_end = index >= t->frames();
  auto target = static_cast<std::uint16_t>(std::min<std::uint32_t>(index, t->frames() - 1u));
  SpriteInstance& s = *clip.sprite;
  if (target + 1u == s.current_frame) return;
  bool rewind = s.current_frame == 0 || target + 1u < s.current_frame;
  std::uint16_t from = rewind ? 0 : s.current_frame;
  s.current_frame = target + 1;
  run_frames(clip, *t, from, target, rewind, !past_end);
}

// Applies frames from..to. Going back (rewind) starts from frame 1: the
// timeline's objects that will be there again at `to` (same character,
// placed by the same frame) stay, with what scripts made; the rest go, and
// so do clips scripts made at depths of the timeline.
// Only the last frame's actions and sounds run; objects placed and removed
// again within the run are never made.
void Player::run_frames(DisplayObject& clip, const Timeline& t, std::uint16_t from,
                        std::uint16_t to, bool rewind, bool actions) {
  std::map<std::uint16_t, FinalPlacement> final;
  for (std::uint16_t f = from; f <= to; ++f) {
    auto tags = t.frame_tags(f);
    for (std::size_t i = 0; i < tags.size(); ++i) {
      auto body = t.body(tags[i]);
      if (auto p = read_placement(tags[i].code, body, clip.version)) {
        if (!p->character_id) continue;
        auto it = final.find(p->depth);
        bool replaces =
            !p->move || it == final.end() || it->second.character_id != *p->character_id;
        if (replaces) final[p->depth] = {f, i, *p->character_id};
      } else if (auto depth = read_removal_depth(tags[i].code, body)) {
        final.erase(*depth);
      }
    }
  }
  if (rewind) {
    std::vector<std::shared_ptr<DisplayObject>> gone;
    for (const auto& [depth, child] : clip.sprite->display_list) {
      if (depth - kTimelineDepthOffset < 0 || (child->placed_by_script && depth >= 0)) continue;
      auto it = final.find(static_cast<std::uint16_t>(depth - kTimelineDepthOffset));
      if (child->placed_by_script || it == final.end() ||
          it->second.character_id != child->character_id || it->second.frame != child->placed_frame)
        gone.push_back(child);
    }
    for (const auto& child : gone) detach(*child, true);
  }
  bool define_from_main = t.is_main();
  for (std::uint16_t f = from; f <= to; ++f) {
    bool define = define_from_main && f >= defined_frames_;
    auto tags = t.frame_tags(f);
    for (std::size_t i = 0; i < tags.size(); ++i) {
      bool effective = false;
      if (auto p = read_placement(tags[i].code, t.body(tags[i]), clip.version);
          p && p->character_id) {
        auto it = final.find(p->depth);
        effective = it != final.end() && it->second.frame == f && it->second.tag == i;
      }
      apply_tag(clip, t, tags[i], f, effective, actions && f == to, define);
      if (clip.removed) return;
    }
    if (define) defined_frames_ = f + 1;
  }
  frame_sounds(clip, t, to);
  dirty_ = true;
}

void Player::apply_tag(DisplayObject& clip, const Timeline& t, const TagRecord& tag,
                       std::uint16_t frame, bool effective, bool last_frame, bool define) {
  auto body = t.body(tag);
  DisplayList& list = clip.sprite->display_list;
  if (auto p = read_placement(tag.code, body, clip.version)) {
    auto it = list.find(script_depth(p->depth));
    DisplayObject* existing = it == list.end() ? nullptr : it->second.get();
    bool new_character =
        p->character_id && (!p->move || !existing || existing->character_id != *p->character_id);
    if (new_character) {
      if (!effective) return;
      // The same object is still here after a rewind: it takes the frame's values.
      if (existing && !p->move && existing->character_id == *p->character_id &&
          existing->placed_frame == frame && !existing->placed_by_script) {
        apply_placement_fields(*existing, *p);
        return;
      }
      place(clip, *p, frame);
    } else if (existing && !existing->placed_by_script) {
      Placement move = *p;
      if (existing->transformed_by_script) {
        move.matrix.reset();
        move.cxform.reset();
      }
      apply_placement_fields(*existing, move);
    }
  } else if (auto depth = read_removal_depth(tag.code, body)) {
    auto it = list.find(script_depth(*depth));
    if (it != list.end()) {
      auto child = it->second;
      detach(*child, true);
    }
  } else if (tag.code == code(TagCode::DoAction)) {
    if (last_frame && !actionscript3_) queue_.push_back({clip.shared_from_this(), body});
  } else if (tag.code == code(TagCode::DoInitAction)) {
    if (body.size() >= 2 && !actionscript3_) {
      std::uint16_t sprite_id = static_cast<std::uint16_t>(body[0] | (body[1] << 8));
      if (init_done_.emplace(&dictionary_for(clip), sprite_id).second)
        init_queue_.push_back({clip.shared_from_this(), body.subspan(2)});
    }
  } else if (define && is_definition(tag.code)) {
    define_tag(tag, body);
  } else if (define && tag.code == code(TagCode::ExportAssets)) {
    define_sound_tag(tag, body);
  } else if (define && (tag.code == code(TagCode::ImportAssets) ||
                        tag.code == code(TagCode::ImportAssets2))) {
    try {
      import_assets(dictionary_, movie_->path, tag.code, body);
    } catch (const ReadError&) {
    }
  }
}

void Player::define_tag(const TagRecord& tag, std::span<const std::uint8_t> body) {
  // A bad definition leaves its character out; the movie plays on.
  try {
    dictionary_.define(tag.code, body, tag.offset);
  } catch (const std::exception&) {
  }
  define_sound_tag(tag, body);
}

// A PlaceObject with a character: a new object at the depth, in place of
// what was there (a shape keeps its identity when only its character changes).
void Player::place(DisplayObject& clip, const Placement& p, std::uint16_t frame) {
  std::int32_t depth = script_depth(p.depth);
  DisplayList& list = clip.sprite->display_list;
  auto it = list.find(depth);
  std::shared_ptr<DisplayObject> old = it == list.end() ? nullptr : it->second;
  const Character* c = dictionary_for(clip).find(*p.character_id);
  bool graphic = c && (std::holds_alternative<ShapeDefinition>(*c) ||
                       std::holds_alternative<MorphShapeDefinition>(*c) ||
                       std::holds_alternative<TextDefinition>(*c));
  if (old && p.move && old->kind == DisplayKind::Graphic && graphic) {
    old->character_id = *p.character_id;
    apply_placement_fields(*old, p);
    return;
  }
  if (instances_left_ == 0 || nesting_of(clip) >= kMaxClipNesting) return;
  --instances_left_;
  auto child = instantiate(clip, *p.character_id, depth);
  if (old) {
    if (p.move) {
      child->set_matrix(old->matrix);
      child->cxform = old->cxform;
      child->name = old->name;
    }
    detach(*old, true);
  }
  apply_placement_fields(*child, p);
  child->placed_frame = frame;
  child->clip_actions = p.clip_actions;
  if (child->name.empty()) child->name = "instance" + std::to_string(++instance_count_);
  adopt(clip, child);
  if (child->text_field && !child->text_field->variable.empty())
    machine().run_native([&](avm1::Activation& act) { avm1::update_bound_fields(act, *child); });
  if (child->is_clip()) {
    exec_.push_back(child);
    dispatch(*child, clip_event::Initialize);
    // A class registered for the symbol, by the init actions too, runs
    // once those have.
    if (exports_character(clip, child->character_id))
      construct_queue_.push_back({child, {}, nullptr, false, true});
    dispatch(*child, clip_event::Construct);
    frame_of(*child);
  }
}

std::shared_ptr<DisplayObject> Player::instantiate(DisplayObject& parent,
                                                   std::uint16_t character_id, std::int32_t depth) {
  auto obj = std::make_shared<DisplayObject>();
  obj->character_id = character_id;
  obj->depth = depth;
  obj->parent = &parent;
  obj->version = parent.version;
  const Dictionary& dictionary = dictionary_for(parent);
  if (const Character* c = dictionary.find(character_id)) {
    if (std::holds_alternative<SpriteDefinition>(*c)) {
      obj->kind = DisplayKind::MovieClip;
      obj->sprite = std::make_unique<SpriteInstance>();
      // An imported sprite is made of the characters of its own movie.
      if (const Dictionary& source = dictionary.source_of(character_id); &source != &dictionary)
        obj->sprite->dictionary = &source;
    } else if (std::holds_alternative<ButtonDefinition>(*c)) {
      obj->kind = DisplayKind::Button;
    } else if (auto* e = std::get_if<EditTextDefinition>(c)) {
      obj->kind = DisplayKind::EditText;
      obj->text_field = std::make_shared<TextField>(*e, dictionary);
      obj->text_field->version = obj->version;
    } else if (std::holds_alternative<VideoDefinition>(*c)) {
      obj->kind = DisplayKind::Video;  // a Video object to scripts
    }
  }
  return obj;
}

void Player::adopt(DisplayObject& parent, const std::shared_ptr<DisplayObject>& child) {
  child->parent = &parent;
  parent.sprite->display_list[child->depth] = child;
  dirty_ = true;
}

// Takes an object off the stage: its clips (and theirs) get their unload
// event, children first, and stop their sound streams.
void Player::detach(DisplayObject& object, bool run_unload) {
  auto keep = object.shared_from_this();
  unload_tree(object, run_unload);
  if (DisplayObject* parent = object.parent; parent && parent->sprite) {
    auto& list = parent->sprite->display_list;
    auto it = list.find(object.depth);
    if (it != list.end() && it->second.get() == &object) list.erase(it);
  }
  object.parent = nullptr;
  dirty_ = true;
}

void Player::unload_tree(DisplayObject& object, bool run_unload) {
  object.removed = true;
  if (sound_) sound_->stop_owner(&object);
  if (!object.sprite) return;
  for (const auto& [depth, child] : object.sprite->display_list)
    if (!child->removed) unload_tree(*child, run_unload);
  const Timeline* t = timeline_of(object);
  if (sound_ && t && t->has_stream()) sound_->stream_stop(&object);
  if (run_unload) dispatch(object, clip_event::Unload);
}

// Sounds the frame starts, and the timeline's stream, which the frame's
// showing keeps going or starts. Only a frame that is shown makes sound: the
// frames a goto passes over are silent.
void Player::frame_sounds(const DisplayObject& clip, const Timeline& t, std::uint16_t index) {
  if (!sound_) return;
  for (const TagRecord& tag : t.frame_tags(index)) {
    try {
      if (tag.code == code(TagCode::StartSound) || tag.code == code(TagCode::StartSound2)) {
        StartSoundRecord start = read_start_sound(tag.code, t.body(tag));
        start.mix = sound_mix(&clip);
        sound_->start_sound(start);
      } else if (tag.code == code(TagCode::SoundStreamHead) ||
                 tag.code == code(TagCode::SoundStreamHead2)) {
        StreamHead head = read_stream_head(t.body(tag));
        sound_->stream_head(&clip, head, collect_stream_blocks(head, t.bytes(), t.tags()));
        sound_->set_mix(&clip, sound_mix(&clip));
      }
    } catch (const ReadError&) {
    }
  }
  if (t.has_stream() && clip.sprite->playing) sound_->stream_frame(&clip, index);
}

void Player::define_sound_tag(const TagRecord& tag, std::span<const std::uint8_t> body) {
  try {
    if (tag.code == code(TagCode::DefineSound)) {
      SoundDefinition sound = read_define_sound(body);
      sounds_.insert_or_assign(sound.id, sound);
      if (sound_) sound_->define_sound(sound);
    } else if (sound_ && tag.code == code(TagCode::ExportAssets)) {
      ByteReader in(body);
      for (unsigned n = in.u16(); n > 0; --n) {
        std::uint16_t id = in.u16();
        sound_->export_name(id, in.cstring());
      }
    }
  } catch (const ReadError&) {
  }
}

}  // namespace strandel::swf
