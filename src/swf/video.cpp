// Embedded video is decoded by the codec library of the system (H.263,
// VP6 and screen video). The libraries are loaded with dlopen the first time
// a movie shows a video frame: they bring some seventy libraries with them,
// which the path to the first paint, and a movie without video, should not
// pay for. Without them, video frames stay empty.
#include "swf/video.h"

#include <dlfcn.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace strandel::swf {

namespace {

// A stream larger than this on either side is not decoded: the file
// format's own sizes are 16 bits, but a picture of 65535² pixels would not
// fit in memory.
constexpr int kMaxVideoSide = 4096;
// Frames decoded to reach the one asked for; further back, decoding starts
// at the frame this many before it (inter frames may then show damage).
constexpr int kMaxCatchUp = 300;

#define STRANDEL_TEXT(x) #x
#define STRANDEL_SONAME(base, major) "lib" base ".so." STRANDEL_TEXT(major)
// The libraries of the versions the headers describe.
constexpr const char* kLibraries[] = {STRANDEL_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR),
                                      STRANDEL_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR),
                                      STRANDEL_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR)};
#undef STRANDEL_SONAME
#undef STRANDEL_TEXT

// The functions used, resolved by name from the libraries.
struct Api {
#define STRANDEL_AV(name) decltype(&::name) name = nullptr;
#define STRANDEL_AV_FUNCTIONS                                                             \
  STRANDEL_AV(av_log_set_level)                                                           \
  STRANDEL_AV(av_frame_alloc) STRANDEL_AV(av_frame_free) STRANDEL_AV(av_frame_unref)      \
      STRANDEL_AV(av_new_packet) STRANDEL_AV(av_packet_alloc) STRANDEL_AV(av_packet_free) \
          STRANDEL_AV(av_packet_unref) STRANDEL_AV(avcodec_alloc_context3)                \
              STRANDEL_AV(avcodec_find_decoder) STRANDEL_AV(avcodec_flush_buffers)        \
                  STRANDEL_AV(avcodec_free_context) STRANDEL_AV(avcodec_open2)            \
                      STRANDEL_AV(avcodec_receive_frame) STRANDEL_AV(avcodec_send_packet) \
                          STRANDEL_AV(sws_freeContext) STRANDEL_AV(sws_getCachedContext)  \
                              STRANDEL_AV(sws_scale)
  STRANDEL_AV_FUNCTIONS
#undef STRANDEL_AV

