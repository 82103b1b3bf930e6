// TextSnapshot: the characters of the static texts (DefineText) a clip
// shows, in depth order, as scripts read and search them; and
// MovieClip.getTextSnapshot, which makes one through whatever
// _global.TextSnapshot is at the time.
#include <algorithm>
#include <cmath>
#include <memory>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/dictionary.h"
#include "swf/font.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

class TextSnapshotObject : public Object {
 public:
  using Object::Object;
  std::weak_ptr<swf::DisplayObject> clip;
};

Object* allocate(Activation& act, Object* proto) {
  return act.heap().make<TextSnapshotObject>(proto);
}

// One character of a static text, and whether it begins a line below the
// one before it.
struct SnapshotChar {
  char32_t code;
  bool line_start;
};

void read_text(const swf::Dictionary& dict, const swf::TextDefinition& text,
               std::vector<SnapshotChar>& out) {
  bool first_run = true;
  std::int32_t line_y = 0;
  for (const swf::TextRun& run : text.runs) {
    const swf::FontDefinition* font = dict.font(run.font_id);
    bool new_line = !first_run && run.y != line_y;
    first_run = false;
    line_y = run.y;
    for (const swf::GlyphEntry& g : run.glyphs) {
      char32_t code = font && g.index < font->codes.size() ? font->codes[g.index] : U'?';
      out.push_back({code, new_line});
      new_line = false;
    }
  }
}

// The characters of the clip's own static texts, from the lowest depth up;
// each text after the first starts a line.
std::vector<SnapshotChar> snapshot_of(Activation& act, const Value& self) {
  std::vector<SnapshotChar> chars;
  auto* snapshot = this_as<TextSnapshotObject>(self);
  std::shared_ptr<swf::DisplayObject> clip = snapshot ? snapshot->clip.lock() : nullptr;
  if (!clip || !clip->children()) return chars;
  const swf::Dictionary& dict = act.machine().player().dictionary();
  for (const auto& entry : *clip->children()) {
    const swf::DisplayObject& child = *entry.second;
    if (child.kind != swf::DisplayKind::Graphic) continue;
    const swf::TextDefinition* text = dict.text(child.character_id);
    if (!text) continue;
    std::size_t first = chars.size();
    read_text(dict, *text, chars);
    if (first > 0 && first < chars.size()) chars[first].line_start = true;
  }
  return chars;
}

double position(Activation& act, const Value& v) {
  double n = act.to_number(v);
  return std::isnan(n) ? 0 : std::trunc(n);
}

Value constructor(Activation&, const Value& self, std::span<const Value> args) {
  auto* snapshot = this_as<TextSnapshotObject>(self);
  swf::DisplayObject* clip = display_object(arg(args, 0));
  if (snapshot && clip && clip->is_clip()) snapshot->clip = clip->weak_from_this();
  return Value();
}

Value get_count(Activation& act, const Value& self, std::span<const Value>) {
  if (!this_as<TextSnapshotObject>(self)) return Value();
  return Value(static_cast<double>(snapshot_of(act, self).size()));
}

// getText(start, end[, includeLineEndings]): at least the character at
// start (clamped to the last), up to end; line ends as "\n" when asked.
Value get_text(Activation& act, const Value& self, std::span<const Value> args) {
  if (!this_as<TextSnapshotObject>(self) || args.size() < 2 || args.size() > 3) return Value();
  std::vector<SnapshotChar> chars = snapshot_of(act, self);
  double count = static_cast<double>(chars.size());
  double start = std::clamp(position(act, args[0]), 0.0, std::max(0.0, count - 1));
  double end = std::clamp(position(act, args[1]), start + 1, std::max(count, start + 1));
  bool line_endings = act.to_boolean(arg(args, 2));
  std::string text;
  auto from = static_cast<std::size_t>(start), to = std::min(chars.size(), std::size_t(end));
  for (std::size_t i = from; i < to; ++i) {
    if (line_endings && i > from && chars[i].line_start) text.push_back('\n');
    append_utf8(text, chars[i].code);
  }
  return Value(String(text));
}

// findText(start, text, caseSensitive): where the text next occurs from
// start, or -1.
Value find_text(Activation& act, const Value& self, std::span<const Value> args) {
  if (!this_as<TextSnapshotObject>(self) || args.size() != 3) return Value();
  std::vector<SnapshotChar> chars = snapshot_of(act, self);
  std::u16string wanted = to_utf16(act.to_string(args[1]).view());
  bool case_sensitive = act.to_boolean(args[2]);
  auto fold = [&](char32_t c) {
    return !case_sensitive && c < 128 ? static_cast<char32_t>(fold_ascii(static_cast<char>(c))) : c;
  };
  double start = std::max(0.0, position(act, args[0]));
  if (wanted.empty() || wanted.size() > chars.size()) return Value(-1);
  for (auto at = static_cast<std::size_t>(std::min(start, double(chars.size())));
       at + wanted.size() <= chars.size(); ++at) {
    std::size_t i = 0;
    while (i < wanted.size() && fold(chars[at + i].code) == fold(wanted[i])) ++i;
    if (i == wanted.size()) return Value(static_cast<double>(at));
  }
  return Value(-1);
}

Value get_selected(Activation&, const Value& self, std::span<const Value>) {
  return this_as<TextSnapshotObject>(self) ? Value(false) : Value();
}

Value get_selected_text(Activation&, const Value& self, std::span<const Value>) {
  return this_as<TextSnapshotObject>(self) ? Value("") : Value();
}

Value hit_test_text_near_pos(Activation&, const Value& self, std::span<const Value>) {
  return this_as<TextSnapshotObject>(self) ? Value(-1) : Value();
}

Value get_text_run_info(Activation& act, const Value& self, std::span<const Value>) {
  return this_as<TextSnapshotObject>(self) ? Value(act.new_array()) : Value();
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

Value get_text_snapshot(Activation& act, const Value& self, std::span<const Value>) {
  Value clip = display_object(self) ? self : Value();
  Value make = act.get(Value(act.global()), "TextSnapshot");
  return act.construct(make, std::span<const Value>(&clip, 1));
}

}  // namespace

void register_text_snapshot(Realm& realm, Activation& act) {
  // Its methods are enumerable and exist for version 6 movies on.
  constexpr std::uint32_t kMethod = attr::DontDelete | attr::Version6;
  ClassBuilder snapshot(act, {"TextSnapshot", constructor, nullptr, allocate});
  snapshot.method("getCount", get_count, kMethod)
      .method("setSelected", nothing, kMethod)
      .method("getSelected", get_selected, kMethod)
      .method("getText", get_text, kMethod)
      .method("getSelectedText", get_selected_text, kMethod)
      .method("hitTestTextNearPos", hit_test_text_near_pos, kMethod)
      .method("findText", find_text, kMethod)
      .method("setSelectColor", nothing, kMethod)
      .method("getTextRunInfo", get_text_run_info, kMethod);
  snapshot.install(realm.global);
  define_method(act, realm.movie_clip_proto, "getTextSnapshot", get_text_snapshot,
                attr::Hidden | attr::Version6);
}

}  // namespace strandel::avm1
