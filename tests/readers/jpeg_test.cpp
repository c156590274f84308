// Tests of readers::readJpeg against fixtures made by cjpeg and ImageMagick
// (tests/fixtures/make-gif-jpeg-png-tiff-fixtures.sh), and hostile variants
// edited from them byte by byte. JPEG is lossy: colours are compared within a
// tolerance, alpha exactly.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "toolkit/readers/readers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Expected = std::function<std::uint32_t(int x, int y)>;

Bytes load(const std::string& name) {
  std::ifstream in(std::string(QUORVEL_FIXTURES) + "/jpeg/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<readers::Raster> read(const Bytes& b, int minSide = 0) {
  return readers::readJpeg(readers::ByteView(b), minSide);
}

std::string hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

bool near(std::uint32_t have, std::uint32_t want, int tolerance) {
  if ((have >> 24) != (want >> 24)) return false;
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((have >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > tolerance)
      return false;
  return true;
}

// Size, kind and every pixel for which want gives a colour (0 means "any").
testing::AssertionResult similarPicture(const std::optional<readers::Raster>& r, int width, int height,
                                        const Expected& want) {
  if (!r) return testing::AssertionFailure() << "have nullopt, want a " << width << "x" << height << " picture";
  if (r->width != width || r->height != height || r->argb.size() != static_cast<std::size_t>(width) * height)
    return testing::AssertionFailure() << "size: have " << r->width << "x" << r->height << ", want " << width << "x"
                                       << height;
  if (r->kind != readers::PixelKind::Opaque || r->isIcon)
    return testing::AssertionFailure() << "want an opaque picture, not from an icon";
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (want(x, y) != 0 && !near(r->pixel(x, y), want(x, y), 6))
        return testing::AssertionFailure() << "pixel (" << x << ", " << y << "): have " << hex(r->pixel(x, y))
                                           << ", want about " << hex(want(x, y));
  return testing::AssertionSuccess();
}

std::uint32_t rgb(unsigned r, unsigned g, unsigned b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }
std::uint32_t grey(unsigned v) { return rgb(v, v, v); }

// Four flat 8x8 quarters.
std::uint32_t h16(int x, int y) {
  static const std::uint32_t quarters[4] = {rgb(200, 30, 30), rgb(30, 200, 30), rgb(30, 30, 200), rgb(240, 240, 240)};
  return quarters[(y / 8) * 2 + x / 8];
}
std::uint32_t k16(int x, int y) { return grey(40 + 60 * ((y / 8) * 2 + x / 8)); }

// Left half red, right half blue, at any scale; the blurred middle is not checked.
Expected halves(int width) {
  return [width](int x, int) -> std::uint32_t {
    if (x < width / 2 - width / 20) return rgb(200, 30, 30);
    if (x >= width / 2 + width / 20) return rgb(30, 30, 200);
    return 0;
  };
}

Bytes prefix(const Bytes& b, std::size_t size) {
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
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
    EXPECT_TRUE(similarPicture(read(bytes), f.width, f.height, f.want));
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
    EXPECT_TRUE(similarPicture(read(bytes, c.minSide), c.width, c.height, halves(c.width)));
  }
}

TEST(JpegReader, LimitsTheDecodedSize) {
  const Bytes bytes = load("grey-16392x8.jpg");
  ASSERT_FALSE(bytes.empty());
  EXPECT_FALSE(read(bytes).has_value());
  EXPECT_TRUE(similarPicture(read(bytes, 1), 2049, 1, [](int, int) { return grey(90); }));
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
  EXPECT_TRUE(similarPicture(read(withRepeatedLastScan(progressive, 150)), 16, 16, h16));
}

TEST(JpegReader, RefusesEveryTruncation) {
  for (const Fixture& f : kFixtures) {
    const Bytes bytes = load(f.file);
    ASSERT_FALSE(bytes.empty());
    for (std::size_t size = 0; size < bytes.size(); ++size)
      EXPECT_FALSE(read(prefix(bytes, size)).has_value()) << f.file << " cut to " << size << " bytes";
  }
}

}  // namespace
