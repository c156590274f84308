// Tests of readers::RasterBuilder: the reduced pixels against an area average
// worked out the slow way, whatever order and pieces the pixels come in.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "reader_test_support.h"
#include "toolkit/readers/reduce.h"

namespace {

using namespace reader_tests;
using readers::RasterBuilder;

struct Source {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  std::uint32_t at(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};

// Every pixel different, with alpha 0xFF for an opaque source.
Source noisy(int width, int height, bool withAlpha, unsigned seed) {
  Source s{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  std::mt19937 random(seed);
  for (auto& pixel : s.argb) {
    pixel = random();
    if (!withAlpha) pixel |= 0xFF000000u;
  }
  return s;
}

// The area average of `s` at `width` x `height` in floating point: reduced
// pixel (i, j) covers source [i·W/w, (i+1)·W/w) x [j·H/h, (j+1)·H/h).
// Colours are weighted by alpha; a pixel with no alpha has no colour.
struct Average {
  double a, r, g, b;
};
std::vector<Average> bruteForce(const Source& s, int width, int height) {
  std::vector<Average> out;
  const double sx = static_cast<double>(s.width) / width;
  const double sy = static_cast<double>(s.height) / height;
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) {
      double area = 0, a = 0, r = 0, g = 0, b = 0;
      for (int y = 0; y < s.height; ++y) {
        const double down = std::min(y + 1.0, (j + 1) * sy) - std::max(double(y), j * sy);
        if (down <= 0) continue;
        for (int x = 0; x < s.width; ++x) {
          const double across = std::min(x + 1.0, (i + 1) * sx) - std::max(double(x), i * sx);
          if (across <= 0) continue;
          const std::uint32_t p = s.at(x, y);
          const double w = down * across;
          const double alpha = p >> 24;
          area += w;
          a += w * alpha;
          r += w * alpha * ((p >> 16) & 0xFF);
          g += w * alpha * ((p >> 8) & 0xFF);
          b += w * alpha * (p & 0xFF);
        }
      }
      out.push_back(a == 0 ? Average{0, 0, 0, 0} : Average{a / area, r / a, g / a, b / a});
    }
  return out;
}

// Each channel within half a level of the exact average, so rounded once.
testing::AssertionResult matchesAverage(const readers::Raster& have, const std::vector<Average>& want) {
  if (have.argb.size() != want.size()) return testing::AssertionFailure() << "size differs";
  for (std::size_t k = 0; k < want.size(); ++k) {
    const std::uint32_t p = have.argb[k];
    const Average& w = want[k];
    const double channels[4][2] = {
        {double(p >> 24), w.a}, {double((p >> 16) & 0xFF), w.r}, {double((p >> 8) & 0xFF), w.g}, {double(p & 0xFF), w.b}};
    const bool transparent = (p >> 24) == 0;
    for (int c = 0; c < 4; ++c) {
      if (transparent && c > 0) break;  // no colour to compare
      if (std::abs(channels[c][0] - channels[c][1]) > 0.5 + 1e-9)
        return testing::AssertionFailure() << "pixel " << k << " channel " << "ARGB"[c] << ": have "
                                           << channels[c][0] << ", want " << channels[c][1];
    }
  }
  return testing::AssertionSuccess();
}

// The ways a reader may hand the pixels over.
enum class Order { TopDown, BottomUp, Shuffled, Tiles, Adam7 };
const char* nameOf(Order o) {
  switch (o) {
    case Order::TopDown: return "top-down rows";
    case Order::BottomUp: return "bottom-up rows";
    case Order::Shuffled: return "shuffled rows";
    case Order::Tiles: return "3x2 tiles";
    case Order::Adam7: return "interlaced passes";
  }
  return "?";
}

void putAll(RasterBuilder& builder, const Source& s, Order order) {
  const auto row = [&](int y) { return s.argb.data() + static_cast<std::size_t>(y) * s.width; };
  std::vector<int> ys(static_cast<std::size_t>(s.height));
  std::iota(ys.begin(), ys.end(), 0);
  switch (order) {
    case Order::TopDown:
      break;
    case Order::BottomUp:
      std::reverse(ys.begin(), ys.end());
      break;
    case Order::Shuffled:
      std::shuffle(ys.begin(), ys.end(), std::mt19937(7));
      break;
    case Order::Tiles:
      for (int ty = 0; ty < s.height; ty += 2)
        for (int tx = 0; tx < s.width; tx += 3)
          for (int y = ty; y < std::min(ty + 2, s.height); ++y)
            builder.put(y, row(y) + tx, std::min(3, s.width - tx), tx);
      return;
    case Order::Adam7: {
      constexpr int start[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};  // x, y
      constexpr int step[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
      for (int pass = 0; pass < 7; ++pass)
        for (int y = start[pass][1]; y < s.height; y += step[pass][1]) {
          std::vector<std::uint32_t> pixels;
          for (int x = start[pass][0]; x < s.width; x += step[pass][0]) pixels.push_back(s.at(x, y));
          if (!pixels.empty())
            builder.put(y, pixels.data(), static_cast<int>(pixels.size()), start[pass][0], step[pass][0]);
        }
      return;
    }
  }
  for (int y : ys) builder.put(y, row(y), s.width);
}

struct ReduceCase {
  int width, height;
  int reducedWidth, reducedHeight;
};

// Odd sizes and ratios, reductions by barely anything and by a lot.
const ReduceCase kCases[] = {
    {7, 5, 4, 3},   {5, 9, 2, 4},   {13, 11, 5, 4}, {11, 13, 10, 12},
    {31, 17, 29, 16}, {9, 9, 8, 8}, {40, 3, 27, 2}, {17, 29, 1, 2}, {12, 7, 12, 3},
};

TEST(RasterBuilder, ReducesToTheExactAreaAverageInAnyOrder) {
  for (const auto& c : kCases) {
    for (const bool withAlpha : {false, true}) {
      const Source s = noisy(c.width, c.height, withAlpha, static_cast<unsigned>(c.width * 100 + c.height));
      const auto want = bruteForce(s, c.reducedWidth, c.reducedHeight);
      const auto kind = withAlpha ? PixelKind::Alpha : PixelKind::Opaque;
      for (const Order order : {Order::TopDown, Order::BottomUp, Order::Shuffled, Order::Tiles, Order::Adam7}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " to " +
                     std::to_string(c.reducedWidth) + "x" + std::to_string(c.reducedHeight) +
                     (withAlpha ? ", alpha, " : ", opaque, ") + nameOf(order));
        auto builder = RasterBuilder::create(c.width, c.height, kind, {c.reducedWidth, c.reducedHeight});
        ASSERT_TRUE(builder);
        EXPECT_TRUE(builder->reduces());
        putAll(*builder, s, order);
        const readers::Raster r = std::move(*builder).finish();
        ASSERT_TRUE(hasShape(r, c.reducedWidth, c.reducedHeight, {.kind = kind}));
        EXPECT_TRUE(matchesAverage(r, want));
      }
    }
  }
}

TEST(RasterBuilder, KeepsThePixelsWhenNothingIsReduced) {
  for (const int minSide : {0, 4}) {  // 8x5 is small enough to keep whole
    SCOPED_TRACE("minSide " + std::to_string(minSide));
    const Source s = noisy(8, 5, true, 3);
    auto builder = RasterBuilder::create(8, 5, PixelKind::Masked, minSide);
    ASSERT_TRUE(builder);
    EXPECT_FALSE(builder->reduces());
    putAll(*builder, s, Order::Adam7);
    const readers::Raster r = std::move(*builder).finish();
    ASSERT_TRUE(hasShape(r, 8, 5, {.kind = PixelKind::Masked}));
    EXPECT_EQ(r.argb, s.argb);
  }
}

TEST(RasterBuilder, FillIsTheSameAsPuttingThePixels) {
  // A 3x4 frame at (5, 2) put over a 13x11 background that is filled around
  // it, against the same picture put row by row.
  constexpr std::uint32_t background = 0x80336699;
  Source s = noisy(13, 11, true, 9);
  const auto inFrame = [](int x, int y) { return x >= 5 && x < 8 && y >= 2 && y < 6; };
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x)
      if (!inFrame(x, y)) s.argb[static_cast<std::size_t>(y) * 13 + x] = background;
  for (const readers::ReducedSize size : {readers::ReducedSize{13, 11}, readers::ReducedSize{5, 4}}) {
    SCOPED_TRACE("to " + std::to_string(size.width) + "x" + std::to_string(size.height));
    auto put = RasterBuilder::create(13, 11, PixelKind::Alpha, size);
    auto filled = RasterBuilder::create(13, 11, PixelKind::Alpha, size);
    ASSERT_TRUE(put && filled);
    putAll(*put, s, Order::TopDown);
    filled->fill(-4, -4, 9, 30, background);  // clipped to columns 0..4
    filled->fill(8, 0, 50, 11, background);
    filled->fill(5, 0, 3, 2, background);
    filled->fill(5, 6, 3, 5, background);
    for (int y = 2; y < 6; ++y) filled->put(y, s.argb.data() + y * 13 + 5, 3, 5);
    EXPECT_EQ(std::move(*filled).finish().argb, std::move(*put).finish().argb);
  }
}

TEST(RasterBuilder, TransparentPixelsLendNoColour) {
  // Opaque blue next to fully transparent red, reduced 2:1 across.
  const std::uint32_t pair[2] = {0xFF0000FF, 0x00FF0000};
  auto builder = RasterBuilder::create(4, 4, PixelKind::Masked, readers::ReducedSize{2, 2});
  ASSERT_TRUE(builder);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; x += 2) builder->put(y, pair, 2, x);
  const readers::Raster r = std::move(*builder).finish();
  ASSERT_TRUE(hasShape(r, 2, 2, {.kind = PixelKind::Alpha}));
  for (const std::uint32_t p : r.argb) EXPECT_EQ(p, 0x800000FFu) << hex(p);
}

