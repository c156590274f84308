// Tests of readers::readBmp against ImageMagick-made fixtures
// (tests/fixtures/make-bmp-ico-pcx-fixtures.sh) and hostile variants derived
// from them byte by byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("bmp/" + name); }
std::optional<readers::Raster> read(const Bytes& b) { return readers::readBmp(readers::ByteView(b)); }

// The source pictures of the fixture script.
const std::uint32_t kColours5x3[3][5] = {
    {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255)},
    {rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(128, 64, 32), rgb(32, 64, 128)},
    {rgb(200, 100, 50), rgb(50, 100, 200), rgb(10, 20, 30), rgb(250, 240, 230), rgb(40, 200, 120)},
};
std::uint32_t c5x3(int x, int y) { return kColours5x3[y][x]; }
std::uint32_t g16(int x, int y) { return rgb(17 * x, 17 * y, 16 * x + y); }
std::uint32_t q16(int x, int y) { return rgb(85 * (x / 4), 85 * (y / 4), 0x40); }
std::uint32_t m16(int x, int y) { return (x + 2 * y) % 3 == 0 ? rgb(255, 255, 255) : rgb(0, 0, 0); }
std::uint32_t m5x3(int x, int y) {
  static const char* rows[3] = {"10100", "01101", "11110"};  // 1 = black, as in the PBM source
  return rows[y][x] == '1' ? rgb(0, 0, 0) : rgb(255, 255, 255);
}

// Fields of the file header (14 bytes) and the info header after it.
constexpr std::size_t kOffBits = 10;
constexpr std::size_t kHeaderSize = 14;
constexpr std::size_t kWidth = 18;
constexpr std::size_t kHeight = 22;
constexpr std::size_t kPlanes = 26;
constexpr std::size_t kBitCount = 28;
constexpr std::size_t kCompression = 30;
constexpr std::size_t kColorsUsed = 46;

// A copy of a bottom-up BMP with the rows in the other order and the height
// negated: the same picture, top-down.
Bytes topDown(const Bytes& bmp) {
  Bytes out = bmp;
  const std::uint32_t off = get32(bmp, kOffBits);
  const int width = static_cast<int>(get32(bmp, kWidth));
  const int height = static_cast<int>(get32(bmp, kHeight));
  const unsigned bits = le::get16(bmp.data() + kBitCount);
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  for (int y = 0; y < height; ++y)
    std::copy_n(bmp.begin() + off + y * stride, stride, out.begin() + off + (height - 1 - y) * stride);
  put32(out, kHeight, static_cast<std::uint32_t>(-height));
  return out;
}

// A copy of a 40-byte-header BMP with a larger info header: zeros inserted
// after the first 40 bytes, header size and pixel offset updated. (The masks
// area of the larger headers is ignored for BI_RGB.)
Bytes widenHeader(const Bytes& bmp, std::uint32_t size) {
  Bytes out(bmp.begin(), bmp.begin() + kHeaderSize + 40);
  out.insert(out.end(), size - 40, 0);
  out.insert(out.end(), bmp.begin() + kHeaderSize + 40, bmp.end());
  put32(out, kHeaderSize, size);
  put32(out, kOffBits, get32(bmp, kOffBits) + (size - 40));
  return out;
}

// A copy of a 40-byte-header BI_RGB 32-bit BMP turned into BI_BITFIELDS with
// the three masks inserted after the header.
Bytes withBitfields(const Bytes& bmp, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  Bytes out(bmp.begin(), bmp.begin() + kHeaderSize + 40);
  for (std::uint32_t m : {r, g, b})
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(m >> (8 * i)));
  out.insert(out.end(), bmp.begin() + kHeaderSize + 40, bmp.end());
  put32(out, kCompression, 3);
  put32(out, kOffBits, get32(bmp, kOffBits) + 12);
  return out;
}

struct FixtureCase {
  const char* file;
  int width;
  int height;
  std::uint32_t (*want)(int, int);
};

const FixtureCase kFixtures[] = {
    {"rgb24-5x3.bmp", 5, 3, c5x3},       {"rgb24-5x3-v5.bmp", 5, 3, c5x3},    {"rgb24-5x3-core.bmp", 5, 3, c5x3},
    {"rgb32-5x3.bmp", 5, 3, c5x3},       {"argb32-5x3-v5.bmp", 5, 3, c5x3},   {"pal4-5x3.bmp", 5, 3, c5x3},
    {"pal1-5x3.bmp", 5, 3, m5x3},        {"pal8-16x16.bmp", 16, 16, g16},     {"pal8-16x16-core.bmp", 16, 16, g16},
    {"pal4-16x16.bmp", 16, 16, q16},     {"pal1-16x16.bmp", 16, 16, m16},
};

