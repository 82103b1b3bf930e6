// TextField: the script side of text fields, placed ones and those
// createTextField makes. Its properties are accessors on the prototype over
// the field's model; a field's display properties (_x, _name...) are its
// object's own, as a clip's are.
#include "swf/text_field.h"

#include <algorithm>
#include <cmath>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/text_field.h"
#include "avm1/builtins/text_format.h"
#include "avm1/clip.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "avm1/variables.h"
#include "swf/player.h"

namespace strandel::avm1 {

namespace {

constexpr double kTwips = 20;

swf::TextField* field_of(const Value& self) {
  swf::DisplayObject* o = display_object(self);
  return o ? o->text_field.get() : nullptr;
}

// Text changed by a script: the layout is redone and an auto-sized field
// takes its text's size, moving along its own x axis when it keeps its
// centre or right side.
void relayout(swf::DisplayObject& o, Activation& act) {
  o.text_field->changed();
  if (double shift = o.text_field->fit_to_text(); shift != 0) {
    o.matrix.tx += o.matrix.a * shift;
    o.matrix.ty += o.matrix.b * shift;
    o.transformed_by_script = true;
  }
  act.machine().player().mark_dirty();
}

Value text_value(const std::string& utf8) { return Value(String(utf8)); }

std::size_t utf16_length(const std::string& utf8) { return to_utf16(utf8).size(); }

// --- Properties -----------------------------------------------------------

template <bool swf::TextField::*Field>
Value get_flag(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(f->*Field) : Value();
}

template <bool swf::TextField::*Field>
Value set_flag(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  f->*Field = act.to_boolean(args[0]);
  relayout(*display_object(self), act);
  return Value();
}

// A field that stops being HTML goes back to left-aligned new text; its
// other paragraph settings stay.
Value set_html(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  bool html = act.to_boolean(args[0]);
  if (f->html && !html) f->default_format.align = swf::TextAlign::Left;
  f->html = html;
  relayout(*display_object(self), act);
  return Value();
}

// The clip a field's variable lives on and its name there: a plain name is
// the parent clip's, "a.b.x" or "/a/b:x" a variable of the clip the path
// leads to. No clip when the path leads nowhere.
std::pair<Object*, String> variable_home(Activation& act, swf::DisplayObject& o) {
  const std::string& var = o.text_field->variable;
  Object* parent = o.parent ? clip_object(act.machine(), *o.parent) : nullptr;
  auto cut = var.find_last_of(":.");
  if (cut == std::string::npos) return {parent, String(var)};
  Object* clip = resolve_target(act, String(var.substr(0, cut)), parent);
  return {clip, String(var.substr(cut + 1))};
}

// A field bound to a variable shows the variable's value when it has one.
void sync_from_variable(Activation& act, swf::DisplayObject& o) {
  swf::TextField& f = *o.text_field;
  if (f.variable.empty()) return;
  auto [clip, name] = variable_home(act, o);
  if (!clip || name.empty()) return;
  Value v = clip->get(act, name);
  if (v.is_undefined()) return;
  std::string text = act.to_string(v).str();
  if (text == (f.html ? f.html_text() : f.text())) return;
  if (f.html)
    f.set_html_text(text);
  else
    f.set_text(text);
  relayout(o, act);
}

// Text set by a script goes to the field's variable too.
void sync_to_variable(Activation& act, swf::DisplayObject& o);

// Fields nested deeper than this are not kept in step with their variables.
constexpr int kMaxBindingNesting = 64;

void update_bound(Activation& act, swf::DisplayObject& o, int nesting) {
  if (nesting > kMaxBindingNesting) return;
  if (o.text_field && !o.text_field->variable.empty()) {
    auto [clip, name] = variable_home(act, o);
    if (clip && !name.empty() && clip->get(act, name).is_undefined()) {
      if (!o.text_field->text().empty()) sync_to_variable(act, o);
    } else {
      sync_from_variable(act, o);
    }
  }
  if (swf::DisplayList* children = o.children()) {
    std::vector<std::shared_ptr<swf::DisplayObject>> list;  // scripts may change it
    for (const auto& [depth, child] : *children) list.push_back(child);
    for (const auto& child : list) update_bound(act, *child, nesting + 1);
  }
}

void sync_to_variable(Activation& act, swf::DisplayObject& o) {
  swf::TextField& f = *o.text_field;
  if (f.variable.empty()) return;
  auto [clip, name] = variable_home(act, o);
  if (clip && !name.empty()) clip->set(act, name, text_value(f.html ? f.html_text() : f.text()));
}

// A field reads its variable afresh when it lives on a clip; one on another
// object is read once a frame.
swf::TextField* synced_field(Activation& act, const Value& self) {
  swf::DisplayObject* o = display_object(self);
  if (!o || !o->text_field) return nullptr;
  if (!o->text_field->variable.empty() && as_clip(Value(variable_home(act, *o).first)))
    sync_from_variable(act, *o);
  return o->text_field.get();
}

// A script binds a field to a variable: the field shows the variable's
// value, or, when it is unset, starts again from its definition's text and
// gives the variable that.
void bind_variable(Activation& act, swf::DisplayObject& o) {
  swf::TextField& f = *o.text_field;
  auto [home, name] = variable_home(act, o);
  if (!home || name.empty()) return;
  if (!home->get(act, name).is_undefined()) return sync_from_variable(act, o);
  if (f.initial_text.empty()) return;
  if (f.initial_html)
    f.set_html_text(f.initial_text);
  else
    f.set_text(f.initial_text);
  relayout(o, act);
  sync_to_variable(act, o);
}

Value get_text(Activation& act, const Value& self, std::span<const Value>) {
  swf::TextField* f = synced_field(act, self);
  return f ? text_value(f->text()) : Value();
}

Value set_text(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  f->set_text(act.to_string(args[0]).str());
  relayout(*display_object(self), act);
  sync_to_variable(act, *display_object(self));
  return Value();
}

Value get_html_text(Activation& act, const Value& self, std::span<const Value>) {
  swf::TextField* f = synced_field(act, self);
  if (!f) return Value();
  return text_value(f->html ? f->html_text() : f->text());
}

Value set_html_text(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  std::string s = act.to_string(args[0]).str();
  if (f->html)
    f->set_html_text(s);
  else
    f->set_text(s);
  relayout(*display_object(self), act);
  return Value();
}

Value get_length(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(static_cast<double>(utf16_length(f->text()))) : Value();
}

std::uint32_t rgb(swf::Rgba c) {
  return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
}

swf::Rgba from_rgb(std::uint32_t v, std::uint8_t alpha) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v), alpha};
}

