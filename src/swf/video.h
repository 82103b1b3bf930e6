// Embedded video: DefineVideoStream declares a stream, VideoFrame tags
// carry its frames, and a placement's ratio picks the frame shown. Frames
// are decoded on demand, in order from the nearest earlier key frame, by
// the system's codec library (Sorenson H.263, VP6 and VP6 with alpha).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "swf/bytes.h"

namespace strandel::swf {

enum class VideoCodec : std::uint8_t { SorensonH263 = 2, Screen = 3, Vp6 = 4, Vp6Alpha = 5 };

class VideoDecoder;  // the codec library's state, kept between frames

struct VideoDefinition {
  std::uint16_t frame_count = 0;
  int width = 0, height = 0;  // pixels; the decoded picture is scaled to this
  std::uint8_t codec = 0;
  bool smoothing = false;  // scaled with filtering rather than by nearest pixel
  // Each frame's packet, pointing into the movie's bytes (the Movie
  // outlives the dictionary), by frame number.
  std::map<std::uint16_t, std::span<const std::uint8_t>> frames;
  mutable std::shared_ptr<VideoDecoder> decoder;  // made when a frame is first drawn
};

// What a script's stream (NetStream) shows in the Video objects attached to
// it: the frames of a file, numbered in file order, and the one shown now.
struct StreamedVideo {
  std::shared_ptr<const std::string> bytes;  // the file the packets point into
  VideoDefinition video;
  std::optional<std::uint16_t> frame;  // none: nothing to show
};

// DefineVideoStream after its character id; throws ReadError when cut short.
VideoDefinition read_define_video_stream(ByteReader& in);

// Adds a VideoFrame's packet to its stream; a later packet for the same
// frame number replaces the earlier one.
void add_video_frame(VideoDefinition& video, std::uint16_t number,
                     std::span<const std::uint8_t> packet);

// The picture of frame `number` (or the last one before it that exists),
// premultiplied ARGB32; null when the stream has no such frame or the
// codec cannot decode it.
cairo_surface_t* video_frame(const VideoDefinition& video, std::uint16_t number);

}  // namespace strandel::swf
