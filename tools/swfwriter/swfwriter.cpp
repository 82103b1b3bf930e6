// Byte and bit packing, the basic records, tags, timelines and the containers.
#include "swfwriter/swfwriter.h"

#include <lzma.h>
#include <zlib.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>

namespace swfw {

// ---------------------------------------------------------------------------
// Writer

void Writer::u8(std::uint8_t v) {
  align();
  out_.push_back(v);
}

void Writer::u16(std::uint16_t v) {
  u8(static_cast<std::uint8_t>(v));
  u8(static_cast<std::uint8_t>(v >> 8));
}

void Writer::u32(std::uint32_t v) {
  u16(static_cast<std::uint16_t>(v));
  u16(static_cast<std::uint16_t>(v >> 16));
}

void Writer::f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }

void Writer::f64(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  u32(static_cast<std::uint32_t>(bits));
  u32(static_cast<std::uint32_t>(bits >> 32));
}

void Writer::fixed8(double v) { s16(static_cast<std::int16_t>(std::lround(v * 256))); }

void Writer::fixed16(double v) { u32(static_cast<std::uint32_t>(std::lround(v * 65536))); }

void Writer::str(const std::string& s) {
  for (char c : s) u8(static_cast<std::uint8_t>(c));
  u8(0);
}

void Writer::append(const Bytes& b) {
  align();
  out_.insert(out_.end(), b.begin(), b.end());
}

void Writer::rgb(Rgba c) {
  u8(c.r);
  u8(c.g);
  u8(c.b);
}

void Writer::rgba(Rgba c) {
  rgb(c);
  u8(c.a);
}

void Writer::ub(unsigned nbits, std::uint32_t v) {
  for (unsigned i = nbits; i-- > 0;) {
    if (bitpos_ == 0) out_.push_back(0);
    if ((v >> i) & 1) out_.back() |= static_cast<std::uint8_t>(0x80 >> bitpos_);
    bitpos_ = (bitpos_ + 1) % 8;
  }
}

void Writer::sb(unsigned nbits, std::int32_t v) { ub(nbits, static_cast<std::uint32_t>(v)); }

void Writer::align() { bitpos_ = 0; }

unsigned ubits(std::uint32_t v) { return static_cast<unsigned>(std::bit_width(v)); }

unsigned sbits(std::int32_t v) {
  if (v == 0) return 0;
  const auto magnitude = static_cast<std::uint32_t>(v < 0 ? ~v : v);
  return ubits(magnitude) + 1;
}

static unsigned max_sbits(std::initializer_list<std::int32_t> values) {
  unsigned n = 0;
  for (auto v : values) n = std::max(n, sbits(v));
  return n;
}

// RECT: Nbits UB[5], then Xmin, Xmax, Ymin, Ymax as SB[Nbits].
void Writer::rect(const Rect& r) {
  const unsigned n = max_sbits({r.xmin, r.xmax, r.ymin, r.ymax});
  ub(5, n);
  sb(n, r.xmin);
  sb(n, r.xmax);
  sb(n, r.ymin);
  sb(n, r.ymax);
  align();
}

static std::int32_t to_16_16(double v) { return static_cast<std::int32_t>(std::lround(v * 65536)); }

// MATRIX: optional scale pair, optional rotate/skew pair (16.16 as SB), then
// the translation (twips as SB), each pair with its own 5-bit size field.
void Writer::matrix(const Matrix& m) {
  const bool has_scale = m.a != 1 || m.d != 1;
  ub(1, has_scale);
  if (has_scale) {
    const std::int32_t sx = to_16_16(m.a), sy = to_16_16(m.d);
    const unsigned n = max_sbits({sx, sy});
    ub(5, n);
    sb(n, sx);
    sb(n, sy);
  }
  const bool has_rotate = m.b != 0 || m.c != 0;
  ub(1, has_rotate);
  if (has_rotate) {
    const std::int32_t r0 = to_16_16(m.b), r1 = to_16_16(m.c);
    const unsigned n = max_sbits({r0, r1});
    ub(5, n);
    sb(n, r0);
    sb(n, r1);
  }
  const unsigned n = max_sbits({m.tx, m.ty});
  ub(5, n);
  sb(n, m.tx);
  sb(n, m.ty);
  align();
}

