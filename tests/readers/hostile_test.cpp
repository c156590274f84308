// Files that claim pictures far larger than they hold, through the entry
// point the windows call. The per-format tests check that such files are
// refused; these also check what refusing them costs, counting the decoding
// libraries' own allocations: a reader that allocates the picture before
// finding out the data is missing passes those tests but lets a 200-byte file
// take a quarter of a gigabyte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "reader_test_support.h"
#include "toolkit/readers/reduce.h"
#include "written_pictures.h"
#include "tests/support/allocation_meter.h"

namespace {

using namespace reader_tests;

// JPEG and PNG fields are big-endian.
void put16be(Bytes& b, std::size_t at, std::uint32_t v) {
  b.at(at) = (v >> 8) & 0xFF;
  b.at(at + 1) = v & 0xFF;
}
void put32be(Bytes& b, std::size_t at, std::uint32_t v) {
  put16be(b, at, v >> 16);
  put16be(b, at + 2, v & 0xFFFF);
}

std::size_t find(const Bytes& b, std::initializer_list<std::uint8_t> marker, std::size_t from = 0) {
  const auto it = std::search(b.begin() + static_cast<std::ptrdiff_t>(from), b.end(), marker.begin(), marker.end());
  EXPECT_NE(it, b.end()) << "marker not in the fixture";
  return static_cast<std::size_t>(it - b.begin());
}

Bytes bmp(std::uint32_t width, std::uint32_t height) {
  Bytes b = loadFixture("bmp/rgb24-5x3.bmp");
  put32(b, 18, width);
  put32(b, 22, height);
  return b;
}

// An icon around the DIB of a BMP fixture, its height doubled for the AND
// mask as icons store it.
Bytes icon(std::uint32_t width, std::uint32_t height) {
  const Bytes file = loadFixture("bmp/pal1-16x16.bmp");
  Bytes b = iconOf(Bytes(file.begin() + 14, file.end()));
  put32(b, iconImageAt + 4, width);
  put32(b, iconImageAt + 8, 2 * height);
  return b;
}

Bytes pcx(std::uint32_t width, std::uint32_t height) {
  Bytes b = loadFixture("pcx/pal8-16x16.pcx");
  put16(b, 4, 0);
  put16(b, 6, 0);
  put16(b, 8, width - 1);
  put16(b, 10, height - 1);
  put16(b, 66, (width + 1) / 2 * 2);
  return b;
}

Bytes gifScreen(std::uint32_t width, std::uint32_t height) {
  Bytes b = loadFixture("gif/c5x3-87a.gif");
  put16(b, 6, width);
  put16(b, 8, height);
  return b;
}

Bytes gifFrame(std::uint32_t width, std::uint32_t height) {
  Bytes b = loadFixture("gif/c5x3-87a.gif");
  const std::size_t descriptor = find(b, {0x2C, 0, 0, 0, 0});
  put16(b, descriptor + 5, width);
  put16(b, descriptor + 7, height);
  return b;
}

// A JPEG fixture claiming another size in its frame header: FF C0 for a
// baseline file, FF C2 for a progressive one.
Bytes jpeg(std::uint32_t width, std::uint32_t height, const char* fixture = "jpeg/h16.jpg",
           std::uint8_t frameMarker = 0xC0) {
  Bytes b = loadFixture(fixture);
  const std::size_t frame = find(b, {0xFF, frameMarker});
  put16be(b, frame + 5, height);
  put16be(b, frame + 7, width);
  return b;
}

// Scan data cut in half, the end-of-image marker kept: libjpeg meets the
// marker early and, unless stopped, pads the rest of the picture with grey.
Bytes jpegCutMidScanWithItsEnd() {
  Bytes b = loadFixture("jpeg/h16.jpg");
  const std::size_t scan = find(b, {0xFF, 0xDA});
  const std::size_t dataStart = scan + 2 + (std::size_t{b.at(scan + 2)} << 8 | b.at(scan + 3));
  const std::size_t end = b.size() - 2;
  b.erase(b.begin() + static_cast<std::ptrdiff_t>((dataStart + end) / 2), b.begin() + static_cast<std::ptrdiff_t>(end));
  return b;
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// IHDR is the first chunk: its data at 16, its checksum (over type and
// data) at 29, which libpng checks.
Bytes png(std::uint32_t width, std::uint32_t height) {
  Bytes b = loadFixture("png/c5x3-rgb8.png");
  put32be(b, 16, width);
  put32be(b, 20, height);
  put32be(b, 29, crc32(b.data() + 12, 17));
  return b;
}

// The first directory entry, of a one-value SHORT (3) or LONG (4) field.
struct TiffEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t value;
};

// A little-endian TIFF of one 8-bit grey LZW strip, claiming width x height
// and holding 64 bytes of codes: a clear code, then zeros.
Bytes tiffOneLzwStrip(std::uint32_t width, std::uint32_t height) {
  constexpr std::uint32_t count = 10;
  constexpr std::uint32_t stripAt = 8 + 2 + 12 * count + 4;
  const TiffEntry entries[count] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},       {259, 3, 5},
                                    {262, 3, 1},     {273, 4, stripAt}, {277, 3, 1},      {278, 4, height},
                                    {279, 4, 64},    {284, 3, 1}};
  Bytes b(stripAt + 64);
  b[0] = b[1] = 'I';
  put16(b, 2, 42);
  put32(b, 4, 8);
  put16(b, 8, count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = 10 + 12 * i;
    put16(b, at, entries[i].tag);
    put16(b, at + 2, entries[i].type);
    put32(b, at + 4, 1);
    if (entries[i].type == 3)
      put16(b, at + 8, static_cast<std::uint16_t>(entries[i].value));
    else
      put32(b, at + 8, entries[i].value);
  }
  b[stripAt] = 0x80;  // the 9-bit clear code 256
  return b;
}