TEST(ReadBmp, FixturesDecodeToTheirSourcePictures) {
  for (const auto& c : kFixtures) {
    SCOPED_TRACE(c.file);
    const Bytes b = load(c.file);
    ASSERT_FALSE(b.empty()) << "fixture missing";
    EXPECT_TRUE(samePicture(read(b), c.width, c.height, c.want));
  }
}

TEST(ReadBmp, TopDownRowsGiveTheSamePicture) {
  for (const auto& c : kFixtures) {
    const Bytes b = load(c.file);
    if (get32(b, kHeaderSize) == 12) continue;  // a core header's height is unsigned
    SCOPED_TRACE(c.file);
    EXPECT_TRUE(samePicture(read(topDown(b)), c.width, c.height, c.want));
  }
}

TEST(ReadBmp, ThirtyTwoBitsIsOpaqueWhateverTheAlphaBytes) {
  // Both fixtures hold alpha 0x80 in every fourth byte.
  for (const char* f : {"rgb32-5x3.bmp", "argb32-5x3-v5.bmp"}) {
    SCOPED_TRACE(f);
    const auto r = read(load(f));
    ASSERT_TRUE(r) << "have nullopt, want a picture";
    EXPECT_EQ(r->kind, readers::PixelKind::Opaque);
    EXPECT_EQ(r->pixel(3, 1), rgb(128, 64, 32)) << "have " << hex(r->pixel(3, 1));
  }
}

TEST(ReadBmp, SixteenBitFiveSixFive) {
  const auto r = read(load("rgb565-5x3.bmp"));
  ASSERT_TRUE(r) << "have nullopt, want a 5x3 picture";
  ASSERT_EQ(r->width, 5);
  ASSERT_EQ(r->height, 3);
  // Exact where 5 and 6 bits hold the value exactly.
  EXPECT_EQ(r->pixel(0, 0), rgb(255, 0, 0)) << "have " << hex(r->pixel(0, 0));
  EXPECT_EQ(r->pixel(1, 0), rgb(0, 255, 0)) << "have " << hex(r->pixel(1, 0));
  EXPECT_EQ(r->pixel(2, 0), rgb(0, 0, 255)) << "have " << hex(r->pixel(2, 0));
  EXPECT_EQ(r->pixel(1, 1), rgb(255, 255, 255)) << "have " << hex(r->pixel(1, 1));
  EXPECT_EQ(r->pixel(2, 1), rgb(0, 0, 0)) << "have " << hex(r->pixel(2, 1));
  // Elsewhere within the quantisation step.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const std::uint32_t have = r->pixel(x, y), want = c5x3(x, y);
      const int tolerance[3] = {9, 5, 9};  // red, green, blue
      for (int ch = 0; ch < 3; ++ch) {
        const int h = (have >> (16 - 8 * ch)) & 0xFF, w = (want >> (16 - 8 * ch)) & 0xFF;
        EXPECT_LE(std::abs(h - w), tolerance[ch])
            << "pixel (" << x << ", " << y << "): have " << hex(have) << ", want about " << hex(want);
      }
    }
}

TEST(ReadBmp, AllInfoHeaderSizes) {
  const Bytes rgb24 = load("rgb24-5x3.bmp");
  const Bytes pal8 = load("pal8-16x16.bmp");
  for (std::uint32_t size : {52u, 56u, 108u, 124u}) {
    SCOPED_TRACE("header size " + std::to_string(size));
    EXPECT_TRUE(samePicture(read(widenHeader(rgb24, size)), 5, 3, c5x3));
    EXPECT_TRUE(samePicture(read(widenHeader(pal8, size)), 16, 16, g16));
  }
}

TEST(ReadBmp, BitfieldsAfterAFortyByteHeader) {
  const Bytes rgb32 = load("rgb32-5x3.bmp");
  EXPECT_TRUE(samePicture(read(withBitfields(rgb32, 0x00FF0000, 0x0000FF00, 0x000000FF)), 5, 3, c5x3));
  // Red and blue masks swapped: red and blue swap in the picture.
  EXPECT_TRUE(samePicture(read(withBitfields(rgb32, 0x000000FF, 0x0000FF00, 0x00FF0000)), 5, 3, [](int x, int y) {
    const std::uint32_t v = c5x3(x, y);
    return (v & 0xFF00FF00u) | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16);
  }));
  // Masks in the top three bytes, the low byte unused (the alpha byte 0x80 is then blue's source).
  EXPECT_TRUE(samePicture(read(withBitfields(rgb32, 0xFF000000, 0x00FF0000, 0x0000FF00)), 5, 3, [](int x, int y) {
    const std::uint32_t v = c5x3(x, y);
    return 0xFF000000u | (0x80u << 16) | (((v >> 16) & 0xFF) << 8) | ((v >> 8) & 0xFF);
  }));
  // Pixel data may not start inside the masks.
  Bytes overlap = withBitfields(rgb32, 0x00FF0000, 0x0000FF00, 0x000000FF);
  put32(overlap, kOffBits, get32(overlap, kOffBits) - 12);
  EXPECT_FALSE(read(overlap)) << "pixels over the masks: have " << describe(read(overlap)) << ", want nullopt";
  // 52 bytes: the same masks as part of the header.
  Bytes v2 = withBitfields(rgb32, 0x00FF0000, 0x0000FF00, 0x000000FF);
  put32(v2, kHeaderSize, 52);
  EXPECT_TRUE(samePicture(read(v2), 5, 3, c5x3));
}

