// swfwriter: builds small movies byte by byte for tests, the demo and benchmarks.
//
// Everything here writes; nothing reads. Coordinates are twips (1/20 pixel)
// unless a name says pixels. The writer does not check that what it is told
// makes sense: tests of the reader want malformed movies too, so counts, ids
// and depths go out exactly as given, and `tag(code, bytes)` writes anything.
//
//   swfw::Movie m(10, 640, 480, 24);
//   m.background(0x20, 0x30, 0x40);
//   m.define_shape(1, swfw::rect_shape(2000, 1000, swfw::rgb(255, 0, 0)));
//   m.place(1, 1, swfw::Matrix::translate(200, 200));
//   m.do_action(swfw::Actions().stop());
//   m.show_frame();
//   m.write("out.swf", swfw::Container::CWS);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace swfw {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// Basic records

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};
constexpr Rgba rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {r, g, b, 255}; }
constexpr Rgba rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  return {r, g, b, a};
}

struct Rect {  // twips
  std::int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  bool operator==(const Rect&) const = default;
};

// MATRIX: x' = a·x + c·y + tx, y' = b·x + d·y + ty. a, d are ScaleX/ScaleY,
// b is RotateSkew0, c is RotateSkew1 (all 16.16 fixed point on the wire),
// tx, ty are twips. Scale is omitted when a = d = 1, rotation when b = c = 0.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1;
  std::int32_t tx = 0, ty = 0;
  static Matrix translate(std::int32_t tx, std::int32_t ty) { return {1, 0, 0, 1, tx, ty}; }
  static Matrix scale(double sx, double sy, std::int32_t tx = 0, std::int32_t ty = 0) {
    return {sx, 0, 0, sy, tx, ty};
  }
  static Matrix rotate(double radians, std::int32_t tx = 0, std::int32_t ty = 0);
};

// CXFORM / CXFORMWITHALPHA: channel' = channel·mult + add. Multipliers go out
// as 8.8 fixed point; a record leaves out the multiply or add half when it is
// the identity. The plain CXFORM drops the alpha terms.
struct Cxform {
  double rm = 1, gm = 1, bm = 1, am = 1;
  std::int16_t ra = 0, ga = 0, ba = 0, aa = 0;
};

// Little-endian byte sink with an MSB-first bit packer, as SWF records need.
class Writer {
 public:
  void u8(std::uint8_t v);
  void u16(std::uint16_t v);
  void u32(std::uint32_t v);
  void s16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
  void f32(float v);
  void f64(double v);  // IEEE double, little-endian
  void fixed8(double v);   // 8.8 signed fixed point, 2 bytes
  void fixed16(double v);  // 16.16 signed fixed point, 4 bytes
  void str(const std::string& s);  // null-terminated
  void append(const Bytes& b);
  void rgb(Rgba c);
  void rgba(Rgba c);

  void ub(unsigned nbits, std::uint32_t v);  // unsigned bit field, MSB first
  void sb(unsigned nbits, std::int32_t v);   // signed bit field, two's complement
  void align();                              // pad the partial byte with zero bits

  void rect(const Rect& r);
  void matrix(const Matrix& m);
  void cxform(const Cxform& c, bool with_alpha);

  const Bytes& bytes() const { return out_; }
  Bytes take() { align(); return std::move(out_); }
  std::size_t size() const { return out_.size(); }

 private:
  Bytes out_;
  unsigned bitpos_ = 0;  // bits used in the last byte; 0 = byte aligned
};

// Bits a value needs in a bit field; the signed count includes the sign bit.
unsigned sbits(std::int32_t v);
unsigned ubits(std::uint32_t v);

// Encoded records, byte aligned.
Bytes rect_bytes(const Rect& r);
Bytes matrix_bytes(const Matrix& m);
Bytes cxform_bytes(const Cxform& c, bool with_alpha);

// A tag: short header (code << 6 | length) when the body is under 63 bytes and
// `force_long` is false, otherwise the long form (0x3F then a u32 length).
Bytes tag_bytes(std::uint16_t code, const Bytes& body, bool force_long = false);