template <swf::Rgba swf::TextField::*Field>
Value get_color(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(static_cast<double>(rgb(f->*Field))) : Value();
}

template <swf::Rgba swf::TextField::*Field>
Value set_color(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  f->*Field = from_rgb(static_cast<std::uint32_t>(act.to_int32(args[0])), 255);
  relayout(*display_object(self), act);
  return Value();
}

// The colour of the text to come, whatever the text has.
Value get_text_color(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return Value(static_cast<double>(rgb(f->default_format.color)));
}

// The colour of all the text and of the text to come.
Value set_text_color(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  swf::PartialTextFormat p;
  p.color = static_cast<std::uint32_t>(act.to_int32(args[0])) & 0xFFFFFF;
  p.apply_to(f->default_format);
  f->apply_format(0, f->length(), p);
  relayout(*display_object(self), act);
  return Value();
}

constexpr std::string_view kAutoSizes[] = {"none", "left", "center", "right"};

Value get_auto_size(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return Value(String(kAutoSizes[static_cast<std::size_t>(f->auto_size)]));
}

// true is "left" and false "none"; names (in any case) give the side kept, and
// anything else is "none".
Value set_auto_size(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  const Value& v = args[0];
  swf::AutoSize size = swf::AutoSize::None;
  if (v.is_boolean()) {
    size = v.boolean() ? swf::AutoSize::Left : swf::AutoSize::None;
  } else {
    String name = act.to_string(v);
    for (std::size_t i = 0; i < std::size(kAutoSizes); ++i)
      if (equals_folded(name.view(), kAutoSizes[i])) size = static_cast<swf::AutoSize>(i);
  }
  f->auto_size = size;
  relayout(*display_object(self), act);
  return Value();
}

Value get_type(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return Value(f->editable ? "input" : "dynamic");
}

// "input" and "dynamic" in any case; other names change nothing.
Value set_type(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  String name = act.to_string(args[0]);
  if (equals_folded(name.view(), "input")) f->editable = true;
  if (equals_folded(name.view(), "dynamic")) f->editable = false;
  return Value();
}

Value get_variable(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return f->variable.empty() ? Value::null() : text_value(f->variable);
}

