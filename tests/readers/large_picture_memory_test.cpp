// What decoding a large picture costs when the caller needs it only small,
// as the toolkit does: the readers that reduce while decoding must hold no
// more than a small multiple of the reduced picture, the C libraries'
// allocations included, never the full-size raster.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>

#include "reader_test_support.h"
#include "tests/support/allocation_meter.h"
#include "tests/support/picture_files.h"
#include "toolkit/readers/reduce.h"

namespace {

using test_pictures::Rgb;

constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;
// What the toolkit asks for: twice its largest drawn side.
constexpr int minSide = 168;

// A smooth picture, so the compressed files stay quick to write.
const Rgb& largePicture() {
  static const Rgb picture = [] {
    Rgb p{photoWidth, photoHeight, std::vector<std::uint8_t>(3 * std::size_t{photoWidth} * photoHeight)};
    std::uint8_t* at = p.bytes.data();
    for (int y = 0; y < photoHeight; ++y)
      for (int x = 0; x < photoWidth; ++x) {
        *at++ = static_cast<std::uint8_t>(x * 255 / photoWidth);
        *at++ = static_cast<std::uint8_t>(y * 255 / photoHeight);
        *at++ = static_cast<std::uint8_t>((x + y) / 64);
      }
    return p;
  }();
  return picture;
}

struct Case {
  const char* name;
  std::function<test_pictures::Bytes(const Rgb&)> write;
};

const Case kCases[] = {
    {"BMP 24-bit", [](const Rgb& p) { return test_pictures::bmpFile(p, 24); }},
    {"BMP 8-bit", [](const Rgb& p) { return test_pictures::bmpFile(p, 8); }},
    {"BMP 1-bit", [](const Rgb& p) { return test_pictures::bmpFile(p, 1); }},
    {"PNG", [](const Rgb& p) { return test_pictures::pngFile(p, false); }},
    {"PNG interlaced", [](const Rgb& p) { return test_pictures::pngFile(p, true); }},
    {"PCX 8-bit", [](const Rgb& p) { return test_pictures::pcxFile(p, 8); }},
};

TEST(LargePicture, ReducedWhileDecodingWithinASmallMultipleOfTheReducedPicture) {
  const readers::ReducedSize reduced = readers::reducedSize(photoWidth, photoHeight, minSide);
  ASSERT_LT(reduced.width, photoWidth);
  const std::size_t reducedBytes = 4 * static_cast<std::size_t>(reduced.width) * reduced.height;
  // The sums behind each reduced pixel (three 8-byte channels), the result,
  // and a few rows of the full width for the readers and libpng.
  const std::size_t bound = 8 * reducedBytes + 64 * std::size_t{photoWidth};
  const std::size_t fullSize = 4 * std::size_t{photoWidth} * photoHeight;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const test_pictures::Bytes file = c.write(largePicture());
    std::optional<readers::Raster> raster;
    const auto usage = allocation_meter::measure([&] { raster = readers::readPicture(file, minSide); });
    ASSERT_TRUE(raster) << c.name << ": have nullopt, want a picture";
    EXPECT_EQ(raster->width, reduced.width);
    EXPECT_EQ(raster->height, reduced.height);
    EXPECT_LE(usage.peak, bound) << c.name << ": held " << usage.peak << " bytes at once; the full-size raster is "
                                 << fullSize;
    std::cout << c.name << ": " << usage.peak << " bytes at the peak, " << reducedBytes << " in the result\n";
  }
}

}  // namespace