// Tag codes, as the format numbers them.
namespace tag {
constexpr std::uint16_t End = 0, ShowFrame = 1, DefineShape = 2, PlaceObject = 4,
                        RemoveObject = 5, DefineBits = 6, DefineButton = 7, JPEGTables = 8,
                        SetBackgroundColor = 9, DefineFont = 10, DefineText = 11, DoAction = 12,
                        DefineFontInfo = 13, DefineBitsLossless = 20, DefineBitsJPEG2 = 21,
                        DefineShape2 = 22, DefineButtonCxform = 23, Protect = 24,
                        PlaceObject2 = 26, RemoveObject2 = 28, DefineShape3 = 32,
                        DefineText2 = 33, DefineButton2 = 34, DefineBitsJPEG3 = 35,
                        DefineBitsLossless2 = 36, DefineEditText = 37, DefineSprite = 39,
                        FrameLabel = 43, DefineMorphShape = 46, DefineFont2 = 48,
                        ExportAssets = 56, DoInitAction = 59, FileAttributes = 69,
                        PlaceObject3 = 70, DefineFontAlignZones = 73, DefineFont3 = 75,
                        SymbolClass = 76, Metadata = 77, DefineScalingGrid = 78, DoABC = 82,
                        DefineShape4 = 83, DefineSceneAndFrameLabelData = 86,
                        DefineSound = 14, StartSound = 15, DefineButtonSound = 17,
                        SoundStreamHead = 18, SoundStreamBlock = 19, SoundStreamHead2 = 45,
                        StartSound2 = 89;
}  // namespace tag

// ---------------------------------------------------------------------------
// Actions (DoAction bodies, button actions)

// Action codes used by the named builders and handy for `op`.
namespace op {
constexpr std::uint8_t End = 0x00, NextFrame = 0x04, PrevFrame = 0x05, Play = 0x06, Stop = 0x07,
                       ToggleQuality = 0x08, StopSounds = 0x09, Add = 0x0A, Subtract = 0x0B,
                       Multiply = 0x0C, Divide = 0x0D, Equals = 0x0E, Less = 0x0F, And = 0x10,
                       Or = 0x11, Not = 0x12, Pop = 0x17, GetVariable = 0x1C,
                       SetVariable = 0x1D, SetTarget2 = 0x20, GetProperty = 0x22,
                       SetProperty = 0x23, Trace = 0x26, GetTime = 0x34, CallFunction = 0x3D,
                       Return = 0x3E, NewObject = 0x40, DefineLocal = 0x3C, Add2 = 0x47,
                       Less2 = 0x48, Equals2 = 0x49, GetMember = 0x4E, SetMember = 0x4F,
                       Increment = 0x50, Decrement = 0x51, CallMethod = 0x52,
                       GotoFrame = 0x81, GetURL = 0x83, StoreRegister = 0x87,
                       ConstantPool = 0x88, WaitForFrame = 0x8A, SetTarget = 0x8B,
                       GoToLabel = 0x8C, DefineFunction2 = 0x8E, Push = 0x96, Jump = 0x99,
                       GetURL2 = 0x9A, DefineFunction = 0x9B, If = 0x9D, Call = 0x9E,
                       GotoFrame2 = 0x9F;
}  // namespace op

// Each builder appends one action record; each push_* is its own ActionPush.
// `end()` appends ActionEndFlag; DoAction and button actions add it themselves
// when the caller has not, so `end()` is only needed for raw use.
class Actions {
 public:
  Actions& op(std::uint8_t code);                      // an action without payload
  Actions& op(std::uint8_t code, const Bytes& payload);  // code >= 0x80: length + payload
  Actions& raw(const Bytes& bytes);

  Actions& next_frame() { return op(op::NextFrame); }
  Actions& prev_frame() { return op(op::PrevFrame); }
  Actions& play() { return op(op::Play); }
  Actions& stop() { return op(op::Stop); }
  Actions& goto_frame(std::uint16_t frame);  // 0-based frame index
  Actions& goto_label(const std::string& label);
  Actions& get_url(const std::string& url, const std::string& target);
  Actions& fscommand(const std::string& command, const std::string& args) {
    return get_url("FSCommand:" + command, args);
  }
  Actions& get_url2(std::uint8_t flags = 0);  // pops target and url
  Actions& set_target(const std::string& target);
  Actions& wait_for_frame(std::uint16_t frame, std::uint8_t skip_count);
  Actions& goto_frame2(bool play);  // pops a frame number or label
  Actions& jump(std::int16_t offset);     // from the end of this action
  Actions& if_true(std::int16_t offset);  // pops a condition
  Actions& store_register(std::uint8_t r);
  Actions& constant_pool(const std::vector<std::string>& constants);