Value set_variable(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  const Value& v = args[0];
  f->variable = v.is_nullish() ? std::string() : act.to_string(v).str();
  if (!f->variable.empty()) bind_variable(act, *display_object(self));
  return Value();
}

Value get_max_chars(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return f->max_chars == 0 ? Value::null() : Value(static_cast<double>(f->max_chars));
}

Value set_max_chars(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  std::int32_t n = act.to_int32(args[0]);
  f->max_chars = n > 0 ? static_cast<std::size_t>(n) : 0;
  return Value();
}

Value get_restrict(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return f->has_restrict ? text_value(f->restrict) : Value::null();
}

Value set_restrict(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  f->has_restrict = !args[0].is_nullish();
  f->restrict = f->has_restrict ? act.to_string(args[0]).str() : std::string();
  return Value();
}

Value get_text_width(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(std::floor(f->layout().text_width / kTwips)) : Value();
}

Value get_text_height(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(std::floor(f->layout().text_height / kTwips)) : Value();
}

Value get_scroll(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(static_cast<double>(f->scroll)) : Value();
}

Value set_scroll(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  if (std::isnan(act.to_number(args[0]))) return Value();
  // The player keeps the line from 0 as a 32-bit integer: numbers wrap, and
  // the lowest one wraps round to the highest once made 0-based.
  std::int32_t from_zero =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(act.to_int32(args[0])) - 1u);
  double top = static_cast<double>(f->max_scroll());
  f->scroll = static_cast<std::size_t>(std::clamp(from_zero + 1.0, 1.0, top));
  act.machine().player().mark_dirty();
  return Value();
}

Value get_max_scroll(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(static_cast<double>(f->max_scroll())) : Value();
}

Value get_bottom_scroll(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(static_cast<double>(f->bottom_scroll())) : Value();
}

double max_hscroll(const swf::TextField& f) {
  double over = f.layout().text_width - (f.bounds.width() - 4 * kTwips);
  return std::max(0.0, std::round(over / kTwips));
}

Value get_hscroll(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(f->hscroll) : Value();
}

Value set_hscroll(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  if (std::isnan(act.to_number(args[0]))) return Value();
  double n = act.to_int32(args[0]);  // wraps, as the player's integers do
  f->hscroll = std::clamp(n, 0.0, max_hscroll(*f));
  act.machine().player().mark_dirty();
  return Value();
}

Value get_max_hscroll(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(max_hscroll(*f)) : Value();
}

Value get_anti_alias_type(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return Value(f->advanced_anti_alias ? "advanced" : "normal");
}

Value set_anti_alias_type(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  String name = act.to_string(args[0]);
  if (name.view() == "advanced") f->advanced_anti_alias = true;
  if (name.view() == "normal") f->advanced_anti_alias = false;
  return Value();
}

template <double swf::TextField::*Field>
Value get_number(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(f->*Field) : Value();
}

template <double swf::TextField::*Field>
Value set_number(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (f && !args.empty()) f->*Field = act.to_number(args[0]);
  return Value();
}

Value get_tab_index(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f && f->tab_index ? Value(*f->tab_index) : Value();
}

Value set_tab_index(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  f->tab_index = args[0].is_nullish() ? std::nullopt : std::optional<double>(act.to_int32(args[0]));
  return Value();
}

Value get_grid_fit_type(Activation&, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  return f ? Value(String(f->grid_fit_type)) : Value();
}

Value set_grid_fit_type(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  std::string v = act.to_string(args[0]).str();
  if (v == "none" || v == "pixel" || v == "subpixel") f->grid_fit_type = v;
  return Value();
}

Value get_filters(Activation& act, const Value& self, std::span<const Value>) {
  return field_of(self) ? Value(act.new_array()) : Value();
}

Value set_ignored(Activation&, const Value&, std::span<const Value>) { return Value(); }

// --- Methods ----------------------------------------------------------------

// The range a getTextFormat or setTextFormat call names with `count`
// position arguments: none is the whole text, one is a character.
std::pair<std::size_t, std::size_t> range_of(Activation& act, const swf::TextField& f,
                                             std::span<const Value> positions) {
  std::size_t length = f.length();
  if (positions.empty()) return {0, length};
  double b = act.to_number(positions[0]);
  if (std::isnan(b) || b < 0) b = 0;
  std::size_t begin = to_model_position(f, b);
  if (positions.size() == 1) return {begin, begin + 1};
  double e = act.to_number(positions[1]);
  std::size_t end = std::isnan(e) ? length : to_model_position(f, e);
  return {begin, std::min(end, length)};
}

