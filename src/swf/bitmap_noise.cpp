// Random pixels: noise, pixel dissolve and Perlin noise.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "swf/bitmap_operations.h"

namespace strandel::swf {

namespace {

constexpr std::int64_t kModulus = 2147483647;  // 2^31 - 1
constexpr std::int64_t kMultiplier = 16807;

// Perlin noise: octaves a script may ask for beyond which each adds
// nothing visible; a bound on the work.
constexpr int kMaxOctaves = 32;

// A gradient lattice of 256 cells, shuffled by the seed.
class Lattice {
 public:
  explicit Lattice(ParkMiller& random) {
    std::iota(permutation_.begin(), permutation_.begin() + 256, 0);
    for (int i = 255; i > 0; --i) std::swap(permutation_[i], permutation_[random.next() % (i + 1)]);
    std::copy_n(permutation_.begin(), 256, permutation_.begin() + 256);
  }

  // Noise in about -1..1 at (x, y); `period` cells repeat when stitching.
  double at(double x, double y, int period_x, int period_y) const {
    double fx = std::floor(x), fy = std::floor(y);
    int x0 = wrap(fx, period_x), y0 = wrap(fy, period_y);
    int x1 = wrap(fx + 1, period_x), y1 = wrap(fy + 1, period_y);
    double dx = x - fx, dy = y - fy;
    double u = fade(dx), v = fade(dy);
    double a = lerp(u, gradient(hash(x0, y0), dx, dy), gradient(hash(x1, y0), dx - 1, dy));
    double b = lerp(u, gradient(hash(x0, y1), dx, dy - 1), gradient(hash(x1, y1), dx - 1, dy - 1));
    return lerp(v, a, b);
  }

 private:
  static int wrap(double cell, int period) {
    long c = static_cast<long>(cell);
    if (period > 0) c %= period;
    return static_cast<int>(((c % 256) + 256) % 256);
  }
  int hash(int x, int y) const { return permutation_[permutation_[x] + y]; }
  static double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
  static double lerp(double t, double a, double b) { return a + t * (b - a); }
  static double gradient(int h, double x, double y) {
    switch (h & 3) {
      case 0:
        return x + y;
      case 1:
        return -x + y;
      case 2:
        return x - y;
      default:
        return -x - y;
    }
  }

  std::array<int, 512> permutation_{};
};

int channel_count(int channels, bool gray) {
  if (gray) return (channels & channel::Alpha) ? 2 : 1;
  int n = 0;
  for (int c : {channel::Red, channel::Green, channel::Blue, channel::Alpha})
    n += (channels & c) != 0;
  return n;
}

}  // namespace

// A seed of 0 or below counts as 1 − seed, so 0 is 1 and −1 is 2.
ParkMiller::ParkMiller(std::int64_t seed) {
  if (seed <= 0) seed = 1 - seed;
  state_ = seed % kModulus;
  if (state_ == 0) state_ = 1;
}

std::uint32_t ParkMiller::next() {
  state_ = state_ * kMultiplier % kModulus;
  return static_cast<std::uint32_t>(state_);
}

// Each pixel draws its channels in the order red, green, blue, alpha (a
// gray pixel draws one value, then its alpha); channels not asked for are
// 0, alpha 255. An opaque bitmap draws no alpha.
void noise(BitmapData& b, std::int64_t seed, int low, int high, int channels, bool gray) {
  ParkMiller random(seed);
  low = std::clamp(low, 0, 255);
  high = std::clamp(high, 0, 255);
  std::uint32_t range = static_cast<std::uint32_t>(std::max(high - low, 0)) + 1;
  auto draw = [&] {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(low + random.next() % range, 0, 255));
  };
  b.begin_access();
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      std::uint32_t r = 0, g = 0, bl = 0, a = 255;
      if (gray) {
        r = g = bl = draw();
      } else {
        if (channels & channel::Red) r = draw();
        if (channels & channel::Green) g = draw();
        if (channels & channel::Blue) bl = draw();
      }
      if ((channels & channel::Alpha) && b.transparent()) a = draw();
      b.set_raw(x, y, b.stored(a << 24 | r << 16 | g << 8 | bl));
    }
  }
  b.changed();
}