  Actions& push_string(const std::string& s);
  Actions& push_float(float f);
  Actions& push_null();
  Actions& push_undefined();
  Actions& push_register(std::uint8_t r);
  Actions& push_bool(bool b);
  Actions& push_number(double d);  // pushed as a double
  Actions& push_int(std::int32_t i);
  Actions& push_constant(std::uint16_t index);  // 8-bit form below 256

  Actions& get_variable() { return op(op::GetVariable); }
  Actions& set_variable() { return op(op::SetVariable); }
  Actions& trace() { return op(op::Trace); }

  Actions& end() { return op(op::End); }

  std::size_t size() const { return bytes_.size(); }
  const Bytes& bytes() const { return bytes_; }
  Bytes ended() const;  // the bytes with a trailing ActionEndFlag if missing

 private:
  Bytes bytes_;
  bool ended_ = false;  // last record written was ActionEndFlag
};

// ---------------------------------------------------------------------------
// Shapes

struct GradientRecord {
  std::uint8_t ratio = 0;
  Rgba colour;
};

enum class Spread : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
enum class Interpolation : std::uint8_t { Normal = 0, Linear = 1 };

// Gradients live in a 32768-twip square centred on the origin; the fill
// matrix maps that square onto the shape.
struct Gradient {
  std::vector<GradientRecord> records;
  Spread spread = Spread::Pad;                        // DefineShape4 only
  Interpolation interpolation = Interpolation::Normal;  // DefineShape4 only
  double focal_point = 0;  // -1..1, used by FillStyle::FocalRadial only
};

struct FillStyle {
  enum Type : std::uint8_t {
    Solid = 0x00, Linear = 0x10, Radial = 0x12, FocalRadial = 0x13,
    RepeatingBitmap = 0x40, ClippedBitmap = 0x41, NonSmoothedRepeatingBitmap = 0x42,
    NonSmoothedClippedBitmap = 0x43
  };
  std::uint8_t type = Solid;
  Rgba colour;         // Solid
  Matrix matrix;       // gradients and bitmaps
  Gradient gradient;   // gradients
  std::uint16_t bitmap_id = 0xFFFF;  // bitmaps

  static FillStyle solid(Rgba c);
  static FillStyle linear(const Matrix& m, const Gradient& g);
  static FillStyle radial(const Matrix& m, const Gradient& g);
  static FillStyle focal(const Matrix& m, const Gradient& g);
  // Bitmap pixels are twips in the fill's space: scale 20 shows them 1:1 in pixels.
  static FillStyle bitmap(std::uint16_t id, const Matrix& m, bool repeat = true,
                          bool smooth = true);
};

