// TextFormat's fields are accessors on its prototype over the format the
// object holds; each is null until set, and setting undefined or null unsets
// it again. The constructor takes font, size, color, bold, italic,
// underline, url, target, align, leftMargin, rightMargin, indent and
// leading in that order, and gives each object its own getTextExtent.
#include "avm1/builtins/text_format.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/player.h"
#include "swf/text_field.h"

namespace strandel::avm1 {

namespace {

using Format = swf::PartialTextFormat;

// Font names longer than this many characters are cut, as the player keeps
// them in a buffer of that size.
constexpr std::size_t kMaxFontName = 64;
// Tab stops a format keeps from an array; the rest are dropped.
constexpr std::uint32_t kMaxTabStops = 1024;
constexpr double kTwips = 20;
// The height of the field getTextExtent measures in: room for any text.
constexpr std::int32_t kFarTwips = 1 << 30;

Object* allocate(Activation& act, Object* proto) {
  return act.heap().make<TextFormatObject>(proto);
}

Format* format_of(const Value& self) {
  auto* tf = this_as<TextFormatObject>(self);
  return tf ? &tf->format : nullptr;
}

// Integers as the player stores them. From version 8 a number that is not
// a 32-bit integer (NaN, an infinity, too large) becomes the most negative
// one, or 0 where negatives are not allowed; before, ToInt32 wraps it.
double to_format_integer(Activation& act, const Value& v, bool allow_negative) {
  double n;
  if (act.version() >= 8) {
    double d = act.to_number(v);
    if (std::isnan(d) || d == -INFINITY || d < INT_MIN)
      n = INT_MIN;
    else if (d == INFINITY || d > INT_MAX)
      return INT_MIN;
    else
      n = std::trunc(d);
  } else {
    n = act.to_int32(v);
  }
  return !allow_negative && n < 0 ? 0 : n;
}

template <auto Field>
Value get_string(Activation&, const Value& self, std::span<const Value>) {
  Format* f = format_of(self);
  if (!f || !(f->*Field)) return f ? Value::null() : Value();
  return Value(String(*(f->*Field)));
}

template <auto Field>
Value set_string(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  if (args[0].is_nullish())
    (f->*Field).reset();
  else
    (f->*Field) = act.to_string(args[0]).str();
  return Value();
}

Value set_font(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  if (args[0].is_nullish()) {
    f->font.reset();
    return Value();
  }
  std::u16string units = to_utf16(act.to_string(args[0]).view());
  if (units.size() > kMaxFontName) units.resize(kMaxFontName);
  f->font = to_utf8(units);
  return Value();
}

template <auto Field>
Value get_boolean(Activation&, const Value& self, std::span<const Value>) {
  Format* f = format_of(self);
  if (!f || !(f->*Field)) return f ? Value::null() : Value();
  return Value(*(f->*Field));
}

template <auto Field>
Value set_boolean(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  if (args[0].is_nullish())
    (f->*Field).reset();
  else
    (f->*Field) = act.to_boolean(args[0]);
  return Value();
}

template <auto Field>
Value get_number(Activation&, const Value& self, std::span<const Value>) {
  Format* f = format_of(self);
  if (!f || !(f->*Field)) return f ? Value::null() : Value();
  return Value(*(f->*Field));
}

// Negative: whether the field keeps negative values (always, or from
// version 8 only).
enum class Negative { Never, FromVersion8, Always };

template <auto Field, Negative N>
Value set_integer(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  bool negative = N == Negative::Always || (N == Negative::FromVersion8 && act.version() >= 8);
  if (args[0].is_nullish())
    (f->*Field).reset();
  else
    (f->*Field) = to_format_integer(act, args[0], negative);
  return Value();
}

Value set_letter_spacing(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  if (args[0].is_nullish())
    f->letter_spacing.reset();
  else
    f->letter_spacing = act.to_number(args[0]);
  return Value();
}

Value get_color(Activation&, const Value& self, std::span<const Value>) {
  Format* f = format_of(self);
  if (!f || !f->color) return f ? Value::null() : Value();
  return Value(static_cast<double>(*f->color));
}

Value set_color(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  if (args[0].is_nullish())
    f->color.reset();
  else
    f->color = static_cast<std::uint32_t>(act.to_int32(args[0]));
  return Value();
}

constexpr std::pair<std::string_view, swf::TextAlign> kAligns[] = {
    {"left", swf::TextAlign::Left},
    {"right", swf::TextAlign::Right},
    {"center", swf::TextAlign::Center},
    {"justify", swf::TextAlign::Justify}};

Value get_align(Activation&, const Value& self, std::span<const Value>) {
  Format* f = format_of(self);
  if (!f || !f->align) return f ? Value::null() : Value();
  for (auto [name, align] : kAligns)
    if (align == *f->align) return Value(String(name));
  return Value::null();
}

// Only the four names (in any case) change the alignment.
Value set_align(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  String name = act.to_string(args[0]);
  for (auto [known, align] : kAligns)
    if (equals_folded(name.view(), known)) f->align = align;
  return Value();
}

Value get_display(Activation&, const Value& self, std::span<const Value>) {
  auto* tf = this_as<TextFormatObject>(self);
  if (!tf) return Value();
  switch (tf->display) {
    case TextDisplay::Inline:
      return Value("inline");
    case TextDisplay::None:
      return Value("none");
    case TextDisplay::Block:
      break;
  }
  return Value("block");
}

// Anything but "inline" and "none" (in that case) is "block".
Value set_display(Activation& act, const Value& self, std::span<const Value> args) {
  auto* tf = this_as<TextFormatObject>(self);
  if (!tf) return Value();
  String name = act.to_string(arg(args, 0));
  tf->display = name.view() == "inline" ? TextDisplay::Inline
                : name.view() == "none" ? TextDisplay::None
                                        : TextDisplay::Block;
  return Value();
}

Value get_tab_stops(Activation& act, const Value& self, std::span<const Value>) {
  Format* f = format_of(self);
  if (!f || !f->tab_stops) return f ? Value::null() : Value();
  std::vector<Value> stops(f->tab_stops->begin(), f->tab_stops->end());
  return Value(act.new_array(stops));
}

// An array gives its elements as integers (an empty one leaves an unset
// field unset); a non-empty string gives that many stops at the integer
// a non-number makes; the empty string, undefined and null unset the field;
// other values empty a set field.
Value set_tab_stops(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f || args.empty()) return Value();
  const Value& v = args[0];
  if (v.is_nullish() || (v.is_string() && v.string().empty())) {
    f->tab_stops.reset();
  } else if (auto* array = dynamic_cast<ArrayObject*>(v.object())) {
    auto length = static_cast<std::uint32_t>(std::max(0.0, act.to_number(act.get(v, "length"))));
    if (length == 0 && !f->tab_stops) return Value();
    std::vector<double> stops;
    for (std::uint32_t i = 0; i < std::min(length, kMaxTabStops); ++i)
      stops.push_back(to_format_integer(act, array->get(act, String(std::to_string(i))), true));
    f->tab_stops = std::move(stops);
  } else if (v.is_string()) {
    std::size_t count = std::min<std::size_t>(to_utf16(v.string().view()).size(), kMaxTabStops);
    f->tab_stops = std::vector<double>(count, act.version() >= 8 ? INT_MIN : 0);
  } else if (f->tab_stops) {
    f->tab_stops->clear();
  }
  return Value();
}

// The size text in this format takes: its lines' width and height, and
// those of a field that holds it (with the field's 2-pixel gutters). With a
// width, lines wrap at it.
Value get_text_extent(Activation& act, const Value& self, std::span<const Value> args) {
  Format* f = format_of(self);
  if (!f) return Value();
  std::string text = act.to_string(arg(args, 0)).str();
  std::optional<double> wrap_width;
  if (args.size() > 1 && !args[1].is_undefined()) wrap_width = act.to_number(args[1]);

  const swf::Dictionary& dict = act.machine().player().dictionary();
  swf::TextField field(swf::EditTextDefinition{}, dict);
  f->apply_to(field.default_format);
  field.multiline = field.word_wrap = wrap_width.has_value();
  double width_px =
      wrap_width && std::isfinite(*wrap_width) ? std::clamp(*wrap_width, 0.0, 1e6) : 1e6;
  field.bounds = {0, static_cast<std::int32_t>((width_px + 4) * kTwips), 0, kFarTwips};
  field.set_text(text);
  const swf::TextLayout& layout = field.layout();

  auto pixels = [](double twips) { return std::round(twips / kTwips); };
  double width = pixels(layout.text_width), height = pixels(layout.text_height);
  const swf::TextFormat& d = field.default_format;
  auto font = dict.device_fonts().get(d.font, d.bold, d.italic);
  Object* out = act.new_object();
  out->set(act, "width", Value(width));
  out->set(act, "height", Value(height));
  out->set(act, "ascent", Value(std::round(font->ascent() * d.size)));
  out->set(act, "descent", Value(std::round(font->descent() * d.size)));
  out->set(act, "textFieldWidth", Value(wrap_width ? width_px : width > 0 ? width + 4 : 0));
  out->set(act, "textFieldHeight", Value(height > 0 ? height + 4 : 0));
  return Value(out);
}

constexpr std::string_view kConstructorFields[] = {
    "font",   "size",  "color",      "bold",        "italic", "underline", "url",
    "target", "align", "leftMargin", "rightMargin", "indent", "leading"};

Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  if (!self.is_object()) return Value();
  self.object()->set(act, "getTextExtent", Value(make_native(act, get_text_extent)));
  for (std::size_t i = 0; i < args.size() && i < std::size(kConstructorFields); ++i)
    act.set(self, String(kConstructorFields[i]), args[i]);
  return Value();
}

}  // namespace

