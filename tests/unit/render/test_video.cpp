// Embedded video decoded by the system's codec library: the placement's
// ratio picks the frame, forwards and back, from frames this test encodes
// with the same library's Sorenson H.263 encoder.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>
#include <vector>

#include "render_support.h"

using namespace render_test;

namespace {

struct Yuv {
  std::uint8_t y, u, v;
};
constexpr Yuv kRedYuv{81, 90, 240}, kGreenYuv{145, 54, 34}, kBlueYuv{41, 240, 110};
constexpr int kWidth = 64, kHeight = 48;

// Packets of solid frames in the colours given, a key frame every `gop`.
std::vector<swfw::Bytes> encode(const std::vector<Yuv>& colours, int gop) {
  std::vector<swfw::Bytes> packets;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FLV1);
  if (!codec) return packets;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = kWidth;
  c->height = kHeight;
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->time_base = {1, 12};
  c->gop_size = gop;
  c->max_b_frames = 0;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  if (avcodec_open2(c, codec, nullptr) == 0) {
    frame->format = c->pix_fmt;
    frame->width = kWidth;
    frame->height = kHeight;
    av_frame_get_buffer(frame, 0);
    auto drain = [&] {
      while (avcodec_receive_packet(c, packet) == 0) {
        packets.emplace_back(packet->data, packet->data + packet->size);
        av_packet_unref(packet);
      }
    };
    for (std::size_t i = 0; i < colours.size(); ++i) {
      av_frame_make_writable(frame);
      for (int p = 0; p < 3; ++p) {
        int h = p ? kHeight / 2 : kHeight, w = p ? kWidth / 2 : kWidth;
        std::uint8_t value = p == 0 ? colours[i].y : p == 1 ? colours[i].u : colours[i].v;
        for (int y = 0; y < h; ++y) std::fill_n(frame->data[p] + y * frame->linesize[p], w, value);
      }
      frame->pts = static_cast<std::int64_t>(i);
      if (avcodec_send_frame(c, frame) == 0) drain();
    }
    avcodec_send_frame(c, nullptr);
    drain();
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&c);
  return packets;
}

char colour_name(Pixel p) {
  if (p.r > 150 && p.g < 100 && p.b < 100) return 'R';
  if (p.g > 150 && p.r < 100 && p.b < 100) return 'G';
  if (p.b > 150 && p.r < 100 && p.g < 100) return 'B';
  return '?';
}

TEST(Video, TheRatioPicksTheFrameForwardsAndBack) {
  // Ten red frames, ten green, ten blue; key frames at 0 and 20 only.
  std::vector<Yuv> colours;
  for (const Yuv& c : {kRedYuv, kGreenYuv, kBlueYuv}) colours.insert(colours.end(), 10, c);
  std::vector<swfw::Bytes> packets = encode(colours, 20);
  ASSERT_EQ(packets.size(), colours.size());
  swfw::Movie m = swfw::Movie(8, 100, 100, 12);
  m.background(255, 255, 255);
  swfw::Writer stream;
  for (int v : {1, int(packets.size()), kWidth, kHeight}) stream.u16(static_cast<std::uint16_t>(v));
  stream.u8(0);  // no smoothing
  stream.u8(2);  // Sorenson H.263
  m.tag(60, stream.take());
  for (std::size_t i = 0; i < packets.size(); ++i) {
    swfw::Writer frame;
    frame.u16(1);
    frame.u16(static_cast<std::uint16_t>(i));
    frame.append(packets[i]);
    m.tag(61, frame.take());
  }
  const std::vector<std::uint16_t> ratios = {0, 15, 29, 5, 25, 12, 12, 200};
  std::string shown;
  for (std::size_t i = 0; i < ratios.size(); ++i) {
    swfw::Place p;
    p.depth = 1;
    p.move = i > 0;
    if (i == 0) p.character = 1;
    p.ratio = ratios[i];
    m.place(p);
    m.show_frame();
  }
  auto player = play(m);
  ASSERT_TRUE(player);
  Image image(100, 100);
  for (std::size_t i = 0; i < ratios.size(); ++i) {
    draw(*player, image);
    shown += colour_name(image.at(kWidth / 2, kHeight / 2));
    player->advance();
  }
  // Past the last frame, the last one stays.
  EXPECT_EQ(shown, "RGBRBGGB");
  EXPECT_TRUE(near(image.at(80, 80), 255, 255, 255)) << str(image.at(80, 80));
}

}  // namespace