// The gradient matrix that maps the gradient square onto a box (twips):
// horizontal for linear gradients, centred circle/ellipse for radial ones.
Matrix gradient_box(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

struct LineStyle {
  std::uint16_t width = 20;  // twips
  Rgba colour;
  // LineStyle2 (DefineShape4 only)
  enum Cap : std::uint8_t { RoundCap = 0, NoCap = 1, SquareCap = 2 };
  enum Join : std::uint8_t { RoundJoin = 0, BevelJoin = 1, MiterJoin = 2 };
  std::uint8_t start_cap = RoundCap, end_cap = RoundCap, join = RoundJoin;
  double miter_limit = 3;  // when join == MiterJoin
  bool no_hscale = false, no_vscale = false, pixel_hinting = false, no_close = false;
  std::optional<FillStyle> fill;  // replaces colour when set

  static LineStyle solid(std::uint16_t width, Rgba colour) {
    LineStyle l;
    l.width = width;
    l.colour = colour;
    return l;
  }
};

// A shape being drawn: style arrays and a pen. Versions 1..4 select
// DefineShape, DefineShape2, 3 and 4: v1 keeps at most 255 styles per array
// and RGB colours, v2 allows the 0xFF extended count and new style arrays,
// v3 writes RGBA, v4 writes LineStyle2, focal gradients and edge bounds.
class Shape {
 public:
  explicit Shape(int version = 1) : version_(version) {}
  int version() const { return version_; }

  std::uint16_t add_fill(const FillStyle& f);  // returns the 1-based index
  std::uint16_t add_line(const LineStyle& l);  // returns the 1-based index
  // StateNewStyles: later add_fill/add_line calls fill fresh arrays that
  // replace the old ones from this point (DefineShape2 and later).
  Shape& new_styles();

  Shape& set_fill0(std::uint16_t index);  // 0 = no fill
  Shape& set_fill1(std::uint16_t index);
  Shape& set_line(std::uint16_t index);
  Shape& move_to(std::int32_t x, std::int32_t y);
  Shape& line_to(std::int32_t x, std::int32_t y);
  Shape& curve_to(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y);
  Shape& rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);  // closed path

  Rect bounds() const;       // edges, control points and half the widest line
  Rect edge_bounds() const;  // edges and control points only

  // SHAPEWITHSTYLE (styles, bit counts, records, EndShapeRecord).
  Bytes shape_with_style() const;
  // SHAPE without styles, as font glyphs store it: NumFillBits 1, NumLineBits 0.
  Bytes glyph_shape() const;

 private:
  struct Styles {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
  };
  struct Change {
    std::optional<std::uint16_t> fill0, fill1, line;
    std::optional<std::pair<std::int32_t, std::int32_t>> move;
    std::optional<Styles> new_styles;
  };
  struct Edge {
    bool curve = false;
    std::int32_t cx = 0, cy = 0, x = 0, y = 0;  // absolute twips
  };
  struct Item {
    bool is_edge = false;
    Change change;
    Edge edge;
  };
  Change& pending();
  void write_records(Writer& w, unsigned fill_bits, unsigned line_bits, bool with_styles) const;
  void write_styles(Writer& w, const Styles& s) const;

  Styles& current_styles();

  int version_;
  Styles styles_;
  int styles_item_ = -1;  // index in items_ of the Change holding the current styles
  std::vector<Item> items_;
  std::int32_t pen_x_ = 0, pen_y_ = 0;
  std::uint16_t max_line_width_ = 0;
};

// A filled rectangle from (0,0) to (w,h) in twips, no outline.
Shape rect_shape(std::int32_t w, std::int32_t h, Rgba fill, int version = 3);

// ---------------------------------------------------------------------------
// Sounds

// The four format fields of DefineSound and the stream heads. Codecs: 0
// native PCM, 1 ADPCM, 2 MP3, 3 little-endian PCM, 4-6 Nellymoser, 7 A-law,
// 8 mu-law. Rate codes: 0 5.5 kHz, 1 11 kHz, 2 22 kHz, 3 44 kHz.
struct SoundFormat {
  std::uint8_t codec = 3;
  std::uint8_t rate_code = 3;
  bool sixteen_bit = true;
  bool stereo = false;
  double rate() const;  // samples a second
};

struct EnvelopePoint {
  std::uint32_t position44 = 0;
  std::uint16_t left = 32768, right = 32768;
};

// SOUNDINFO; unset fields are left out.
struct SoundInfo {
  bool stop = false, no_multiple = false;
  std::optional<std::uint32_t> in_point, out_point;
  std::optional<std::uint16_t> loops;
  std::vector<EnvelopePoint> envelope;  // written when not empty (at most 255)
};
Bytes sound_info_bytes(const SoundInfo& info);

// Test signals: a sine of `hz` at `amplitude` (of full scale), interleaved
// with the same samples in each channel.
std::vector<std::int16_t> tone(double hz, double seconds, double rate, double amplitude = 0.5,
                               unsigned channels = 1);
// 16-bit little-endian bytes of the samples.
Bytes pcm16(const std::vector<std::int16_t>& samples);
// The file format's ADPCM at 2 to 5 bits a sample: the code size, then
// packets of 4096 frames.
Bytes adpcm_encode(const std::vector<std::int16_t>& samples, unsigned channels, unsigned bits);
// MP3 frames of the samples (by libmp3lame), at a rate MP3 allows.
Bytes mp3_encode(const std::vector<std::int16_t>& samples, unsigned channels, int rate,
                 int kbps = 64);