static std::int32_t to_8_8(double v) { return static_cast<std::int32_t>(std::lround(v * 256)); }

// CXFORM(WITHALPHA): HasAddTerms, HasMultTerms, Nbits UB[4], multipliers
// (8.8 as SB) then add terms; CXFORM has no alpha terms.
void Writer::cxform(const Cxform& c, bool with_alpha) {
  std::vector<std::int32_t> mult = {to_8_8(c.rm), to_8_8(c.gm), to_8_8(c.bm)};
  std::vector<std::int32_t> add = {c.ra, c.ga, c.ba};
  if (with_alpha) {
    mult.push_back(to_8_8(c.am));
    add.push_back(c.aa);
  }
  bool has_mult = false, has_add = false;
  unsigned n = 0;
  for (auto v : mult) has_mult |= v != 256;
  for (auto v : add) has_add |= v != 0;
  if (has_mult)
    for (auto v : mult) n = std::max(n, sbits(v));
  if (has_add)
    for (auto v : add) n = std::max(n, sbits(v));
  ub(1, has_add);
  ub(1, has_mult);
  ub(4, n);
  if (has_mult)
    for (auto v : mult) sb(n, v);
  if (has_add)
    for (auto v : add) sb(n, v);
  align();
}

Bytes rect_bytes(const Rect& r) {
  Writer w;
  w.rect(r);
  return w.take();
}

Bytes matrix_bytes(const Matrix& m) {
  Writer w;
  w.matrix(m);
  return w.take();
}

Bytes cxform_bytes(const Cxform& c, bool with_alpha) {
  Writer w;
  w.cxform(c, with_alpha);
  return w.take();
}

Matrix Matrix::rotate(double radians, std::int32_t tx, std::int32_t ty) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, tx, ty};
}

// Tag header: UI16 code << 6 | length, length 0x3F meaning a UI32 follows.
Bytes tag_bytes(std::uint16_t code, const Bytes& body, bool force_long) {
  Writer w;
  if (body.size() < 0x3F && !force_long) {
    w.u16(static_cast<std::uint16_t>(code << 6 | body.size()));
  } else {
    w.u16(static_cast<std::uint16_t>(code << 6 | 0x3F));
    w.u32(static_cast<std::uint32_t>(body.size()));
  }
  w.append(body);
  return w.take();
}

// ---------------------------------------------------------------------------
// Timeline

void Timeline::tag(std::uint16_t code, const Bytes& body, bool force_long) {
  const Bytes t = tag_bytes(code, body, force_long);
  tags_.insert(tags_.end(), t.begin(), t.end());
}

void Timeline::show_frame() {
  tag(tag::ShowFrame, {});
  ++frames_;
}

void Timeline::frame_label(const std::string& name, bool anchor) {
  Writer w;
  w.str(name);
  if (anchor) w.u8(1);
  tag(tag::FrameLabel, w.take());
}

void Timeline::do_action(const Actions& a) { tag(tag::DoAction, a.ended()); }

// PlaceObject2/3 share the first flag byte and the field order after the
// depth; PlaceObject3 adds a second flag byte, a class name and trailing fields.
static Bytes place_body(const Place& p, bool v3) {
  Writer w;
  w.ub(1, 0);  // no clip actions
  w.ub(1, p.clip_depth.has_value());
  w.ub(1, p.name.has_value());
  w.ub(1, p.ratio.has_value());
  w.ub(1, p.cxform.has_value());
  w.ub(1, p.matrix.has_value());
  w.ub(1, p.character.has_value());
  w.ub(1, p.move);
  if (v3) {
    w.ub(3, 0);  // reserved, opaque background, visible
    w.ub(1, 0);  // has image
    w.ub(1, p.class_name.has_value());
    w.ub(1, p.cache_as_bitmap);
    w.ub(1, p.blend_mode.has_value());
    w.ub(1, !p.filters.empty());
  }
  w.u16(p.depth);
  if (v3 && p.class_name) w.str(*p.class_name);
  if (p.character) w.u16(*p.character);
  if (p.matrix) w.matrix(*p.matrix);
  if (p.cxform) w.cxform(*p.cxform, true);
  if (p.ratio) w.u16(*p.ratio);
  if (p.name) w.str(*p.name);
  if (p.clip_depth) w.u16(*p.clip_depth);
  if (v3 && !p.filters.empty()) {
    w.u8(static_cast<std::uint8_t>(p.filters.size()));
    for (const Bytes& f : p.filters) w.append(f);
  }
  if (v3 && p.blend_mode) w.u8(*p.blend_mode);
  if (v3 && p.cache_as_bitmap) w.u8(1);
  return w.take();
}

