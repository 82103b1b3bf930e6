// TextField.StyleSheet: named styles, set one by one or read from CSS text
// or a file beside the movie. The sheet keeps its state in script-visible
// properties, as the vendor's player does: `_css` holds each style as given
// (a copy), `_styles` what `transform` made of it (a TextFormat). A script
// may override transform, parse or parseCSS, and subclasses need nothing
// from the constructor.
#include <cmath>
#include <cstdlib>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/css.h"
#include "avm1/loads.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }

// The sheet's `_css` and `_styles`, made when the first style comes.
std::pair<Value, Value> tables(Activation& act, const Value& self) {
  Value css = act.get(self, "_css");
  Value styles = act.get(self, "_styles");
  if (!css.is_object() || !styles.is_object()) {
    css = Value(act.new_object());
    styles = Value(act.new_object());
    act.set(self, "_css", css);
    act.set(self, "_styles", styles);
  }
  return {css, styles};
}

// The object's enumerable properties on a new object, listed in the same
// order; the values themselves are shared.
Value shallow_copy(Activation& act, const Value& style) {
  Object* from = style.object();
  if (!from) return Value::null();
  Object* copy = act.new_object();
  std::vector<String> names = from->enumerate(act);
  for (auto it = names.rbegin(); it != names.rend(); ++it) copy->set(act, *it, from->get(act, *it));
  return Value(copy);
}

void store_style(Activation& act, const Value& self, const String& name, const Value& style) {
  auto [css, styles] = tables(act, self);
  act.set(css, name, style);
  act.set(styles, name, act.call_method(self, "transform", {style}));
}

Value set_style(Activation& act, const Value& self, std::span<const Value> args) {
  if (!self.is_object()) return Value();
  store_style(act, self, act.to_string(arg(args, 0)), shallow_copy(act, arg(args, 1)));
  return Value();
}

Value get_style(Activation& act, const Value& self, std::span<const Value> args) {
  Value css = act.get(self, "_css");
  if (!css.is_object()) return Value::null();
  return shallow_copy(act, act.get(css, act.to_string(arg(args, 0))));
}

Value get_style_names(Activation& act, const Value& self, std::span<const Value>) {
  std::vector<Value> names;
  if (Object* css = act.get(self, "_css").object())
    for (const String& name : css->enumerate(act)) names.emplace_back(name);
  return Value(static_cast<Object*>(act.new_array(names)));
}

Value clear(Activation& act, const Value& self, std::span<const Value>) {
  if (!self.is_object()) return Value();
  act.set(self, "_css", Value(act.new_object()));
  act.set(self, "_styles", Value(act.new_object()));
  return Value();
}

// The CSS text's rules become styles, each selector its own copy; a
// malformed text changes nothing.
Value parse_css_method(Activation& act, const Value& self, std::span<const Value> args) {
  if (!self.is_object()) return Value(false);
  String text = act.to_string(arg(args, 0));
  auto rules = parse_css(text.view());
  if (!rules) return Value(false);
  for (const CssRule& rule : *rules) {
    for (const std::string& selector : rule.selectors) {
      Object* style = act.new_object();
      for (auto it = rule.declarations.rbegin(); it != rule.declarations.rend(); ++it)
        style->set(act, String(it->first), Value(String(it->second)));
      store_style(act, self, String(selector), Value(style));
    }
  }
  return Value(true);
}

// "#FF0000" as 0xFF0000; nothing for anything else.
bool parse_color(std::string_view text, double& out) {
  if (text.size() < 2 || text[0] != '#') return false;
  char* end = nullptr;
  std::string digits(text.substr(1));
  long value = std::strtol(digits.c_str(), &end, 16);
  if (end == digits.c_str()) return false;
  out = static_cast<double>(value & 0xFFFFFF);
  return true;
}

