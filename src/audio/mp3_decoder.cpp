// MP3 through libmpg123, fed from the movie's bytes a piece at a time. The
// output keeps the channel count the movie declares (the decoder mixes or
// copies channels to match) and the rate the MP3 frames carry.
#include <mpg123.h>

#include <mutex>

#include "audio/decoder.h"

namespace strandel::audio {

namespace {

// Bytes handed to the decoder at a time: it copies what it is fed, so
// feeding a whole long sound would hold it twice.
constexpr std::size_t kFeedBytes = 16 * 1024;
// Calls into the decoder that may give nothing before one decode() gives up:
// each either feeds bytes or reports a format, so a few are plenty.
constexpr int kMaxIdleReads = 64;

struct HandleDeleter {
  void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};

class Mp3Decoder : public Decoder {
 public:
  Mp3Decoder(const swf::SoundFormat& f, Chunks chunks)
      : chunks_(std::move(chunks)), rate_(f.rate), channels_(f.channels()) {
    static std::once_flag init;
    std::call_once(init, [] { mpg123_init(); });
    int error = 0;
    handle_.reset(mpg123_new(nullptr, &error));
    if (!handle_) return;
    mpg123_handle* h = handle_.get();
    long force = channels_ == 2 ? MPG123_FORCE_STEREO : MPG123_FORCE_MONO;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | force, 0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    int channel_flag = channels_ == 2 ? MPG123_STEREO : MPG123_MONO;
    for (std::size_t i = 0; i < count; ++i)
      mpg123_format(h, rates[i], channel_flag, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) != MPG123_OK) handle_.reset();
  }

  std::size_t decode(std::vector<std::int16_t>& out, std::size_t frames) override {
    std::size_t done = 0;
    int idle = 0;
    while (handle_ && done < frames && idle < kMaxIdleReads) {
      std::size_t start = out.size();
      out.resize(start + (frames - done) * channels_);
      std::size_t got = 0;
      int status = mpg123_read(handle_.get(), out.data() + start, (frames - done) * channels_ * 2,
                               &got);
      out.resize(start + got / 2 / channels_ * channels_);
      done += got / 2 / channels_;
      idle = got ? 0 : idle + 1;
      if (status == MPG123_NEW_FORMAT) {
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle_.get(), &rate, &channels, &encoding) == MPG123_OK && rate > 0)
          rate_ = static_cast<double>(rate);
      } else if (status == MPG123_NEED_MORE) {
        if (!feed()) handle_.reset();  // the data is used up
      } else if (status != MPG123_OK && status != MPG123_DONE) {
        handle_.reset();  // damaged beyond what the decoder resyncs over
      }
    }
    return done;
  }
  double rate() const override { return rate_; }

 private:
  bool feed() {
    while (chunk_ < chunks_.size() && offset_ >= chunks_[chunk_].size()) {
      ++chunk_;
      offset_ = 0;
    }
    if (chunk_ >= chunks_.size()) return false;
    auto piece = chunks_[chunk_].subspan(offset_);
    if (piece.size() > kFeedBytes) piece = piece.first(kFeedBytes);
    offset_ += piece.size();
    return mpg123_feed(handle_.get(), piece.data(), piece.size()) == MPG123_OK;
  }

  Chunks chunks_;
  double rate_;
  unsigned channels_;
  std::unique_ptr<mpg123_handle, HandleDeleter> handle_;
  std::size_t chunk_ = 0, offset_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> make_mp3_decoder(const swf::SoundFormat& format, Chunks chunks) {
  return std::make_unique<Mp3Decoder>(format, std::move(chunks));
}

}  // namespace strandel::audio