  // False when a library or a function is missing. The libraries stay
  // loaded for the program's life.
  bool load() {
    void* libs[std::size(kLibraries)];
    for (std::size_t i = 0; i < std::size(kLibraries); ++i)
      if (!(libs[i] = dlopen(kLibraries[i], RTLD_NOW | RTLD_LOCAL))) return false;
    auto find = [&libs](const char* name) -> void* {
      for (void* lib : libs)
        if (void* f = dlsym(lib, name)) return f;
      return nullptr;
    };
#define STRANDEL_AV(name)                               \
  name = reinterpret_cast<decltype(name)>(find(#name)); \
  if (!name) return false;
    STRANDEL_AV_FUNCTIONS
#undef STRANDEL_AV
    // Damaged frames in a movie are its own affair: the libraries would
    // print a line for each one.
    av_log_set_level(AV_LOG_QUIET);
    return true;
  }
};

// The loaded libraries, or null when they cannot be loaded.
const Api* video_api() {
  static const Api* api = [] {
    static Api loaded;
    return loaded.load() ? &loaded : nullptr;
  }();
  return api;
}

AVCodecID codec_id(std::uint8_t codec) {
  switch (codec) {
    case 2:
      return AV_CODEC_ID_FLV1;
    case 3:
      return AV_CODEC_ID_FLASHSV;
    case 4:
      return AV_CODEC_ID_VP6F;
    case 5:
      return AV_CODEC_ID_VP6A;
    case 6:
      return AV_CODEC_ID_FLASHSV2;
    default:
      return AV_CODEC_ID_NONE;
  }
}

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { video_api()->avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { video_api()->av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { video_api()->av_packet_free(&p); }
};
struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

}  // namespace

// One stream's codec state and its last picture.
class VideoDecoder {
 public:
  VideoDecoder(const Api& av, std::uint8_t codec) : av_(av) {
    const AVCodec* c = av_.avcodec_find_decoder(codec_id(codec));
    if (!c) return;
    context_.reset(av_.avcodec_alloc_context3(c));
    if (!context_ || av_.avcodec_open2(context_.get(), c, nullptr) < 0) context_.reset();
    frame_.reset(av_.av_frame_alloc());
    packet_.reset(av_.av_packet_alloc());
  }
  ~VideoDecoder() { av_.sws_freeContext(scaler_); }
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  bool usable() const { return context_ && frame_ && packet_; }
  int last() const { return last_; }
  cairo_surface_t* picture() const { return picture_.get(); }

  void restart() {
    av_.avcodec_flush_buffers(context_.get());
    last_ = -1;
  }

  // Decodes frame `number`'s packet; the picture is kept when one comes out.
  void decode(int number, std::span<const std::uint8_t> data) {
    last_ = number;
    // The codec reads its input in blocks and needs padding after it.
    if (av_.av_new_packet(packet_.get(), static_cast<int>(data.size())) < 0) return;
    std::copy(data.begin(), data.end(), packet_->data);
    int sent = av_.avcodec_send_packet(context_.get(), packet_.get());
    av_.av_packet_unref(packet_.get());
    if (sent < 0) return;
    while (av_.avcodec_receive_frame(context_.get(), frame_.get()) == 0) {
      keep_picture();
      av_.av_frame_unref(frame_.get());
    }
  }

 private:
  void keep_picture();

  const Api& av_;
  std::unique_ptr<AVCodecContext, CodecContextFree> context_;
  std::unique_ptr<AVFrame, FrameFree> frame_;
  std::unique_ptr<AVPacket, PacketFree> packet_;
  SwsContext* scaler_ = nullptr;
  std::unique_ptr<cairo_surface_t, SurfaceFree> picture_;
  std::vector<std::uint8_t> scaled_;  // the scaler's output, padded
  int last_ = -1;
};

// Converts the decoded frame to premultiplied ARGB32 (BGRA in memory on
// the little-endian machines this runs on) with the codec library's
// colour conversion.
void VideoDecoder::keep_picture() {
  const AVFrame* f = frame_.get();
  int w = f->width, h = f->height;
  if (w <= 0 || h <= 0 || w > kMaxVideoSide || h > kMaxVideoSide) return;
  scaler_ = av_.sws_getCachedContext(scaler_, w, h, static_cast<AVPixelFormat>(f->format), w, h,
                                     AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
  if (!scaler_) return;
  if (!picture_ || cairo_image_surface_get_width(picture_.get()) != w ||
      cairo_image_surface_get_height(picture_.get()) != h)
    picture_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  cairo_surface_t* s = picture_.get();
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return picture_.reset();
  // The scaler writes whole blocks of pixels, past the end of a row whose
  // width is not a multiple of its block: it writes into a buffer of its
  // own with rows padded to 64 bytes and one spare row, then rows are
  // copied into the picture.
  int row = (w * 4 + 63) & ~63;
  scaled_.resize(std::size_t(row) * (h + 1));
  std::uint8_t* scaled = scaled_.data();
  av_.sws_scale(scaler_, f->data, f->linesize, 0, h, &scaled, &row);
  cairo_surface_flush(s);
  std::uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  // Streams with alpha store colour already multiplied by it, as cairo
  // wants it; a colour above its alpha is cut to it. Streams without
  // alpha come out opaque.
  bool alpha = f->format == AV_PIX_FMT_YUVA420P;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* px = data + std::size_t(y) * stride;
    const std::uint8_t* from = scaled + std::size_t(y) * row;
    const std::uint8_t* a_row = alpha ? f->data[3] + std::size_t(y) * f->linesize[3] : nullptr;
    for (int x = 0; x < w; ++x, px += 4, from += 4) {
      std::uint8_t a = alpha ? a_row[x] : 255;
      px[3] = a;
      for (int c = 0; c < 3; ++c) px[c] = std::min(from[c], a);
    }
  }
  cairo_surface_mark_dirty(s);
}

VideoDefinition read_define_video_stream(ByteReader& in) {
  VideoDefinition v;
  v.frame_count = in.u16();
  v.width = in.u16();
  v.height = in.u16();
  std::uint8_t flags = in.u8();
  v.smoothing = flags & 1;
  v.codec = in.u8();
  return v;
}

void add_video_frame(VideoDefinition& video, std::uint16_t number,
                     std::span<const std::uint8_t> packet) {
  video.frames.insert_or_assign(number, packet);
}

cairo_surface_t* video_frame(const VideoDefinition& video, std::uint16_t number) {
  auto target = video.frames.upper_bound(number);
  if (target == video.frames.begin()) return nullptr;
  --target;
  const Api* av = video_api();
  if (!av) return nullptr;
  auto& decoder = video.decoder;
  if (!decoder) decoder = std::make_shared<VideoDecoder>(*av, video.codec);
  if (!decoder->usable()) return nullptr;
  if (decoder->last() == target->first) return decoder->picture();
  // Forward from the last frame decoded, or from the start after a jump back.
  auto from = video.frames.begin();
  if (decoder->last() >= 0 && decoder->last() < target->first)
    from = video.frames.upper_bound(static_cast<std::uint16_t>(decoder->last()));
  else
    decoder->restart();
  if (std::distance(from, target) > kMaxCatchUp) {
    decoder->restart();
    from = std::prev(target, kMaxCatchUp);
  }
  for (auto it = from;; ++it) {
    decoder->decode(it->first, it->second);
    if (it == target) break;
  }
  return decoder->picture();
}

}  // namespace strandel::swf
