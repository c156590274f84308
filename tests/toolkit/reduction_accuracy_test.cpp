// Decoding a large JPEG at 1/8 scale changes the pixels a conversion makes.
// These tests bound how far the icon images drift from the reduction of the
// full-size picture: under one level on average and at most 8 levels in any
// channel of any pixel, on a photo-like picture.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <iostream>

#include "bench/photo_like.h"
#include "toolkit/canvas.h"
#include "toolkit/picture.h"
#include "toolkit/readers/readers.h"

namespace {

// 3:2 like the 6000x4000 phone photo; at 1/8 still over the 168 pixels the
// toolkit asks for, so the reader takes the same 1/8 scale.
constexpr int photoWidth = 2400;
constexpr int photoHeight = 1600;
constexpr int decodeMinSide = 2 * toolkit::largestDrawnSide;

toolkit::Picture pictureOf(const readers::Raster& raster) {
  QImage image(raster.width, raster.height, QImage::Format_RGB32);
  for (int y = 0; y < raster.height; ++y)
    std::copy_n(raster.argb.data() + static_cast<std::size_t>(y) * raster.width, raster.width,
                reinterpret_cast<QRgb*>(image.scanLine(y)));
  return toolkit::Picture{image, false, false};
}

QImage convertedAt(const toolkit::Picture& picture, int side) {
  toolkit::Canvas canvas(QSize(side, side), true);
  canvas.drawPicture(picture, 0, 0, side, side);
  return canvas.image();
}

struct Drift {
  std::array<double, 3> mean{};
  std::array<int, 3> largest{};
};

Drift driftBetween(const QImage& reference, const QImage& result) {
  Drift drift;
  const double pixels = static_cast<double>(reference.width()) * reference.height();
  for (int y = 0; y < reference.height(); ++y)
    for (int x = 0; x < reference.width(); ++x) {
      const QRgb want = reference.pixel(x, y);
      const QRgb got = result.pixel(x, y);
      const std::array<int, 3> differences{std::abs(qRed(want) - qRed(got)), std::abs(qGreen(want) - qGreen(got)),
                                           std::abs(qBlue(want) - qBlue(got))};
      for (int c = 0; c < 3; ++c) {
        drift.mean[c] += differences[c] / pixels;
        drift.largest[c] = std::max(drift.largest[c], differences[c]);
      }
    }
  return drift;
}

struct Decodes {
  readers::Raster fullSize;
  readers::Raster reduced;
};

// Made once: the full-size decode is what takes the time.
const Decodes& decodes() {
  static const Decodes made = [] {
    const icon::Bytes jpeg = bench_inputs::photoLikeJpeg(photoWidth, photoHeight, 90);
    return Decodes{readers::readJpeg(jpeg, 0).value(), readers::readJpeg(jpeg, decodeMinSide).value()};
  }();
  return made;
}

class ReducedJpegDecode : public testing::TestWithParam<int> {};

TEST(ReducedJpegDecodeScale, IsOneEighth) {
  EXPECT_EQ(decodes().fullSize.width, photoWidth);
  EXPECT_EQ(decodes().reduced.width, photoWidth / 8);
  EXPECT_EQ(decodes().reduced.height, photoHeight / 8);
}

TEST_P(ReducedJpegDecode, IconImageStaysCloseToTheFullSizeReduction) {
  const int side = GetParam();
  const QImage reference = convertedAt(pictureOf(decodes().fullSize), side);
  const QImage result = convertedAt(pictureOf(decodes().reduced), side);
  const Drift drift = driftBetween(reference, result);
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(testing::Message() << "channel " << "RGB"[c]);
    EXPECT_LT(drift.mean[c], 1.0);
    EXPECT_LE(drift.largest[c], 8);
  }
  std::cout << side << "x" << side << " mean drift " << testing::PrintToString(drift.mean) << ", largest "
            << testing::PrintToString(drift.largest) << "\n";
}

INSTANTIATE_TEST_SUITE_P(IconSides, ReducedJpegDecode, testing::Values(16, 32));

}  // namespace