// The body of an MP3 SoundStreamBlock, and of an MP3 DefineSound's data.
Bytes mp3_stream_block(std::uint16_t sample_count, std::int16_t seek, const Bytes& frames);
Bytes mp3_sound_data(std::int16_t seek, const Bytes& frames);

// ---------------------------------------------------------------------------
// Display list

// PlaceObject2 / PlaceObject3. Unset fields are left out of the record.
struct Place {
  std::uint16_t depth = 1;
  bool move = false;  // PlaceFlagMove: modify (or, with a character, replace) what is at depth
  std::optional<std::uint16_t> character;
  std::optional<Matrix> matrix;
  std::optional<Cxform> cxform;
  std::optional<std::uint16_t> ratio;
  std::optional<std::string> name;
  std::optional<std::uint16_t> clip_depth;
  // PlaceObject3 only
  std::optional<std::string> class_name;
  std::optional<std::uint8_t> blend_mode;
  bool cache_as_bitmap = false;
  std::vector<Bytes> filters;  // each from one of the *_filter functions below
};

// Filter records for Place::filters, each with its id byte first.
struct FilterOptions {
  double blur_x = 4, blur_y = 4, angle = 0.785398, distance = 4, strength = 1;
  bool inner = false, knockout = false, hide_object = false, on_top = false;
  int passes = 1;
};
Bytes blur_filter(double blur_x, double blur_y, int passes);
Bytes drop_shadow_filter(Rgba color, const FilterOptions& o);
Bytes glow_filter(Rgba color, const FilterOptions& o);
Bytes bevel_filter(Rgba highlight, Rgba shadow, const FilterOptions& o);
Bytes color_matrix_filter(const std::vector<float>& matrix);  // 20 values

// The tags a movie and a sprite share: frames, display list and actions.
class Timeline {
 public:
  void tag(std::uint16_t code, const Bytes& body, bool force_long = false);
  void show_frame();
  void frame_label(const std::string& name, bool anchor = false);
  void do_action(const Actions& a);

  void place(const Place& p);   // PlaceObject2
  void place3(const Place& p);  // PlaceObject3
  void place(std::uint16_t depth, std::uint16_t character, const Matrix& m = {},
             std::optional<Cxform> cx = {}, const std::string& name = "",
             std::uint16_t clip_depth = 0);
  void move(std::uint16_t depth, const Matrix& m, std::optional<Cxform> cx = {});
  void remove(std::uint16_t depth);                          // RemoveObject2
  void remove1(std::uint16_t character, std::uint16_t depth);  // RemoveObject

  void start_sound(std::uint16_t id, const SoundInfo& info = {});
  void start_sound2(const std::string& class_name, const SoundInfo& info = {});
  // SoundStreamHead2 (SoundStreamHead when `version1`); MP3 adds LatencySeek.
  void sound_stream_head(const SoundFormat& f, std::uint16_t samples_per_block,
                         std::int16_t latency_seek = 0, bool version1 = false);
  // A SoundStreamBlock with the bytes as given (MP3 blocks start with their
  // sample count and seek: see mp3_stream_block).
  void sound_stream_block(const Bytes& data);

  // Frames counted so far (ShowFrame tags), unless overridden: hostile tests
  // set a header count that disagrees with the tags.
  std::uint16_t frame_count() const { return frame_count_ ? *frame_count_ : frames_; }
  void set_frame_count(std::uint16_t n) { frame_count_ = n; }

  const Bytes& tags() const { return tags_; }  // without the End tag

 protected:
  Bytes tags_;
  std::uint16_t frames_ = 0;
  std::optional<std::uint16_t> frame_count_;
};

class Sprite : public Timeline {
 public:
  Sprite() = default;
  explicit Sprite(std::uint16_t frame_count) { set_frame_count(frame_count); }
};

// ---------------------------------------------------------------------------
// Buttons