void Timeline::place(const Place& p) { tag(tag::PlaceObject2, place_body(p, false)); }

Bytes blur_filter(double blur_x, double blur_y, int passes) {
  Writer w;
  w.u8(1);
  w.fixed16(blur_x);
  w.fixed16(blur_y);
  w.ub(5, passes);
  w.ub(3, 0);
  return w.take();
}

// The closing flags of shadows, glows and bevels: inner, knockout,
// composite source, then on-top and four bits of passes, or five of passes.
static void filter_flags(Writer& w, const FilterOptions& o, bool with_on_top) {
  w.ub(1, o.inner);
  w.ub(1, o.knockout);
  w.ub(1, !o.hide_object);
  if (with_on_top) {
    w.ub(1, o.on_top);
    w.ub(4, o.passes);
  } else {
    w.ub(5, o.passes);
  }
}

Bytes drop_shadow_filter(Rgba color, const FilterOptions& o) {
  Writer w;
  w.u8(0);
  w.rgba(color);
  for (double v : {o.blur_x, o.blur_y, o.angle, o.distance}) w.fixed16(v);
  w.fixed8(o.strength);
  filter_flags(w, o, false);
  return w.take();
}

Bytes glow_filter(Rgba color, const FilterOptions& o) {
  Writer w;
  w.u8(2);
  w.rgba(color);
  w.fixed16(o.blur_x);
  w.fixed16(o.blur_y);
  w.fixed8(o.strength);
  filter_flags(w, o, false);
  return w.take();
}

Bytes bevel_filter(Rgba highlight, Rgba shadow, const FilterOptions& o) {
  Writer w;
  w.u8(3);
  w.rgba(highlight);
  w.rgba(shadow);
  for (double v : {o.blur_x, o.blur_y, o.angle, o.distance}) w.fixed16(v);
  w.fixed8(o.strength);
  filter_flags(w, o, true);
  return w.take();
}

Bytes color_matrix_filter(const std::vector<float>& matrix) {
  Writer w;
  w.u8(6);
  for (std::size_t i = 0; i < 20; ++i) w.f32(i < matrix.size() ? matrix[i] : 0.0f);
  return w.take();
}

void Timeline::place3(const Place& p) { tag(tag::PlaceObject3, place_body(p, true)); }

void Timeline::place(std::uint16_t depth, std::uint16_t character, const Matrix& m,
                     std::optional<Cxform> cx, const std::string& name,
                     std::uint16_t clip_depth) {
  Place p;
  p.depth = depth;
  p.character = character;
  p.matrix = m;
  p.cxform = cx;
  if (!name.empty()) p.name = name;
  if (clip_depth) p.clip_depth = clip_depth;
  place(p);
}

void Timeline::move(std::uint16_t depth, const Matrix& m, std::optional<Cxform> cx) {
  Place p;
  p.depth = depth;
  p.move = true;
  p.matrix = m;
  p.cxform = cx;
  place(p);
}

void Timeline::remove(std::uint16_t depth) {
  Writer w;
  w.u16(depth);
  tag(tag::RemoveObject2, w.take());
}

void Timeline::remove1(std::uint16_t character, std::uint16_t depth) {
  Writer w;
  w.u16(character);
  w.u16(depth);
  tag(tag::RemoveObject, w.take());
}

// ---------------------------------------------------------------------------
// Movie

Movie::Movie(std::uint8_t version, int width_px, int height_px, double fps)
    : version_(version), frame_size_{0, width_px * 20, 0, height_px * 20}, fps_(fps) {}

