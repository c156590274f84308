// Tests of readers::readJpeg against fixtures made by cjpeg and ImageMagick
// (tests/fixtures/make-gif-jpeg-png-tiff-fixtures.sh), and hostile variants
// edited from them byte by byte. JPEG is lossy: colours are compared within a
// tolerance, alpha exactly.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("jpeg/" + name); }
std::optional<readers::Raster> read(const Bytes& b, int minSide = 0) {
  return readers::readJpeg(readers::ByteView(b), minSide);
}

// Lossy: colours within a few levels, alpha exact.
const Traits kLossy = {.tolerance = 6};

std::uint32_t grey(unsigned v) { return rgb(v, v, v); }

// Four flat 8x8 quarters.
std::uint32_t h16(int x, int y) {
  static const std::uint32_t quarters[4] = {rgb(200, 30, 30), rgb(30, 200, 30), rgb(30, 30, 200), rgb(240, 240, 240)};
  return quarters[(y / 8) * 2 + x / 8];
}
std::uint32_t k16(int x, int y) { return grey(40 + 60 * ((y / 8) * 2 + x / 8)); }

// Left half red, right half blue, at any scale; the blurred middle is not checked.
Expected halves(int width) {
  return [width](int x, int) -> std::optional<std::uint32_t> {
    if (x < width / 2 - width / 20) return rgb(200, 30, 30);
    if (x >= width / 2 + width / 20) return rgb(30, 30, 200);
    return std::nullopt;
  };
}

Bytes withEndMarker(Bytes b) {
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

// Where the last start-of-scan marker is: entropy-coded data never holds FF DA.
std::size_t lastScan(const Bytes& b) {
  for (std::size_t i = b.size() - 2; i > 0; --i)
    if (b[i] == 0xFF && b[i + 1] == 0xDA) return i;
  return 0;
}

// The file with its last scan repeated `copies` more times before the end marker.
Bytes withRepeatedLastScan(const Bytes& b, int copies) {
  const std::size_t scan = lastScan(b);
  const std::size_t end = b.size() - 2;  // FF D9
  Bytes out(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(end));
  for (int i = 0; i < copies; ++i)
    out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(scan), b.begin() + static_cast<std::ptrdiff_t>(end));
  return withEndMarker(out);
}

struct Fixture {
  const char* file;
  int width, height;
  Expected want;
};
const Fixture kFixtures[] = {
    {"h16.jpg", 16, 16, h16},
    {"h16-progressive.jpg", 16, 16, h16},
    {"h16-arithmetic.jpg", 16, 16, h16},
    {"h16-rgb.jpg", 16, 16, h16},
    {"k16-grey.jpg", 16, 16, k16},
    {"halves-400x300.jpg", 400, 300, halves(400)},
};

TEST(JpegReader, ReadsFixtures) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.file);
    const Bytes bytes = load(f.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(samePicture(read(bytes), f.width, f.height, f.want, kLossy));
  }
}

TEST(JpegReader, ScalesDownAsFarAsMinSideAllows) {
  // 400x300 at 1/8 is 50x38 (sides round up), at 1/4 100x75, at 1/2 200x150.
  struct Case {
    int minSide, width, height;
  };
  const Case cases[] = {
      {0, 400, 300},   {1, 50, 38},     {38, 50, 38},    {39, 100, 75},   {75, 100, 75},
      {76, 200, 150},  {84, 200, 150},  {150, 200, 150}, {151, 400, 300}, {1000, 400, 300},
  };
  const Bytes bytes = load("halves-400x300.jpg");
  ASSERT_FALSE(bytes.empty());
  for (const Case& c : cases) {
    SCOPED_TRACE("minSide " + std::to_string(c.minSide));
    EXPECT_TRUE(samePicture(read(bytes, c.minSide), c.width, c.height, halves(c.width), kLossy));
  }
}

TEST(JpegReader, LimitsTheDecodedSize) {
  const Bytes bytes = load("grey-16392x8.jpg");
  ASSERT_FALSE(bytes.empty());
  EXPECT_FALSE(read(bytes).has_value());
  EXPECT_TRUE(samePicture(read(bytes, 1), 2049, 1, [](int, int) { return grey(90); }, kLossy));
}

TEST(JpegReader, RefusesUnsupportedAndDamagedFiles) {
  const Bytes baseline = load("h16.jpg");
  const Bytes progressive = load("h16-progressive.jpg");
  ASSERT_FALSE(baseline.empty());
  ASSERT_FALSE(progressive.empty());
  ASSERT_NE(lastScan(progressive), 0u);

  Bytes twelveBit = baseline;
  const std::uint8_t baselineFrame[] = {0xFF, 0xC0};
  const auto frame =
      std::search(twelveBit.begin(), twelveBit.end(), std::begin(baselineFrame), std::end(baselineFrame));
  ASSERT_NE(frame, twelveBit.end());
  frame[4] = 12;  // sample precision
  const std::size_t midScan = (lastScan(baseline) + baseline.size()) / 2;

  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {
      {"CMYK", load("h16-cmyk.jpg")},
      {"12-bit samples", twelveBit},
      {"cut in the middle of the scan", prefix(baseline, midScan)},
      {"scan stopped short by an end marker", withEndMarker(prefix(baseline, midScan))},
      {"end marker missing", prefix(baseline, baseline.size() - 2)},
      {"1000 repeated scans", withRepeatedLastScan(progressive, 1000)},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(read(c.bytes).has_value());
  }
}

TEST(JpegReader, AllowsAFewHundredScans) {
  // The same repetition that is refused at a thousand copies decodes when
  // the total stays under the limit, so the limit is what refuses it.
  const Bytes progressive = load("h16-progressive.jpg");
  ASSERT_FALSE(progressive.empty());
  EXPECT_TRUE(samePicture(read(withRepeatedLastScan(progressive, 150)), 16, 16, h16, kLossy));
}

TEST(JpegReader, RefusesEveryTruncation) {
  for (const Fixture& f : kFixtures)
    expectEveryPrefixRefused(load(f.file), f.file, [](const Bytes& b) { return read(b); });
}

}  // namespace