std::int64_t pixel_dissolve(BitmapData& dest, const BitmapData& source, PixelRect source_rect,
                            PixelPoint dest_point, std::int64_t seed, int count,
                            std::uint32_t fill) {
  std::optional<CopyArea> area = copy_area(source, source_rect, dest, dest_point);
  ParkMiller random(seed);
  if (!area || count <= 0) return random.seed();
  long total = long(area->source.width) * area->source.height;
  count = static_cast<int>(std::min<long>(count, total));
  // A shuffled order of the area's pixels, of which the first `count` change.
  std::vector<int> order(static_cast<std::size_t>(total));
  std::iota(order.begin(), order.end(), 0);
  for (int i = 0; i < count; ++i) {
    long j = i + long(random.next() % std::uint32_t(total - i));
    std::swap(order[i], order[j]);
  }
  source.begin_access();
  dest.begin_access();
  bool same = &source == &dest;
  for (int i = 0; i < count; ++i) {
    int dx = order[i] % area->source.width, dy = order[i] / area->source.width;
    std::uint32_t value =
        same ? dest.stored(fill) : source.raw(area->source.x + dx, area->source.y + dy);
    dest.set_raw(area->dest.x + dx, area->dest.y + dy, value);
  }
  dest.changed();
  return random.seed();
}

// Octaves halve the cell size and the weight each time; fractal noise sums
// the signed values around middle grey, turbulence sums their magnitudes.
void perlin_noise(BitmapData& b, const PerlinSettings& s) {
  ParkMiller random(s.seed);
  int octaves = std::clamp(s.octaves, 0, kMaxOctaves);
  int planes = channel_count(s.channels, s.gray);
  std::vector<Lattice> lattices;
  for (int i = 0; i < planes; ++i) lattices.emplace_back(random);
  std::vector<double> sums(std::size_t(b.width()) * b.height() * std::max(planes, 1), 0.0);
  double weight_total = 0;
  for (int o = 0; o < octaves; ++o) {
    double scale = std::pow(2.0, o), weight = 1 / scale;
    weight_total += weight;
    double cell_x = s.base_x / scale, cell_y = s.base_y / scale;
    double ox = o < int(s.offsets.size()) ? s.offsets[o].first : 0;
    double oy = o < int(s.offsets.size()) ? s.offsets[o].second : 0;
    int period_x = s.stitch && cell_x > 0 ? std::max(1, int(std::lround(b.width() / cell_x))) : 0;
    int period_y = s.stitch && cell_y > 0 ? std::max(1, int(std::lround(b.height() / cell_y))) : 0;
    for (int p = 0; p < planes; ++p) {
      for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
          double nx = cell_x > 0 ? (x + ox) / cell_x : 0, ny = cell_y > 0 ? (y + oy) / cell_y : 0;
          double n = lattices[p].at(nx, ny, period_x, period_y);
          sums[(std::size_t(p) * b.height() + y) * b.width() + x] +=
              (s.fractal ? n : std::fabs(n)) * weight;
        }
      }
    }
  }
  auto level = [&](int p, int x, int y) -> std::uint32_t {
    if (weight_total == 0) return s.fractal ? 128 : 0;
    double v = sums[(std::size_t(p) * b.height() + y) * b.width() + x] / weight_total;
    double c = s.fractal ? (v + 1) * 127.5 : v * 255;
    return static_cast<std::uint32_t>(std::clamp(c, 0.0, 255.0));
  };
  b.begin_access();
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      std::uint32_t r = 0, g = 0, bl = 0, a = 255;
      int p = 0;
      if (s.gray) {
        r = g = bl = level(p++, x, y);
      } else {
        if (s.channels & channel::Red) r = level(p++, x, y);
        if (s.channels & channel::Green) g = level(p++, x, y);
        if (s.channels & channel::Blue) bl = level(p++, x, y);
      }
      if (s.channels & channel::Alpha) a = level(p++, x, y);
      b.set_raw(x, y, b.stored(a << 24 | r << 16 | g << 8 | bl));
    }
  }
  b.changed();
}

}  // namespace strandel::swf