void Movie::background(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  Writer w;
  w.rgb(rgb(r, g, b));
  tag(tag::SetBackgroundColor, w.take());
}

// FileAttributes: UseDirectBlit, UseGPU, HasMetadata, ActionScript3 and
// UseNetwork sit in bits 6..0 of the first byte; three reserved bytes follow.
void Movie::file_attributes(bool as3, bool use_network) {
  Writer w;
  w.u8(static_cast<std::uint8_t>((as3 ? 0x08 : 0) | (use_network ? 0x01 : 0)));
  w.u8(0);
  w.u16(0);
  tag(tag::FileAttributes, w.take());
}

void Movie::do_init_action(std::uint16_t sprite, const Actions& a) {
  Writer w;
  w.u16(sprite);
  w.append(a.ended());
  tag(tag::DoInitAction, w.take());
}

void Movie::export_assets(const std::vector<std::pair<std::uint16_t, std::string>>& assets) {
  Writer w;
  w.u16(static_cast<std::uint16_t>(assets.size()));
  for (const auto& [id, name] : assets) {
    w.u16(id);
    w.str(name);
  }
  tag(tag::ExportAssets, w.take());
}

// DefineSprite: id, frame count, then the sprite's control tags and End.
void Movie::define_sprite(std::uint16_t id, const Sprite& s) {
  Writer w;
  w.u16(id);
  w.u16(s.frame_count());
  w.append(s.tags());
  w.u16(0);
  tag(tag::DefineSprite, w.take());
}

static Bytes zlib_compress(const Bytes& in) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  Bytes out(size);
  compress2(out.data(), &size, in.data(), static_cast<uLong>(in.size()), Z_BEST_COMPRESSION);
  out.resize(size);
  return out;
}

// The LZMA-alone encoder writes 5 properties bytes, an 8-byte size (unknown,
// so all ones) and the stream, which then ends with an end marker.
static Bytes lzma_alone_compress(const Bytes& in) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  lzma_stream strm = LZMA_STREAM_INIT;
  if (lzma_alone_encoder(&strm, &options) != LZMA_OK) return {};
  Bytes out(in.size() + in.size() / 2 + 1024);
  strm.next_in = in.data();
  strm.avail_in = in.size();
  strm.next_out = out.data();
  strm.avail_out = out.size();
  lzma_ret ret = LZMA_OK;
  while (ret == LZMA_OK) {
    if (strm.avail_out == 0) {
      const std::size_t used = out.size();
      out.resize(out.size() * 2);
      strm.next_out = out.data() + used;
      strm.avail_out = out.size() - used;
    }
    ret = lzma_code(&strm, LZMA_FINISH);
  }
  out.resize(strm.total_out);
  lzma_end(&strm);
  return ret == LZMA_STREAM_END ? out : Bytes{};
}

Bytes Movie::bytes(Container c) const {
  Writer rest;  // everything after the 8-byte file header
  rest.rect(frame_size_);
  rest.fixed8(fps_);
  rest.u16(frame_count());
  rest.append(tags_);
  rest.u16(0);  // End
  const Bytes body = rest.take();
  const auto file_length = static_cast<std::uint32_t>(8 + body.size());

  Writer w;
  const char* signature = c == Container::FWS ? "FWS" : c == Container::CWS ? "CWS" : "ZWS";
  for (int i = 0; i < 3; ++i) w.u8(static_cast<std::uint8_t>(signature[i]));
  w.u8(version_);
  w.u32(file_length);
  if (c == Container::FWS) {
    w.append(body);
  } else if (c == Container::CWS) {
    w.append(zlib_compress(body));
  } else {
    // ZWS: compressed length, the 5 properties bytes, then the raw stream.
    const Bytes alone = lzma_alone_compress(body);
    if (alone.size() < 13) return {};
    w.u32(static_cast<std::uint32_t>(alone.size() - 13));
    w.append(Bytes(alone.begin(), alone.begin() + 5));
    w.append(Bytes(alone.begin() + 13, alone.end()));
  }
  return w.take();
}

bool Movie::write(const std::string& path, Container c) const {
  const Bytes b = bytes(c);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return !b.empty() && static_cast<bool>(f);
}

}  // namespace swfw