Value get_text_format(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  // An empty range, an empty field's included, has no format to report.
  auto [begin, end] = range_of(act, *f, args.subspan(0, std::min<std::size_t>(args.size(), 2)));
  return make_text_format(act, f->format_of(begin, end));
}

// setTextFormat([begin, [end,]] format): the format is the last argument.
Value set_text_format(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  const swf::PartialTextFormat* format = text_format_of(args.back());
  if (!format) return Value();
  auto [begin, end] = range_of(act, *f, args.first(std::min<std::size_t>(args.size() - 1, 2)));
  f->apply_format(begin, end, *format);
  relayout(*display_object(self), act);
  return Value();
}

Value get_new_text_format(Activation& act, const Value& self, std::span<const Value>) {
  swf::TextField* f = field_of(self);
  if (!f) return Value();
  return make_text_format(act, swf::PartialTextFormat::of(f->default_format));
}

Value set_new_text_format(Activation&, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  const swf::PartialTextFormat* format = text_format_of(arg(args, 0));
  if (!f || !format) return Value();
  format->apply_to(f->default_format);
  return Value();
}

// replaceText(begin, end, text): the new text takes the format of the
// character it replaces first, or the new-text format.
Value replace_text(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.size() < 3) return Value();
  double b = act.to_number(args[0]), e = act.to_number(args[1]);
  if (std::isnan(b) || std::isnan(e) || b < 0 || e < b) return Value();
  std::size_t begin = to_model_position(*f, b), end = to_model_position(*f, e);
  std::u32string text = swf::utf8_to_u32(act.to_string(args[2]).str());
  swf::TextFormat format = f->default_format;
  f->replace(begin, end, text, format);
  relayout(*display_object(self), act);
  return Value();
}

// replaceSel(text): the selection, or the start of a field nothing has
// selected yet, becomes the text, and the caret follows it.
Value replace_sel(Activation& act, const Value& self, std::span<const Value> args) {
  swf::TextField* f = field_of(self);
  if (!f || args.empty()) return Value();
  std::u32string text = swf::utf8_to_u32(act.to_string(args[0]).str());
  auto [begin, end] = f->selected_range();
  std::size_t before = f->length();
  f->replace(begin, end, text, f->default_format);
  std::size_t caret = end + f->length() - before;
  f->select(caret, caret);
  relayout(*display_object(self), act);
  return Value();
}

Value remove_text_field(Activation& act, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = display_object(self);
  if (o && o->text_field && o->placed_by_script && o->depth >= 0) act.machine().player().remove(*o);
  return Value();
}

Value get_depth(Activation&, const Value& self, std::span<const Value>) {
  swf::DisplayObject* o = display_object(self);
  return o ? Value(static_cast<double>(o->depth)) : Value();
}

Value get_font_list(Activation& act, const Value&, std::span<const Value>) {
  return Value(act.new_array());
}

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

// MovieClip.createTextField(name, depth, x, y, width, height): the new
// field; its position and size are whole pixels.
Value create_text_field(Activation& act, const Value& self, std::span<const Value> args) {
  swf::DisplayObject* parent = display_object(self);
  if (!parent || args.size() < 6) return Value();
  std::string name = act.to_string(args[0]).str();
  double n[5];
  for (std::size_t i = 0; i < 5; ++i) {
    n[i] = act.to_number(args[i + 1]);
    if (!std::isfinite(n[i])) n[i] = 0;
    n[i] = std::clamp(std::trunc(n[i]), -1e7, 1e7);
  }
  auto twips = [](double px) { return static_cast<std::int32_t>(px * kTwips); };
  swf::Rect bounds{0, twips(n[3]), 0, twips(n[4])};
  swf::DisplayObject* made = act.machine().player().create_text_field(
      *parent, name, static_cast<std::int32_t>(n[0]), bounds, n[1] * kTwips, n[2] * kTwips);
  if (!made) return Value();
  ClipObject* object = clip_object(act.machine(), *made);
  return act.version() >= 8 ? Value(object) : Value();
}

}  // namespace

std::size_t to_model_position(const swf::TextField& f, double units) {
  if (!(units > 0)) return 0;
  std::u32string text = swf::utf8_to_u32(f.text());
  std::size_t at = 0, counted = 0;
  while (at < text.size() && counted < units) {
    counted += text[at] > 0xFFFF ? 2 : 1;
    ++at;
  }
  return at;
}

