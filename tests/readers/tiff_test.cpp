// Tests of readers::readTiff against fixtures made by ImageMagick and libtiff's
// tools (tests/fixtures/make-gif-jpeg-png-tiff-fixtures.sh), and hostile
// variants with edited directory entries.

#include <gtest/gtest.h>

#include <string>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("tiff/" + name); }
std::optional<readers::Raster> read(const Bytes& b) { return readers::readTiff(readers::ByteView(b)); }

// libtiff premultiplies alpha and the reader divides it out again, which
// loses up to about 255 / alpha levels per colour; alpha itself is exact.
int premultipliedLoss(std::uint32_t want) {
  const int alpha = static_cast<int>(want >> 24);
  if (alpha == 0) return 255;  // no colour survives
  return alpha == 255 ? 0 : 255 / alpha + 1;
}
Traits tiffPicture(PixelKind kind) { return {.kind = kind, .tolerance = premultipliedLoss}; }

const std::uint32_t kColours5x3[3][5] = {
    {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255)},
    {rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(128, 64, 32), rgb(32, 64, 128)},
    {rgb(200, 100, 50), rgb(50, 100, 200), rgb(10, 20, 30), rgb(250, 240, 230), rgb(1, 2, 3)},
};
const unsigned kAlpha5x3[3][5] = {{255, 255, 255, 255, 255}, {192, 128, 64, 32, 16}, {255, 200, 100, 50, 1}};
const unsigned kGrey5x3[3][5] = {{0, 32, 64, 96, 128}, {160, 192, 224, 255, 17}, {1, 2, 3, 250, 100}};

std::uint32_t c5x3(int x, int y) { return kColours5x3[y][x]; }
// ImageMagick's palette writer maps the last colour, (1, 2, 3), to black (its
// own reader agrees).
std::uint32_t c5x3Palette(int x, int y) { return x == 4 && y == 2 ? rgb(0, 0, 0) : c5x3(x, y); }
std::uint32_t c5x3Alpha(int x, int y) { return (kColours5x3[y][x] & 0xFFFFFF) | kAlpha5x3[y][x] << 24; }
std::uint32_t g5x3(int x, int y) { return rgb(kGrey5x3[y][x], kGrey5x3[y][x], kGrey5x3[y][x]); }

struct Fixture {
  const char* file;
  PixelKind kind;
  Expected want;
};
const Fixture kFixtures[] = {
    {"c5x3-rgb.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-lzw.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb16.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-planar.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-tiled.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-bigendian.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-bigtiff.tif", PixelKind::Opaque, c5x3},
    {"c5x3-palette.tif", PixelKind::Opaque, c5x3Palette},
    {"g5x3-grey8.tif", PixelKind::Opaque, g5x3},
    {"c5x3-rgba.tif", PixelKind::Alpha, c5x3Alpha},
    {"c5x3-rgba-associated.tif", PixelKind::Alpha, c5x3Alpha},
};

TEST(TiffReader, ReadsFixtures) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.file);
    const Bytes bytes = load(f.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(samePicture(read(bytes), 5, 3, f.want, tiffPicture(f.kind)));
  }
}

TEST(TiffReader, RefusesAValidPicturePastTheLimits) {
  const Bytes bytes = load("bilevel-16385x1.tif");
  ASSERT_FALSE(bytes.empty());
  EXPECT_FALSE(read(bytes).has_value());
}

TEST(TiffReader, RefusesEveryTruncation) {
  for (const Fixture& f : kFixtures) expectEveryPrefixRefused(load(f.file), f.file, read);
}

// Sets the value of a one-value SHORT or LONG entry of a little-endian file's
// first directory.
void setTag(Bytes& tiff, std::uint16_t tag, std::uint32_t value) {
  const std::size_t directory = le::get32(tiff.data() + 4);
  const std::uint16_t count = le::get16(tiff.data() + directory);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* entry = tiff.data() + directory + 2 + 12 * i;
    if (le::get16(entry) != tag) continue;
    ASSERT_EQ(le::get32(entry + 4), 1u) << "tag " << tag << " has several values";
    if (le::get16(entry + 2) == 3) {
      ASSERT_LE(value, 0xFFFFu);
      le::put16(entry + 8, static_cast<std::uint16_t>(value));
    } else {
      le::put32(entry + 8, value);
    }
    return;
  }
  FAIL() << "no tag " << tag;
}

TEST(TiffReader, RefusesEditedDirectories) {
  constexpr std::uint16_t width = 256, length = 257, bitsPerSample = 258, compression = 259;
  constexpr std::uint16_t photometric = 262, stripOffsets = 273;
  struct Case {
    const char* name;
    std::uint16_t tag;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"width 0", width, 0},
      {"height 0", length, 0},
      {"width 65535", width, 65535},
      {"3 bits per sample", bitsPerSample, 3},
      {"unknown compression", compression, 12345},
      {"unknown photometric", photometric, 77},
      {"strip past the end", stripOffsets, 1u << 30},
  };
  const Bytes original = load("g5x3-grey8.tif");
  ASSERT_FALSE(original.empty());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = original;
    ASSERT_NO_FATAL_FAILURE(setTag(bytes, c.tag, c.value));
    EXPECT_FALSE(read(bytes).has_value());
  }
}

}  // namespace