// A TIFF fixture with its size fields (LONG or SHORT) changed.
Bytes tiffClaiming(const char* fixture, std::uint32_t width, std::uint32_t height) {
  Bytes b = loadFixture(fixture);
  const std::size_t directory = get32(b, 4);
  const std::size_t count = le::get16(field(b, directory, 2));
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = directory + 2 + 12 * i;
    const std::uint16_t tag = le::get16(field(b, at, 2));
    if (tag != 256 && tag != 257) continue;
    const std::uint32_t value = tag == 256 ? width : height;
    if (le::get16(field(b, at + 2, 2)) == 3)
      put16(b, at + 8, static_cast<std::uint16_t>(value));
    else
      put32(b, at + 8, value);
  }
  return b;
}

// A 35-byte GIF: a side x side screen of black round a single white pixel
// in its middle.
Bytes gifScreenRoundOnePixel(std::uint16_t side) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,  // screen, 2 colours
             0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,                                             // a 1 x 1 frame
             2, 2, 0x4C, 0x01, 0,                                                         // clear, 1, end
             0x3B};
  put16(b, 6, side);
  put16(b, 8, side);
  put16(b, 20, side / 2);
  put16(b, 22, side / 2);
  return b;
}

// What the toolkit asks of the readers: twice the largest icon side.
constexpr int toolkitMinSide = 168;

// What a refusal may cost when the format makes the file hold every pixel,
// or bounds what a byte decodes to (a PCX run, deflate's best ratio): the
// check comes before the picture.
constexpr std::size_t refusalBeforeThePicture = 1u << 20;
// What a refusal may cost when the reader decodes what the file holds first:
// the rows decoded before the data ends, a band of 16 at most here.
constexpr std::size_t rowsBeforeTheDataEnds = 4u << 20;

// The picture reduced for the toolkit: its sums and the result, and the
// reader's row buffers.
constexpr std::size_t reducedPicture = 3u << 20;

struct Claim {
  const char* name;
  std::function<Bytes()> make;
  std::size_t mostBytes;
  int minSide = 0;
  bool valid = false;  // a picture, though a small file
};