double to_script_position(const swf::TextField& f, std::size_t position) {
  std::u32string text = swf::utf8_to_u32(f.text());
  double units = 0;
  for (std::size_t at = 0; at < text.size() && at < position; ++at)
    units += text[at] > 0xFFFF ? 2 : 1;
  return units;
}

void update_bound_fields(Activation& act, swf::DisplayObject& root) { update_bound(act, root, 0); }

void init_text_field_object(Activation& act, Object* field) {
  make_broadcaster(act, field);
  act.call_method(Value(field), "addListener", {Value(field)});
}

void register_text_field(Realm& realm, Activation& act) {
  using swf::TextField;
  ClassBuilder tf(act, {"TextField", nothing});
  // Properties enumerate, as the player's do, in the reverse of this order.
  constexpr std::uint32_t kProp = attr::DontDelete;
  constexpr std::uint32_t kProp8 = attr::DontDelete | attr::Version8;
  tf.property("gridFitType", get_grid_fit_type, set_grid_fit_type, kProp8)
      .property("antiAliasType", get_anti_alias_type, set_anti_alias_type, kProp8)
      .property("thickness", get_number<&TextField::thickness>, set_number<&TextField::thickness>,
                kProp8)
      .property("sharpness", get_number<&TextField::sharpness>, set_number<&TextField::sharpness>,
                kProp8)
      .property("filters", get_filters, set_ignored, kProp8)
      .property("scroll", get_scroll, set_scroll, kProp)
      .property("maxscroll", get_max_scroll, nullptr, kProp)
      .property("borderColor", get_color<&TextField::border_color>,
                set_color<&TextField::border_color>, kProp)
      .property("backgroundColor", get_color<&TextField::background_color>,
                set_color<&TextField::background_color>, kProp)
      .property("textColor", get_text_color, set_text_color, kProp)
      .property("tabIndex", get_tab_index, set_tab_index, kProp)
      .property("autoSize", get_auto_size, set_auto_size, kProp)
      .property("text", get_text, set_text, kProp)
      .property("type", get_type, set_type, kProp)
      .property("htmlText", get_html_text, set_html_text, kProp)
      .property("variable", get_variable, set_variable, kProp)
      .property("hscroll", get_hscroll, set_hscroll, kProp)
      .property("maxhscroll", get_max_hscroll, nullptr, kProp)
      .property("maxChars", get_max_chars, set_max_chars, kProp)
      .property("embedFonts", get_flag<&TextField::embed_fonts>, set_flag<&TextField::embed_fonts>,
                kProp)
      .property("html", get_flag<&TextField::html>, set_html, kProp)
      .property("border", get_flag<&TextField::border>, set_flag<&TextField::border>, kProp)
      .property("background", get_flag<&TextField::background>, set_flag<&TextField::background>,
                kProp)
      .property("wordWrap", get_flag<&TextField::word_wrap>, set_flag<&TextField::word_wrap>, kProp)
      .property("password", get_flag<&TextField::password>, set_flag<&TextField::password>, kProp)
      .property("multiline", get_flag<&TextField::multiline>, set_flag<&TextField::multiline>,
                kProp)
      .property("selectable", get_flag<&TextField::selectable>, set_flag<&TextField::selectable>,
                kProp)
      .property("length", get_length, nullptr, kProp)
      .property("bottomScroll", get_bottom_scroll, nullptr, kProp)
      .property("textWidth", get_text_width, nullptr, kProp)
      .property("textHeight", get_text_height, nullptr, kProp)
      .property("restrict", get_restrict, set_restrict, kProp)
      .property("condenseWhite", get_flag<&TextField::condense_white>,
                set_flag<&TextField::condense_white>, kProp)
      .property("mouseWheelEnabled", get_flag<&TextField::mouse_wheel_enabled>,
                set_flag<&TextField::mouse_wheel_enabled>, kProp)
      .method("getTextFormat", get_text_format)
      .method("setTextFormat", set_text_format)
      .method("getNewTextFormat", get_new_text_format)
      .method("setNewTextFormat", set_new_text_format)
      .method("replaceText", replace_text, attr::Hidden | attr::Version7)
      .method("replaceSel", replace_sel)
      .method("removeTextField", remove_text_field)
      .method("getDepth", get_depth)
      .static_method("getFontList", get_font_list);
  tf.install(realm.global);
  realm.text_field_proto = tf.prototype();
  define_method(act, realm.movie_clip_proto, "createTextField", create_text_field);
}

}  // namespace strandel::avm1
