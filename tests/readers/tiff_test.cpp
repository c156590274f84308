// Tests of readers::readTiff against fixtures made by ImageMagick and libtiff's
// tools (tests/fixtures/make-gif-jpeg-png-tiff-fixtures.sh), pictures written
// here by libtiff in each compression and layout, and hostile variants with
// edited directory entries.

#include <gtest/gtest.h>

#include <string>

#include "reader_test_support.h"
#include "written_pictures.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("tiff/" + name); }
std::optional<readers::Raster> read(const Bytes& b) { return readers::readTiff(readers::ByteView(b)); }
std::optional<readers::Raster> readReduced(const Bytes& b, int minSide) {
  return readers::readTiff(readers::ByteView(b), minSide);
}

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
// m5x3: rows "10100", "01101", "11110", 1 black.
std::uint32_t m5x3(int x, int y) {
  static const char* const rows[3] = {"10100", "01101", "11110"};
  return rows[y][x] == '1' ? rgb(0, 0, 0) : rgb(255, 255, 255);
}

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
    {"c5x3-rgb-bigtiff-bigendian-tiled.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-deflate.tif", PixelKind::Opaque, c5x3},
    {"c5x3-rgb-packbits.tif", PixelKind::Opaque, c5x3},
    {"m5x3-g3.tif", PixelKind::Opaque, m5x3},
    {"m5x3-g4.tif", PixelKind::Opaque, m5x3},
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
  // Every compression this reader does not take is refused before decoding,
  // whatever libtiff could make of it.
  const Case cases[] = {
      {"width 0", width, 0},
      {"height 0", length, 0},
      {"width 65535", width, 65535},
      {"3 bits per sample", bitsPerSample, 3},
      {"unknown compression", compression, 12345},
      {"CCITT modified Huffman", compression, COMPRESSION_CCITTRLE},
      {"CCITT G3 for grey", compression, COMPRESSION_CCITTFAX3},
      {"CCITT G4 for grey", compression, COMPRESSION_CCITTFAX4},
      {"old-style JPEG", compression, COMPRESSION_OJPEG},
      {"NeXT", compression, COMPRESSION_NEXT},
      {"ThunderScan", compression, COMPRESSION_THUNDERSCAN},
      {"JBIG", compression, COMPRESSION_JBIG},
      {"LZMA", compression, COMPRESSION_LZMA},
      {"Zstandard", compression, COMPRESSION_ZSTD},
      {"WebP", compression, COMPRESSION_WEBP},
      {"SGI log", compression, COMPRESSION_SGILOG},
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

// Pictures libtiff writes in every compression and layout the reader takes,
// read as libtiff's whole-picture reading reads them, and as written.
std::uint8_t detailed(int x, int y, int c) { return static_cast<std::uint8_t>(37 * x + 11 * y + 90 * c + (x * y) % 7); }
// Flat 16 x 16 blocks, which JPEG keeps within a level or two; they differ in
// brightness only, as subsampled colour would bleed across their edges.
std::uint8_t blocks(int x, int y, int c) { return static_cast<std::uint8_t>(40 + 50 * c + 25 * (x / 16) + 35 * (y / 16)); }
std::uint8_t bilevel(int x, int y, int) { return (3 * x + 5 * y) % 7 < 3 ? 255 : 0; }

// The picture as the reader should place it: by the orientation tag,
// mirrored or upside down as libtiff's RGBA reading does.
Expected placed(const TiffLayout& layout, const Samples& sample) {
  const int o = layout.orientation;
  const bool mirrored = o == 2 || o == 3 || o == 6 || o == 7;
  const bool upsideDown = o == 3 || o == 4 || o == 7 || o == 8;
  return [=](int x, int y) -> std::optional<std::uint32_t> {
    const int sx = mirrored ? layout.width - 1 - x : x;
    const int sy = upsideDown ? layout.height - 1 - y : y;
    if (layout.samples == 1) {
      const unsigned v = sample(sx, sy, 0);
      const unsigned level = layout.bits == 1 ? (v >= 128 ? 255 : 0) : v;
      return rgb(level, level, level);
    }
    return rgb(sample(sx, sy, 0), sample(sx, sy, 1), sample(sx, sy, 2));
  };
}

struct Written {
  const char* name;
  TiffLayout layout;
  Samples sample = detailed;
  int tolerance = 0;
};

std::vector<Written> writtenPictures() {
  constexpr int w = 37, h = 23;
  std::vector<Written> pictures = {
      {"RGB, one strip", {.width = w, .height = h}},
      {"RGB, strips of 4 rows", {.width = w, .height = h, .rowsPerStrip = 4}},
      {"RGB LZW", {.width = w, .height = h, .compression = COMPRESSION_LZW}},
      {"RGB Deflate", {.width = w, .height = h, .compression = COMPRESSION_DEFLATE, .rowsPerStrip = 5}},
      {"RGB Adobe Deflate", {.width = w, .height = h, .compression = COMPRESSION_ADOBE_DEFLATE}},
      {"RGB PackBits", {.width = w, .height = h, .compression = COMPRESSION_PACKBITS, .rowsPerStrip = 7}},
      {"RGB JPEG", {.width = w, .height = h, .compression = COMPRESSION_JPEG}, blocks, 3},
      {"YCbCr JPEG 2x2", {.width = w, .height = h, .compression = COMPRESSION_JPEG, .ycbcr = true, .rowsPerStrip = 16},
       blocks, 3},
      {"RGB planar LZW", {.width = w, .height = h, .compression = COMPRESSION_LZW, .rowsPerStrip = 6, .planar = true}},
      {"RGB tiled LZW", {.width = w, .height = h, .compression = COMPRESSION_LZW, .tileSide = 16}},
      {"RGB tiled planar", {.width = w, .height = h, .tileSide = 16, .planar = true}},
      {"grey Deflate", {.width = w, .height = h, .samples = 1, .compression = COMPRESSION_DEFLATE}},
      {"bilevel", {.width = w, .height = h, .samples = 1, .bits = 1}, bilevel},
      {"bilevel PackBits", {.width = w, .height = h, .samples = 1, .bits = 1, .compression = COMPRESSION_PACKBITS},
       bilevel},
      {"bilevel CCITT G3", {.width = w, .height = h, .samples = 1, .bits = 1, .compression = COMPRESSION_CCITTFAX3},
       bilevel},
      {"bilevel CCITT G4", {.width = w, .height = h, .samples = 1, .bits = 1, .compression = COMPRESSION_CCITTFAX4},
       bilevel},
  };
  // Orientation in both ways of reading: by scanlines and by bands of tiles.
  for (std::uint16_t o = ORIENTATION_TOPRIGHT; o <= ORIENTATION_LEFTBOT; ++o) {
    pictures.push_back({"RGB LZW, oriented", {.width = w, .height = h, .compression = COMPRESSION_LZW, .orientation = o}});
    pictures.push_back({"RGB tiled, oriented", {.width = w, .height = h, .tileSide = 16, .orientation = o}});
  }
  return pictures;
}

TEST(TiffReader, ReadsWhatLibtiffWritesAsLibtiffReadsIt) {
  for (const Written& picture : writtenPictures()) {
    SCOPED_TRACE(std::string(picture.name) + ", orientation " + std::to_string(picture.layout.orientation));
    const Bytes bytes = writeTiff(picture.layout, picture.sample);
    const auto raster = read(bytes);
    EXPECT_TRUE(samePicture(raster, picture.layout.width, picture.layout.height,
                            placed(picture.layout, picture.sample), {.tolerance = picture.tolerance}));
    const auto whole = libtiffPicture(bytes);
    ASSERT_TRUE(whole.has_value());
    if (raster) {
      EXPECT_EQ(raster->argb, *whole);
    }
  }
}

// With minSide the reader hands the same pixels to the reduction as it keeps
// without: the reduced picture is the reduction of the full one, exactly.
TEST(TiffReader, ReducesWhileReadingToTheReductionOfTheWholePicture) {
  constexpr int minSide = 40;
  // Over the million pixels a reduction keeps whole.
  const TiffLayout layouts[] = {
      {.width = 1301, .height = 997, .compression = COMPRESSION_LZW, .orientation = ORIENTATION_BOTRIGHT},
      {.width = 1301, .height = 997, .tileSide = 64, .orientation = ORIENTATION_BOTLEFT},
  };
  for (const TiffLayout& layout : layouts) {
    SCOPED_TRACE(layout.tileSide != 0 ? "tiled" : "striped");
    const Bytes bytes = writeTiff(layout, detailed);
    const auto whole = read(bytes);
    ASSERT_TRUE(whole.has_value());
    const readers::Raster want = reductionOf(*whole, minSide);
    ASSERT_LT(want.width, whole->width);
    const auto reduced = readReduced(bytes, minSide);
    ASSERT_TRUE(reduced.has_value());
    EXPECT_EQ(reduced->width, want.width);
    EXPECT_EQ(reduced->height, want.height);
    EXPECT_EQ(reduced->argb, want.argb);
  }
}

}  // namespace