struct ButtonRecord {
  enum State : std::uint8_t { Up = 1, Over = 2, Down = 4, HitTest = 8 };
  std::uint8_t states = Up | Over | Down | HitTest;
  std::uint16_t character = 0;
  std::uint16_t depth = 1;
  Matrix matrix;
  Cxform cxform;  // DefineButton2 only
};

// BUTTONCONDACTION conditions as one 16-bit value: the high byte is the
// record's first flag byte (CondIdleToOverDown in its top bit), the low byte
// its second (key code in bits 7..1, CondOverDownToIdle in bit 0).
namespace cond {
constexpr std::uint16_t IdleToOverUp = 0x0100, OverUpToIdle = 0x0200,
                        OverUpToOverDown = 0x0400, OverDownToOverUp = 0x0800,
                        OverDownToOutDown = 0x1000, OutDownToOverDown = 0x2000,
                        OutDownToIdle = 0x4000, IdleToOverDown = 0x8000,
                        OverDownToIdle = 0x0001;
constexpr std::uint16_t press = OverUpToOverDown;    // on (press)
constexpr std::uint16_t release = OverDownToOverUp;  // on (release): release inside
constexpr std::uint16_t key(std::uint8_t code) { return static_cast<std::uint16_t>(code << 1); }
}  // namespace cond

struct ButtonAction {
  std::uint16_t conditions = cond::release;
  Actions actions;
};

struct Button {
  std::vector<ButtonRecord> records;
  std::vector<ButtonAction> actions;
  bool track_as_menu = false;
};

// ---------------------------------------------------------------------------
// Fonts and text

// Glyph outlines are in the font's EM square: 1024 units for DefineFont2,
// 20480 for DefineFont3 (the same shape scaled by 20). The writer stores the
// shapes as given; `blocky_font` builds its glyphs for the version asked.
struct Glyph {
  std::uint16_t code = 0;  // UCS-2 (or the byte for narrow code tables)
  Shape shape{1};          // fill style 1 on fill0 or fill1, as glyphs are drawn
  std::int16_t advance = 0;  // EM units
};

struct Font {
  std::string name = "strandel blocky";
  bool bold = false, italic = false, small_text = false, ansi = false, shift_jis = false;
  bool wide_codes = true;
  bool layout = true;  // write ascent/descent/leading, advances, bounds
  std::uint8_t language = 0;
  std::int16_t ascent = 0, descent = 0, leading = 0;  // EM units
  std::vector<Glyph> glyphs;

  int index_of(std::uint16_t code) const;  // -1 when missing
};

// A readable block-letter font for A–Z, a–z, 0–9 and space (lower case drawn
// as small capitals). em = 1024 for DefineFont2, 20480 for DefineFont3.
Font blocky_font(int em = 1024);
// A font without glyphs, for device text in DefineEditText (name such as "_sans").
Font device_font(const std::string& name);

struct GlyphEntry {
  std::uint32_t index = 0;
  std::int32_t advance = 0;  // twips
};

struct TextRecord {
  std::optional<std::uint16_t> font;  // with height
  std::uint16_t height = 240;         // twips, written with the font
  std::optional<Rgba> colour;
  std::optional<std::int16_t> x, y;  // twips
  std::vector<GlyphEntry> glyphs;
};

struct Text {
  Rect bounds;
  Matrix matrix;
  std::vector<TextRecord> records;
};

// One text record spelling `s` with `font`, advances scaled to `height`
// (twips); characters the font lacks are skipped. `em` as in blocky_font.
TextRecord text_line(const Font& font, std::uint16_t font_id, const std::string& s,
                     std::uint16_t height, Rgba colour, std::int16_t x, std::int16_t y,
                     int em = 1024);
// Width in twips of `s` set in `font` at `height`.
std::int32_t text_width(const Font& font, const std::string& s, std::uint16_t height,
                        int em = 1024);

struct EditText {
  Rect bounds;
  std::optional<std::uint16_t> font;  // with height
  std::uint16_t height = 240;
  std::optional<Rgba> colour;
  std::optional<std::uint16_t> max_length;
  std::optional<std::string> text;
  std::string variable;
  bool word_wrap = false, multiline = false, password = false, read_only = true,
       auto_size = false, no_select = false, border = false, was_static = false, html = false,
       use_outlines = false;
  struct Layout {
    std::uint8_t align = 0;  // 0 left, 1 right, 2 centre, 3 justify
    std::uint16_t left_margin = 0, right_margin = 0, indent = 0;
    std::int16_t leading = 0;
  };
  std::optional<Layout> layout;
};