const Claim kClaims[] = {
    {"BMP 65535 x 65535 x 3 bytes (past 32 bits)", [] { return bmp(65535, 65535); }, refusalBeforeThePicture},
    {"BMP 8000 x 8000 in 102 bytes", [] { return bmp(8000, 8000); }, refusalBeforeThePicture},
    {"BMP 16384 x 4096 bottom-up, no pixels", [] { return bmp(16384, 4096); }, refusalBeforeThePicture},
    {"ICO 65535 x 65535 in 200 bytes", [] { return icon(65535, 65535); }, refusalBeforeThePicture},
    {"ICO 8000 x 8000 at 1 bit", [] { return icon(8000, 8000); }, refusalBeforeThePicture},
    {"PCX 65535 x 65535", [] { return pcx(65535, 65535); }, refusalBeforeThePicture},
    {"PCX 16384 x 4096 in 1 KB", [] { return pcx(16384, 4096); }, refusalBeforeThePicture},
    {"GIF screen 65535 x 65535", [] { return gifScreen(65535, 65535); }, refusalBeforeThePicture},
    {"GIF first frame 65535 x 65535", [] { return gifFrame(65535, 65535); }, refusalBeforeThePicture},
    {"GIF first frame 16384 x 4096 on a 5 x 3 screen", [] { return gifFrame(16384, 4096); }, refusalBeforeThePicture},
    {"JPEG 65535 x 65535", [] { return jpeg(65535, 65535); }, refusalBeforeThePicture},
    // JPEG allocates its rows as they are decoded, and a progressive file's
    // coefficients only as far as its bytes can fill them.
    {"JPEG 16384 x 4096 in 700 bytes", [] { return jpeg(16384, 4096); }, rowsBeforeTheDataEnds},
    {"JPEG progressive 16384 x 4096 in 538 bytes",
     [] { return jpeg(16384, 4096, "jpeg/h16-progressive.jpg", 0xC2); }, refusalBeforeThePicture},
    {"JPEG cut mid-scan, end marker kept", jpegCutMidScanWithItsEnd, rowsBeforeTheDataEnds},
    // An arithmetic-coded scan is padded past a marker without a warning.
    {"JPEG arithmetic 12801 x 5136 in 200 bytes", [] { return jpeg(12801, 5136, "jpeg/h16-arithmetic.jpg", 0xC9); },
     rowsBeforeTheDataEnds},
    {"PNG 65535 x 65535", [] { return png(65535, 65535); }, refusalBeforeThePicture},
    // Even deflate's best ratio cannot fill the rows from the image data held.
    {"PNG 16384 x 4096 in 100 bytes", [] { return png(16384, 4096); }, refusalBeforeThePicture},
    {"ICO holding a PNG 16384 x 4096 in 134 bytes", [] { return iconOf(png(16384, 4096)); },
     refusalBeforeThePicture},
    {"ICO holding a PNG 16384 x 4096 in 134 bytes, for the toolkit", [] { return iconOf(png(16384, 4096)); },
     refusalBeforeThePicture, toolkitMinSide},
    {"PNG 2^31 - 1 square", [] { return png(0x7FFFFFFF, 0x7FFFFFFF); }, refusalBeforeThePicture},
    {"TIFF 65535 x 65535", [] { return tiffClaiming("tiff/c5x3-rgb.tif", 65535, 65535); }, refusalBeforeThePicture},
    // No compression libtiff takes turns 64 bytes into a 64 MB picture.
    {"TIFF 8000 x 8000 in one 64-byte LZW strip", [] { return tiffOneLzwStrip(8000, 8000); },
     refusalBeforeThePicture},
    {"TIFF 8000 x 8000 in one 64-byte LZW strip, for the toolkit", [] { return tiffOneLzwStrip(8000, 8000); },
     refusalBeforeThePicture, toolkitMinSide},
    {"TIFF 16384 x 4096, 45 bytes of raw pixels", [] { return tiffClaiming("tiff/c5x3-rgb.tif", 16384, 4096); },
     refusalBeforeThePicture},
    {"TIFF 16384 x 4096 in one 16 x 16 tile", [] { return tiffClaiming("tiff/c5x3-rgb-tiled.tif", 16384, 4096); },
     refusalBeforeThePicture},
    {"TIFF 16384 x 4096 planar, 15 bytes a plane", [] { return tiffClaiming("tiff/c5x3-rgb-planar.tif", 16384, 4096); },
     refusalBeforeThePicture},
    // The screen is background colour, so the picture is valid at any size:
    // only its reduction may be held.
    {"GIF 8000 x 8000 screen round a 1 x 1 frame, for the toolkit", [] { return gifScreenRoundOnePixel(8000); },
     reducedPicture, toolkitMinSide, true},
};