TEST(ReadBmp, PaletteSmallerThanTwoToTheBits) {
  // pal4-5x3 uses indices 0..14 of 16 entries: 15 entries still cover every pixel.
  Bytes b = load("pal4-5x3.bmp");
  put32(b, kColorsUsed, 15);
  EXPECT_TRUE(samePicture(read(b), 5, 3, c5x3));
}

TEST(ReadBmp, WideRowsAndPadding) {
  // 1001 x 2 pixels at 24 bits: rows of 3003 bytes padded to 3004, built by hand.
  const int w = 1001, h = 2;
  const std::size_t stride = 3004;
  Bytes b(54 + stride * h, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, kOffBits, 54);
  put32(b, kHeaderSize, 40);
  put32(b, kWidth, w);
  put32(b, kHeight, h);
  put16(b, kPlanes, 1);
  put16(b, kBitCount, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.data() + 54 + (h - 1 - y) * stride + 3 * x;
      p[0] = static_cast<std::uint8_t>(x);       // blue
      p[1] = static_cast<std::uint8_t>(x >> 8);  // green
      p[2] = static_cast<std::uint8_t>(y);       // red
    }
  EXPECT_TRUE(samePicture(read(b), w, h, [](int x, int y) { return rgb(y, (x >> 8) & 0xFF, x & 0xFF); }));
}

struct HostileCase {
  const char* name;
  const char* base;
  std::function<void(Bytes&)> edit;
};