// ---------------------------------------------------------------------------
// Bitmaps

// Row-major pixels with straight (not premultiplied) alpha.
struct Bitmap {
  std::uint16_t width = 0, height = 0;
  std::vector<Rgba> pixels;
  Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A baseline JPEG of the bitmap's colours (alpha ignored), SOI to EOI.
Bytes jpeg_encode(const Bitmap& b, int quality = 90);
// Splits a JPEG stream into its tables (SOI, DQT, DHT, EOI) and the rest
// (SOI, frame, scan, EOI), as JPEGTables and DefineBits keep them.
std::pair<Bytes, Bytes> jpeg_split(const Bytes& jpeg);

// ---------------------------------------------------------------------------
// The movie

enum class Container { FWS, CWS, ZWS };

class Movie : public Timeline {
 public:
  Movie(std::uint8_t version, int width_px, int height_px, double fps);

  void background(std::uint8_t r, std::uint8_t g, std::uint8_t b);  // SetBackgroundColor
  void file_attributes(bool as3 = false, bool use_network = false);  // FileAttributes
  void do_init_action(std::uint16_t sprite, const Actions& a);
  void export_assets(const std::vector<std::pair<std::uint16_t, std::string>>& assets);

  void define_shape(std::uint16_t id, const Shape& s);  // tag from the shape's version
  void define_sprite(std::uint16_t id, const Sprite& s);

  void define_button(std::uint16_t id, const std::vector<ButtonRecord>& records,
                     const Actions& actions);  // DefineButton: runs on release
  void define_button2(std::uint16_t id, const Button& b);
  void define_button_cxform(std::uint16_t id, const Cxform& c);
  // One sound (0: none) and its info for roll out, roll over, press, release.
  void define_button_sound(std::uint16_t button,
                           const std::vector<std::pair<std::uint16_t, SoundInfo>>& sounds);
  // DefineSound; an MP3's data starts with SeekSamples (see mp3_sound_data).
  void define_sound(std::uint16_t id, const SoundFormat& f, std::uint32_t sample_count,
                    const Bytes& data);

  void define_font2(std::uint16_t id, const Font& f);
  void define_font3(std::uint16_t id, const Font& f);
  void define_text(std::uint16_t id, const Text& t);   // RGB colours
  void define_text2(std::uint16_t id, const Text& t);  // RGBA colours
  void define_edit_text(std::uint16_t id, const EditText& e);

  void define_bits_lossless(std::uint16_t id, const Bitmap& b);   // format 5, alpha dropped
  void define_bits_lossless2(std::uint16_t id, const Bitmap& b);  // format 5, premultiplied ARGB
  // Format 3: one byte a pixel indexing `palette`; rows padded to 4 bytes.
  // With alpha the tag is DefineBitsLossless2 and the palette RGBA.
  void define_bits_indexed(std::uint16_t id, std::uint16_t width, std::uint16_t height,
                           const std::vector<Rgba>& palette,
                           const std::vector<std::uint8_t>& indices, bool alpha);
  void define_bits_jpeg2(std::uint16_t id, const Bitmap& b, int quality = 90);
  void define_bits_jpeg3(std::uint16_t id, const Bitmap& b, int quality = 90);
  // JPEGTables (written once, before the first call) then DefineBits.
  void define_bits(std::uint16_t id, const Bitmap& b, int quality = 90);

  std::uint8_t version() const { return version_; }
  Rect frame_size() const { return frame_size_; }
  void set_frame_size(const Rect& r) { frame_size_ = r; }

  // The whole file: header, tags, End.
  Bytes bytes(Container c = Container::FWS) const;
  // Writes the file; false on an I/O error.
  bool write(const std::string& path, Container c = Container::FWS) const;

 private:
  std::uint8_t version_;
  Rect frame_size_;
  double fps_;
  bool jpeg_tables_written_ = false;
};

}  // namespace swfw