// The bounds below mean nothing unless the meter sees what C code takes
// straight from malloc, as the decoding libraries do.
TEST(HostileFiles, TheMeterSeesMallocFromC) {
  constexpr std::size_t size = 3u << 20;
  void* (*const volatile cMalloc)(std::size_t) = std::malloc;
  const auto usage = allocation_meter::measure([&] {
    void* block = cMalloc(size);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, size);
    std::free(block);
  });
  EXPECT_GE(usage.peak, size);
  EXPECT_EQ(usage.kept, 0);
}

TEST(HostileFiles, HugeClaimsAreRefusedWithinTheirMemoryBound) {
  for (const Claim& claim : kClaims) {
    SCOPED_TRACE(claim.name);
    const Bytes bytes = claim.make();
    bool decoded = false;
    const auto usage =
        allocation_meter::measure([&] { decoded = readers::readPicture(bytes, claim.minSide).has_value(); });
    EXPECT_EQ(decoded, claim.valid) << claim.name << (decoded ? ": have a picture" : ": have nullopt");
    EXPECT_LE(usage.peak, claim.mostBytes) << claim.name << ": held " << usage.peak << " bytes at once";
    EXPECT_EQ(usage.kept, 0) << claim.name << ": memory not given back";
  }
}

// A 6000 x 4000 picture read for the toolkit takes the memory of its
// reduction and of a strip, a band of tiles or a row, never of the picture.
TEST(LargePictures, AreReadInTheMemoryOfTheirReduction) {
  constexpr int width = 6000, height = 4000;
  constexpr std::size_t fullPicture = std::size_t{4} * width * height;
  const auto grey = [](int x, int y) { return static_cast<std::uint8_t>(x / 24 + y / 16); };
  const auto colour = [&](int x, int y, int c) { return static_cast<std::uint8_t>(grey(x, y) + 80 * c); };
  constexpr std::uint32_t tileSide = 256;
  struct Case {
    const char* name;
    std::function<Bytes()> make;
    std::size_t mostBytes;
  };
  const Case cases[] = {
      {"TIFF RGB LZW, one strip",
       [&] { return writeTiff({.width = width, .height = height, .compression = COMPRESSION_LZW}, colour); },
       reducedPicture},
      {"TIFF RGB uncompressed, one strip", [&] { return writeTiff({.width = width, .height = height}, colour); },
       reducedPicture},
      {"TIFF RGB Deflate, 256 x 256 tiles",
       [&] {
         return writeTiff(
             {.width = width, .height = height, .compression = COMPRESSION_ADOBE_DEFLATE, .tileSide = tileSide}, colour);
       },
       reducedPicture + std::size_t{4} * width * tileSide + std::size_t{3} * tileSide * tileSide},
      {"GIF", [&] { return writeGif(width, height, greyLevels(), grey); }, reducedPicture},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes bytes = c.make();
    std::optional<readers::Raster> raster;
    const auto usage = allocation_meter::measure([&] { raster = readers::readPicture(bytes, toolkitMinSide); });
    ASSERT_TRUE(raster.has_value());
    const readers::ReducedSize reduced = readers::reducedSize(width, height, toolkitMinSide);
    ASSERT_LT(reduced.width, width);
    EXPECT_EQ(raster->width, reduced.width);
    EXPECT_EQ(raster->height, reduced.height);
    EXPECT_LE(usage.peak, c.mostBytes) << "held " << usage.peak << " bytes at once, the picture is " << fullPicture;
  }
}

}  // namespace