const HostileCase kHostile[] = {
    {"not BM", "rgb24-5x3.bmp", [](Bytes& b) { b[1] = 'A'; }},
    {"header size 41", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeaderSize, 41); }},
    {"header size 64 (OS/2 2.x)", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeaderSize, 64); }},
    {"header size past the end", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeaderSize, 124); }},
    {"header size 0xFFFFFFFF", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeaderSize, 0xFFFFFFFF); }},
    {"planes 0", "rgb24-5x3.bmp", [](Bytes& b) { put16(b, kPlanes, 0); }},
    {"planes 2", "rgb24-5x3.bmp", [](Bytes& b) { put16(b, kPlanes, 2); }},
    {"bit count 30000", "rgb24-5x3.bmp", [](Bytes& b) { put16(b, kBitCount, 30000); }},
    {"bit count 0", "rgb24-5x3.bmp", [](Bytes& b) { put16(b, kBitCount, 0); }},
    {"bit count 2", "pal4-5x3.bmp", [](Bytes& b) { put16(b, kBitCount, 2); }},
    {"bit count 48", "rgb24-5x3.bmp", [](Bytes& b) { put16(b, kBitCount, 48); }},
    {"core header at 16 bits", "rgb24-5x3-core.bmp", [](Bytes& b) { put16(b, kHeaderSize + 10, 16); }},
    {"core header planes 0", "rgb24-5x3-core.bmp", [](Bytes& b) { put16(b, kHeaderSize + 8, 0); }},
    {"RLE8 (ImageMagick)", "rle8-16x16.bmp", [](Bytes&) {}},
    {"RLE8 on a 24-bit file", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kCompression, 1); }},
    {"RLE4", "pal4-5x3.bmp", [](Bytes& b) { put32(b, kCompression, 2); }},
    {"JPEG compression", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kCompression, 4); }},
    {"PNG compression", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kCompression, 5); }},
    {"alpha bitfields (6)", "argb32-5x3-v5.bmp", [](Bytes& b) { put32(b, kCompression, 6); }},
    {"bitfields at 24 bits", "rgb24-5x3-v5.bmp", [](Bytes& b) { put32(b, kCompression, 3); }},
    {"bitfields at 8 bits", "pal8-16x16.bmp", [](Bytes& b) { put32(b, kCompression, 3); }},
    {"bitfields red mask 0", "argb32-5x3-v5.bmp", [](Bytes& b) { put32(b, 54, 0); }},
    {"bitfields masks overlap", "argb32-5x3-v5.bmp", [](Bytes& b) { put32(b, 54, 0x0000F000); }},
    {"bitfields mask with a hole", "argb32-5x3-v5.bmp", [](Bytes& b) { put32(b, 54, 0xF00F0000); }},
    {"bitfields mask 10 bits wide", "argb32-5x3-v5.bmp", [](Bytes& b) { put32(b, 54, 0x3FF00000); }},
    {"bitfields 16-bit mask past 16 bits", "rgb565-5x3.bmp", [](Bytes& b) { put32(b, 54, 0x001F0000); }},
    {"bitfields masks past the end (40-byte header)", "rgb24-5x3.bmp",
     [](Bytes& b) {
       put16(b, kBitCount, 32);
       put32(b, kCompression, 3);
       b.resize(kHeaderSize + 40 + 8);
       put32(b, kOffBits, static_cast<std::uint32_t>(b.size()));
     }},
    {"negative width", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kWidth, static_cast<std::uint32_t>(-5)); }},
    {"width 0", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kWidth, 0); }},
    {"height 0", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeight, 0); }},
    {"height INT_MIN", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeight, 0x80000000u); }},
    {"width INT_MIN", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kWidth, 0x80000000u); }},
    {"width 16385", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kWidth, 16385); }},
    {"16384 x 16384 in 102 bytes (past maxPixels)", "rgb24-5x3.bmp",
     [](Bytes& b) {
       put32(b, kWidth, 16384);
       put32(b, kHeight, 16384);
     }},
    {"8000 x 8000 in 102 bytes", "rgb24-5x3.bmp",
     [](Bytes& b) {
       put32(b, kWidth, 8000);
       put32(b, kHeight, 8000);
     }},
    {"height 4 (one row short)", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kHeight, 4); }},
    {"pixel offset past the end", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kOffBits, 103); }},
    {"pixel offset 0xFFFFFFFF", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kOffBits, 0xFFFFFFFF); }},
    {"pixel offset one byte late", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kOffBits, 55); }},
    {"pixel offset inside the header", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kOffBits, 20); }},
    {"pixel offset 0", "rgb24-5x3.bmp", [](Bytes& b) { put32(b, kOffBits, 0); }},
    {"palette index past colours used (255 of 256 at 8 bits)", "pal8-16x16.bmp",
     [](Bytes& b) { put32(b, kColorsUsed, 255); }},
    {"palette index past colours used (1 at 1 bit)", "pal1-5x3.bmp", [](Bytes& b) { put32(b, kColorsUsed, 1); }},
    {"palette index past colours used (14 at 4 bits)", "pal4-5x3.bmp", [](Bytes& b) { put32(b, kColorsUsed, 14); }},
    {"colours used 257 at 8 bits", "pal8-16x16.bmp", [](Bytes& b) { put32(b, kColorsUsed, 257); }},
    {"colours used 17 at 4 bits", "pal4-5x3.bmp", [](Bytes& b) { put32(b, kColorsUsed, 17); }},
    {"colours used 3 at 1 bit", "pal1-5x3.bmp", [](Bytes& b) { put32(b, kColorsUsed, 3); }},
    {"colours used 0xFFFFFFFF", "pal8-16x16.bmp", [](Bytes& b) { put32(b, kColorsUsed, 0xFFFFFFFF); }},
    {"palette past the end (8 bits in 74 bytes)", "pal1-5x3.bmp",
     [](Bytes& b) {
       put16(b, kBitCount, 8);
       put32(b, kColorsUsed, 0);
     }},
    {"core palette cut short by the pixel offset", "pal8-16x16-core.bmp",
     // The table then holds 255 entries and index 255 is used.
     [](Bytes& b) {
       const std::uint32_t off = get32(b, kOffBits);
       b.erase(b.begin() + off - 3, b.begin() + off);
       put32(b, kOffBits, off - 3);
     }},
};

TEST(ReadBmp, HostileVariantsAreRefused) {
  for (const auto& c : kHostile) {
    SCOPED_TRACE(c.name);
    Bytes b = load(c.base);
    ASSERT_FALSE(b.empty()) << "fixture " << c.base << " missing";
    c.edit(b);
    const auto r = read(b);
    EXPECT_FALSE(r) << c.name << ": have " << describe(r) << ", want nullopt";
  }
}

TEST(ReadBmp, EveryTruncatedPrefixIsRefused) {
  std::vector<std::string> files;
  for (const auto& c : kFixtures) files.push_back(c.file);
  files.push_back("rgb565-5x3.bmp");
  for (const auto& f : files) {
    SCOPED_TRACE(f);
    const Bytes b = load(f);
    ASSERT_TRUE(read(b)) << "the whole file: have nullopt, want a picture";
    expectEveryPrefixRefused(b, f, read);
  }
}

TEST(ReadBmp, TrailingBytesAreIgnored) {
  Bytes b = load("rgb24-5x3.bmp");
  b.insert(b.end(), 100, 0xAB);
  EXPECT_TRUE(samePicture(read(b), 5, 3, c5x3));
}

}  // namespace