Value make_text_format(Activation& act, const swf::PartialTextFormat& format) {
  auto* tf = act.heap().make<TextFormatObject>(act.realm().prototype("TextFormat"));
  tf->format = format;
  tf->set(act, "getTextExtent", Value(make_native(act, get_text_extent)));
  return Value(tf);
}

const swf::PartialTextFormat* text_format_of(const Value& v) { return format_of(v); }

void register_text_format(Realm& realm, Activation& act) {
  using swf::PartialTextFormat;
  ClassBuilder tf(act, {"TextFormat", constructor, nullptr, allocate});
  // The fields are plain (enumerable, deletable) accessors, as the player's.
  constexpr std::uint32_t kPlain = 0;
  tf.property("align", get_align, set_align, kPlain)
      .property("blockIndent", get_number<&Format::block_indent>,
                set_integer<&Format::block_indent, Negative::FromVersion8>, kPlain)
      .property("bold", get_boolean<&Format::bold>, set_boolean<&Format::bold>, kPlain)
      .property("bullet", get_boolean<&Format::bullet>, set_boolean<&Format::bullet>, kPlain)
      .property("color", get_color, set_color, kPlain)
      .property("display", get_display, set_display, kPlain)
      .property("font", get_string<&Format::font>, set_font, kPlain)
      .property("indent", get_number<&Format::indent>,
                set_integer<&Format::indent, Negative::FromVersion8>, kPlain)
      .property("italic", get_boolean<&Format::italic>, set_boolean<&Format::italic>, kPlain)
      .property("kerning", get_boolean<&Format::kerning>, set_boolean<&Format::kerning>,
                attr::Version8)
      .property("leading", get_number<&Format::leading>,
                set_integer<&Format::leading, Negative::FromVersion8>, kPlain)
      .property("leftMargin", get_number<&Format::left_margin>,
                set_integer<&Format::left_margin, Negative::Never>, kPlain)
      .property("letterSpacing", get_number<&Format::letter_spacing>, set_letter_spacing,
                attr::Version8)
      .property("rightMargin", get_number<&Format::right_margin>,
                set_integer<&Format::right_margin, Negative::Never>, kPlain)
      .property("size", get_number<&Format::size>, set_integer<&Format::size, Negative::Always>,
                kPlain)
      .property("tabStops", get_tab_stops, set_tab_stops, kPlain)
      .property("target", get_string<&Format::target>, set_string<&Format::target>, kPlain)
      .property("underline", get_boolean<&Format::underline>, set_boolean<&Format::underline>,
                kPlain)
      .property("url", get_string<&Format::url>, set_string<&Format::url>, kPlain);
  tf.install(realm.global);
}

}  // namespace strandel::avm1