TEST(RasterBuilder, RefusesWhatTheReadersRefuse) {
  EXPECT_FALSE(RasterBuilder::create(0, 5, PixelKind::Opaque, 0));
  EXPECT_FALSE(RasterBuilder::create(readers::maxSide + 1, 1, PixelKind::Opaque, 168));
  EXPECT_FALSE(RasterBuilder::create(16384, 16384, PixelKind::Opaque, 168));
  EXPECT_FALSE(RasterBuilder::create(5, 5, PixelKind::Opaque, readers::ReducedSize{6, 5}));
  EXPECT_FALSE(RasterBuilder::create(5, 5, PixelKind::Opaque, readers::ReducedSize{5, 0}));
}

TEST(RasterBuilder, PutsOutsideThePictureAreDropped) {
  auto builder = RasterBuilder::create(4, 2, PixelKind::Opaque, 0);
  ASSERT_TRUE(builder);
  const std::uint32_t row[4] = {1, 2, 3, 4};
  builder->put(-1, row, 4);
  builder->put(2, row, 4);
  builder->put(0, row, 4, 1);     // one too many
  builder->put(0, row, 2, 1, 3);  // x = 1, 4
  builder->put(1, row, 2, 2);
  EXPECT_EQ(std::move(*builder).finish().argb, (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0, 1, 2}));
}