// The first family of a list, with the generic families as the player's
// device fonts.
String font_family(std::string_view list) {
  std::string_view first = list.substr(0, list.find(','));
  while (!first.empty() && (first.front() == ' ' || first.front() == '"')) first.remove_prefix(1);
  while (!first.empty() && (first.back() == ' ' || first.back() == '"')) first.remove_suffix(1);
  if (first == "sans-serif") return "_sans";
  if (first == "serif") return "_serif";
  if (first == "mono" || first == "monospace") return "_typewriter";
  return String(first);
}

// A style's CSS properties as a TextFormat's.
Value transform(Activation& act, const Value&, std::span<const Value> args) {
  Object* style = arg(args, 0).object();
  if (!style) return Value::null();
  Value format = act.construct_class("TextFormat");
  if (!format.is_object()) format = Value(act.new_object());
  auto text = [&](const char* name) { return act.to_string(style->get(act, name)); };
  auto has = [&](const char* name) { return act.to_boolean(style->get(act, name)); };
  auto number = [&](const char* name) { return std::strtod(text(name).str().c_str(), nullptr); };
  auto integer = [&](const char* name) { return Value(std::trunc(number(name))); };
  auto choice = [&](const char* name, const char* on, const char* off, const char* property) {
    String value = text(name);
    if (value.view() == on) act.set(format, property, Value(true));
    if (value.view() == off) act.set(format, property, Value(false));
  };
  if (has("textAlign")) act.set(format, "align", Value(text("textAlign")));
  choice("fontWeight", "bold", "normal", "bold");
  double color = 0;
  if (has("color") && parse_color(text("color").view(), color)) act.set(format, "color", color);
  if (has("display")) act.set(format, "display", Value(text("display")));
  if (has("fontFamily")) act.set(format, "font", Value(font_family(text("fontFamily").view())));
  if (has("textIndent")) act.set(format, "indent", integer("textIndent"));
  choice("fontStyle", "italic", "normal", "italic");
  choice("kerning", "true", "false", "kerning");
  if (has("leading")) act.set(format, "leading", integer("leading"));
  if (has("marginLeft")) act.set(format, "leftMargin", integer("marginLeft"));
  if (has("letterSpacing")) act.set(format, "letterSpacing", Value(number("letterSpacing")));
  if (has("marginRight")) act.set(format, "rightMargin", integer("marginRight"));
  if (has("fontSize")) {
    Value size = integer("fontSize");
    if (size.number() > 0) act.set(format, "size", size);
  }
  choice("textDecoration", "underline", "none", "underline");
  return format;
}

Value load(Activation& act, const Value& self, std::span<const Value> args) {
  return Value(start_data_load(act, self.object(), arg(args, 0)));
}

// onData's default: the text is parsed, then onLoad says whether it was CSS.
Value on_data(Activation& act, const Value& self, std::span<const Value> args) {
  const Value& text = arg(args, 0);
  bool ok = !text.is_undefined() && act.to_boolean(act.call_method(self, "parse", {text}));
  if (ok) act.set(self, "loaded", Value(true));
  act.call_method(self, "onLoad", {Value(ok)});
  return Value();
}

}  // namespace

void register_style_sheet(Realm& realm, Activation& act) {
  ClassBuilder sheet(act, {"StyleSheet", nothing});
  sheet.method("setStyle", set_style, attr::Fixed)
      .method("getStyle", get_style, attr::Fixed)
      .method("getStyleNames", get_style_names, attr::Fixed)
      .method("clear", clear, attr::Fixed)
      .method("transform", transform, attr::Fixed)
      .method("parseCSS", parse_css_method, attr::Fixed)
      .method("parse", parse_css_method, attr::Fixed)
      .method("load", load, attr::Fixed)
      .method("onData", on_data)
      .method("onLoad", nothing);
  // The class lives on TextField, which is registered before it; a machine
  // without TextField still gives scripts TextField.StyleSheet.
  Object* text_field = realm.global->get(act, "TextField").object();
  if (!text_field) {
    text_field = make_native(act, nothing);
    realm.global->define("TextField", Value(text_field), attr::DontEnum);
  }
  sheet.install(text_field, attr::DontEnum | attr::Version7);
}

}  // namespace strandel::avm1
