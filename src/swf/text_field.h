// The text field model (DefineEditText, and fields scripts create): its
// properties, its text as formatted spans, and its layout in lines. The
// renderer draws from it; scripts set text or htmlText and read textWidth
// through it without touching the renderer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "swf/device_font.h"
#include "swf/font.h"
#include "swf/geometry.h"
#include "swf/text_format.h"

namespace strandel::swf {

class Dictionary;

// Fields whose movie's version is unknown follow the latest rules.
constexpr std::uint8_t kLatestVersion = 255;

enum class AutoSize : std::uint8_t { None, Left, Center, Right };

// One run of glyphs on a line, in one font, size and colour. Positions are
// twips in the field's space.
struct LaidRun {
  const FontDefinition* embedded = nullptr;  // its outlines, or
  std::shared_ptr<const DeviceFont> device;  // a device font
  double size = 0;                           // twips
  Rgba color;
  bool underline = false;
  double baseline = 0;
  struct Glyph {
    int index;  // the embedded glyph, or the device font's glyph index
    double x;
  };
  std::vector<Glyph> glyphs;
  double x0 = 0, x1 = 0;  // the run's extent along the line
};

// A line's extent down the field, twips from its top: the leading below
// it is not part of it.
struct LaidLine {
  double top = 0, bottom = 0;
};

struct TextLayout {
  std::vector<LaidRun> runs;
  std::vector<LaidLine> line_boxes;
  double text_width = 0, text_height = 0;  // twips, as textWidth and textHeight report
  std::size_t lines = 0;
};

class TextField {
 public:
  explicit TextField(const EditTextDefinition& definition, const Dictionary& dict);

  // Properties, as the definition gives them and scripts may change them.
  Rect bounds;  // twips in the field's space
  bool multiline = false, word_wrap = false, password = false, html = false;
  bool border = false, background = false, embed_fonts = false, selectable = true;
  Rgba border_color{0, 0, 0, 255}, background_color{255, 255, 255, 255};
  AutoSize auto_size = AutoSize::None;
  // The version of the movie the field comes from, which lays it out.
  std::uint8_t version = kLatestVersion;
  std::string variable;
  // The definition's text (HTML when initial_html): what a field bound to a
  // new, unset variable starts again from.
  std::string initial_text;
  bool initial_html = false;
  std::size_t max_chars = 0;  // 0: no limit
  TextFormat default_format;  // what new text gets
  // What scripts set and read back; the layout does not use them.
  bool editable = false;  // an input field rather than a dynamic one
  bool condense_white = false;
  std::string restrict;  // the characters typing may enter; empty: any
  bool has_restrict = false;
  bool advanced_anti_alias = false;
  bool mouse_wheel_enabled = true;
  std::optional<double> tab_index;
  double sharpness = 0, thickness = 0;
  std::string grid_fit_type = "pixel";
  std::size_t scroll = 1;  // the first line shown, from 1
  double hscroll = 0;      // pixels
  // The selected characters, from the anchor to the caret (either way
  // round); none until a script or the focus selects. Positions past the
  // text's end stand for its end.
  struct Selection {
    std::size_t anchor = 0, caret = 0;
  };
  std::optional<Selection> selection;
  // Selects from anchor to caret, each clamped to the text.
  void select(std::size_t anchor, std::size_t caret);
  // The selection's first and last positions, clamped to the text; 0, 0
  // when there is none.
  std::pair<std::size_t, std::size_t> selected_range() const;

  std::string text() const;  // paragraphs end at '\r'
  void set_text(const std::string& utf8);
  std::string html_text() const;
  void set_html_text(const std::string& html);
  const std::vector<TextSpan>& spans() const { return spans_; }
  void set_spans(std::vector<TextSpan> spans);

  // Positions count characters from 0; ranges are [begin, end) and are
  // clamped to the text.
  std::size_t length() const;
  // The format the characters of a range share: fields that differ are
  // unset, and an empty range has none set.
  PartialTextFormat format_of(std::size_t begin, std::size_t end) const;
  // Sets a format's set fields on a range; its paragraph fields go to every
  // paragraph the range touches.
  void apply_format(std::size_t begin, std::size_t end, const PartialTextFormat& format);
  // Replaces a range with text in one format (line ends become '\r').
  void replace(std::size_t begin, std::size_t end, const std::u32string& text,
               const TextFormat& format);

  // The text in lines, laid out with the dictionary's fonts; kept until the
  // field or its text changes. Call changed() after setting a property.
  const TextLayout& layout() const;
  // The last line scroll may show first, and the last line shown whole
  // from `scroll` (both from 1).
  std::size_t max_scroll() const;
  std::size_t bottom_scroll() const;
  // Makes the bounds hold the text. Their left edge stays where it is; the
  // result is how far (twips along the field's x axis) the field must move
  // to keep the centre or the right side in place, as auto_size asks.
  double fit_to_text();
  void changed() { layout_.reset(); }

 private:
  std::size_t split_at(std::size_t pos);
  void merge_spans();
  void apply_range(std::size_t begin, std::size_t end, const PartialTextFormat& format);

  const Dictionary& dict_;
  std::vector<TextSpan> spans_;
  mutable std::unique_ptr<TextLayout> layout_;
};

// The default format a definition gives its text: its font (by the
// dictionary's name for it), size, colour and paragraph layout.
TextFormat definition_format(const EditTextDefinition& e, const Dictionary& dict);

}  // namespace strandel::swf