TEST(ReducedSize, SidesAreMultiplesOf32CloseToTheAspectRatio) {
  struct Case {
    int width, height, minSide, wantWidth, wantHeight;
  };
  const Case cases[] = {
      {6000, 4000, 168, 288, 192},   {4000, 6000, 168, 192, 288},  {1920, 1080, 168, 448, 256},
      {1100, 1001, 168, 256, 224},   {2000, 1999, 168, 192, 192},  {6000, 4000, 400, 672, 448},
      {16384, 1000, 168, 3680, 224},
      // Kept whole: no minSide, a million pixels or fewer, a shorter side
      // not above minSide, too short for the sides of 32s, or so narrow
      // that the reduced picture would cost more than half the full one.
      {6000, 4000, 0, 6000, 4000},   {1024, 1024, 168, 1024, 1024}, {9000, 168, 168, 9000, 168},
      {16384, 170, 168, 16384, 170}, {4097, 259, 168, 4097, 259},
  };
  for (const auto& c : cases) {
    const readers::ReducedSize r = readers::reducedSize(c.width, c.height, c.minSide);
    EXPECT_EQ(r.width, c.wantWidth) << c.width << "x" << c.height << " for " << c.minSide;
    EXPECT_EQ(r.height, c.wantHeight) << c.width << "x" << c.height << " for " << c.minSide;
  }
}

}  // namespace
