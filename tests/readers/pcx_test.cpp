// Tests of readers::readPcx against ImageMagick-made fixtures
// (tests/fixtures/make-bmp-ico-pcx-fixtures.sh), small files assembled here
// byte by byte (RLE runs across scanlines, padding, 1-bit polarity), and
// hostile variants of both.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("pcx/" + name); }
std::optional<readers::Raster> read(const Bytes& b) { return readers::readPcx(readers::ByteView(b)); }

constexpr std::uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

// The source pictures of the fixture script.
const std::uint32_t kColours6x3[3][6] = {
    {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255), rgb(7, 8, 9)},
    {rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(128, 64, 32), rgb(32, 64, 128), rgb(90, 80, 70)},
    {rgb(200, 100, 50), rgb(50, 100, 200), rgb(10, 20, 30), rgb(250, 240, 230), rgb(40, 200, 120), rgb(60, 61, 62)},
};
std::uint32_t g16(int x, int y) { return rgb(17 * x, 17 * y, 16 * x + y); }
// g16 with a 17th column: rgb(255, 17y, 128 + y).
std::uint32_t g16Wide(int x, int y) { return x < 16 ? g16(x, y) : rgb(255, 17 * y, 128 + y); }
bool m16White(int x, int y) { return (x + 2 * y) % 3 == 0; }

// --- Building files --------------------------------------------------------

// The palette of built 8-bit files: entry i is rgb(i, 255 - i, i ^ 0x55).
std::uint32_t builtColour(unsigned i) { return rgb(i, 255 - i, i ^ 0x55); }

struct Pcx {
  unsigned bitsPerPixel = 8;
  unsigned planes = 1;
  unsigned xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  unsigned bytesPerLine = 0;
  Bytes data;              // the RLE stream
  bool vgaPalette = true;  // append 0x0C and 768 bytes
};

Bytes make(const Pcx& p) {
  Bytes b;
  b.reserve(128 + p.data.size() + 769);
  b.resize(128, 0);
  b[0] = 0x0A;
  b[1] = 5;
  b[2] = 1;
  b[3] = static_cast<std::uint8_t>(p.bitsPerPixel);
  put16(b, 4, static_cast<std::uint16_t>(p.xmin));
  put16(b, 6, static_cast<std::uint16_t>(p.ymin));
  put16(b, 8, static_cast<std::uint16_t>(p.xmax));
  put16(b, 10, static_cast<std::uint16_t>(p.ymax));
  b[65] = static_cast<std::uint8_t>(p.planes);
  put16(b, 66, static_cast<std::uint16_t>(p.bytesPerLine));
  put16(b, 68, 1);
  b.insert(b.end(), p.data.begin(), p.data.end());
  if (p.vgaPalette) {
    b.push_back(0x0C);
    for (unsigned i = 0; i < 256; ++i) {
      const std::uint32_t c = builtColour(i);
      b.push_back(static_cast<std::uint8_t>(c >> 16));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
      b.push_back(static_cast<std::uint8_t>(c));
    }
  }
  return b;
}

// --- ImageMagick files -----------------------------------------------------

TEST(ReadPcx, EightBitFixtures) {
  EXPECT_TRUE(samePicture(read(load("pal8-16x16.pcx")), 16, 16, g16));
  EXPECT_TRUE(samePicture(read(load("pal8-6x3.pcx")), 6, 3, [](int x, int y) { return kColours6x3[y][x]; }));
}

TEST(ReadPcx, OneBitIsZeroBlackOneWhite) {
  // The reader follows the ZSoft convention (0 = black, 1 = white) and ignores
  // the header palette. ImageMagick 6.9.11 writes the opposite bits (1 for
  // black; its header palette says entry 1 is white), so this fixture decodes
  // as the negative of its source picture m16.
  EXPECT_TRUE(samePicture(read(load("mono-16x16.pcx")), 16, 16,
                          [](int x, int y) { return m16White(x, y) ? kBlack : kWhite; }));
}

TEST(ReadPcx, OddWidthsWithOddBytesPerLine) {
  // ImageMagick writes bytes-per-line 5 for a 5-wide picture, 17 for 17.
  EXPECT_TRUE(samePicture(read(load("pal8-5x3-odd-bpl.pcx")), 5, 3, [](int x, int y) { return kColours6x3[y][x]; }));
  EXPECT_TRUE(samePicture(read(load("pal8-17x5-odd-bpl.pcx")), 17, 5, g16Wide));
}

TEST(ReadPcx, TwentyFourBitIsRefused) {
  const Bytes rgb24 = load("rgb24-5x3.pcx");
  ASSERT_FALSE(rgb24.empty()) << "fixture missing";
  EXPECT_FALSE(read(rgb24)) << "3 planes: have " << describe(read(rgb24)) << ", want nullopt";
}

// --- Built files -----------------------------------------------------------

TEST(ReadPcx, RunsCrossScanlines) {
  Pcx p;
  p.xmax = 1;
  p.ymax = 1;
  p.bytesPerLine = 2;
  p.data = {0xC4, 7};  // one run of four 7s fills both rows
  EXPECT_TRUE(samePicture(read(make(p)), 2, 2, [](int, int) { return builtColour(7); }));

  p.xmax = 3;
  p.ymax = 2;
  p.bytesPerLine = 4;
  p.data = {0xC6, 1, 2, 3, 0xC4, 9};  // 1 1 1 1 | 1 1 2 3 | 9 9 9 9
  const unsigned want[3][4] = {{1, 1, 1, 1}, {1, 1, 2, 3}, {9, 9, 9, 9}};
  EXPECT_TRUE(samePicture(read(make(p)), 4, 3, [&](int x, int y) { return builtColour(want[y][x]); }));
}

TEST(ReadPcx, ScanlinePaddingIsSkipped) {
  // Even and odd amounts of padding past the width.
  for (const unsigned bytesPerLine : {4u, 5u, 7u}) {
    Pcx p;
    p.xmax = 2;  // 3 wide
    p.ymax = 1;
    p.bytesPerLine = bytesPerLine;
    for (unsigned y = 0; y < 2; ++y) {
      for (unsigned x = 0; x < 3; ++x) p.data.push_back(static_cast<std::uint8_t>(1 + x + 3 * y));
      for (unsigned pad = 3; pad < bytesPerLine; ++pad) p.data.push_back(static_cast<std::uint8_t>(0x30 + pad));
    }
    EXPECT_TRUE(samePicture(read(make(p)), 3, 2, [](int x, int y) { return builtColour(1 + x + 3 * y); }))
        << bytesPerLine << " bytes per line";
  }
}

TEST(ReadPcx, SizeFromTheWindow) {
  Pcx p;
  p.xmin = 10;
  p.xmax = 12;
  p.ymin = 5;
  p.ymax = 6;
  p.bytesPerLine = 4;
  p.data = {0xC8, 0x20};
  EXPECT_TRUE(samePicture(read(make(p)), 3, 2, [](int, int) { return builtColour(0x20); }));
}

TEST(ReadPcx, RunEdgeCases) {
  Pcx p;
  p.xmax = 3;
  p.bytesPerLine = 4;
  // A zero-length run, values of 0xC0 and above (only as runs), and a last
  // run longer than the picture needs plus trailing bytes: all fine.
  p.data = {0xC0, 0x55, 0xC1, 0xC5, 0xC1, 0xFF, 1, 0xC9, 2, 0x11, 0x12};
  const unsigned want[4] = {0xC5, 0xFF, 1, 2};
  EXPECT_TRUE(samePicture(read(make(p)), 4, 1, [&](int x, int) { return builtColour(want[x]); }));
}

TEST(ReadPcx, VersionByteIsNotChecked) {
  Pcx p;
  p.xmax = 1;
  p.bytesPerLine = 2;
  p.data = {3, 4};
  for (std::uint8_t version : {0, 2, 3, 4, 5}) {
    Bytes b = make(p);
    b[1] = version;
    EXPECT_TRUE(samePicture(read(b), 2, 1, [](int x, int) { return builtColour(3 + x); }))
        << "version " << int{version};
  }
}

TEST(ReadPcx, OneBitIgnoresTheHeaderPalette) {
  Pcx p;
  p.bitsPerPixel = 1;
  p.xmax = 8;  // 9 wide: 2 bytes per line
  p.ymax = 1;
  p.bytesPerLine = 2;
  p.vgaPalette = false;
  p.data = {0xC1, 0xA5, 0x80, 0x00, 0x7F};
  Bytes b = make(p);
  // Header palette entries 0 and 1: red and green. Not used.
  b[16] = 0xFF;
  b[20] = 0xFF;
  const char* rows[2] = {"101001011", "000000000"};
  EXPECT_TRUE(samePicture(read(b), 9, 2, [&](int x, int y) { return rows[y][x] == '1' ? kWhite : kBlack; }));
}

// --- Hostile variants ------------------------------------------------------

// 4x2, 8 bits, literal pixels 1..8.
Bytes base8() {
  Pcx p;
  p.xmax = 3;
  p.ymax = 1;
  p.bytesPerLine = 4;
  p.data = {1, 2, 3, 4, 5, 6, 7, 8};
  return make(p);
}

// 16x2, 1 bit.
Bytes base1() {
  Pcx p;
  p.bitsPerPixel = 1;
  p.xmax = 15;
  p.ymax = 1;
  p.bytesPerLine = 2;
  p.vgaPalette = false;
  p.data = {0x12, 0x34, 0x56, 0x78};
  return make(p);
}

struct HostileCase {
  const char* name;
  std::function<Bytes()> make;
};

const HostileCase kHostile[] = {
    {"empty", [] { return Bytes{}; }},
    {"header only", [] { Bytes b = base8(); b.resize(128); return b; }},
    {"manufacturer 0x0B", [] { Bytes b = base8(); b[0] = 0x0B; return b; }},
    {"encoding 0 (uncompressed)", [] { Bytes b = base8(); b[2] = 0; return b; }},
    {"encoding 2", [] { Bytes b = base8(); b[2] = 2; return b; }},
    {"2 bits per pixel", [] { Bytes b = base1(); b[3] = 2; return b; }},
    {"4 bits per pixel", [] { Bytes b = base1(); b[3] = 4; return b; }},
    {"24 bits per pixel, 1 plane", [] { Bytes b = base8(); b[3] = 24; return b; }},
    {"0 bits per pixel", [] { Bytes b = base8(); b[3] = 0; return b; }},
    {"8 bits x 3 planes (24-bit)", [] { Bytes b = base8(); b[65] = 3; return b; }},
    {"8 bits x 4 planes", [] { Bytes b = base8(); b[65] = 4; return b; }},
    {"1 bit x 4 planes (16-colour planar)", [] { Bytes b = base1(); b[65] = 4; return b; }},
    {"1 bit x 3 planes", [] { Bytes b = base1(); b[65] = 3; return b; }},
    {"planes 0", [] { Bytes b = base8(); b[65] = 0; return b; }},
    {"bytes per line 0", [] { Bytes b = base8(); put16(b, 66, 0); return b; }},
    {"bytes per line smaller than the width (2 for 4 pixels)", [] { Bytes b = base8(); put16(b, 66, 2); return b; }},
    {"1 bit: bytes per line 0 for 16 pixels", [] { Bytes b = base1(); put16(b, 66, 0); return b; }},
    {"1 bit: bytes per line 1 for 16 pixels", [] { Bytes b = base1(); put16(b, 66, 1); return b; }},
    {"bytes per line 3 for 4 pixels", [] { Bytes b = base8(); put16(b, 66, 3); return b; }},
    {"1 bit: 17 pixels in 2 bytes per line", [] { Bytes b = base1(); put16(b, 8, 16); return b; }},
    {"xmax < xmin", [] { Bytes b = base8(); put16(b, 4, 4); return b; }},
    {"ymax < ymin", [] { Bytes b = base8(); put16(b, 6, 2); return b; }},
    {"width 16385", [] { Bytes b = base8(); put16(b, 8, 16384); put16(b, 66, 16386); return b; }},
    {"65536 x 65536 in a small file", [] { Bytes b = base8(); put16(b, 8, 65535); put16(b, 10, 65535); put16(b, 66, 65534); return b; }},
    {"16384 x 16384 (past maxPixels)", [] { Bytes b = base8(); put16(b, 8, 16383); put16(b, 10, 16383); put16(b, 66, 16384); return b; }},
    {"4096 x 4096 in 1 KB (stream too short to fill it)", [] { Bytes b = base8(); put16(b, 8, 4095); put16(b, 10, 4095); put16(b, 66, 4096); return b; }},
    {"rows added past the stream", [] { Bytes b = base8(); put16(b, 10, 2); return b; }},
    {"no 0x0C palette marker", [] { Bytes b = base8(); b[b.size() - 769] = 0x0B; return b; }},
    {"no 256-colour palette at all", [] { Bytes b = base8(); b.resize(b.size() - 769); return b; }},
    {"palette one byte short", [] { Bytes b = base8(); b.pop_back(); return b; }},
    {"stream one byte short",
     [] {
       Bytes b = base8();
       b.erase(b.begin() + 128 + 7);
       return b;
     }},
    {"run count as the last byte of the stream",
     [] {
       Pcx p;
       p.xmax = 3;
       p.bytesPerLine = 4;
       p.data = {1, 2, 0xC3};
       return make(p);
     }},
    {"run past the end of the stream",
     [] {
       Pcx p;
       p.xmax = 3;
       p.ymax = 1;
       p.bytesPerLine = 4;
       p.data = {0xC4, 1, 0xC3, 2};  // 7 of the 8 bytes
       return make(p);
     }},
    {"1 bit: stream one byte short", [] { Bytes b = base1(); b.pop_back(); return b; }},
    {"ImageMagick 24-bit", [] { return load("rgb24-5x3.pcx"); }},
};

TEST(ReadPcx, HostileVariantsAreRefused) {
  ASSERT_TRUE(read(base8())) << "base file: have nullopt, want a picture";
  ASSERT_TRUE(read(base1())) << "base file: have nullopt, want a picture";
  for (const auto& c : kHostile) {
    SCOPED_TRACE(c.name);
    const Bytes b = c.make();
    const auto r = read(b);
    EXPECT_FALSE(r) << c.name << ": have " << describe(r) << ", want nullopt";
  }
}

TEST(ReadPcx, EveryTruncatedPrefixIsRefused) {
  const std::pair<const char*, Bytes> files[] = {
      {"pal8-16x16.pcx", load("pal8-16x16.pcx")}, {"pal8-6x3.pcx", load("pal8-6x3.pcx")},
      {"built 8-bit", base8()},                   {"built 1-bit", base1()}};
  for (const auto& [name, b] : files) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(read(b)) << "the whole file: have nullopt, want a picture";
    expectEveryPrefixRefused(b, name, read);
  }
}

TEST(ReadPcx, OneBitFileCutInItsUnusedPaletteIsStillWhole) {
  // ImageMagick appends a 256-colour palette to its 1-bit file too. A 1-bit
  // picture does not use it, so the format cannot tell a file cut inside it
  // from a whole one: those prefixes decode to the whole picture, and every
  // shorter prefix is refused.
  const Bytes b = load("mono-16x16.pcx");
  ASSERT_GT(b.size(), 128u + 769u);
  const std::size_t streamEnd = b.size() - 769;
  ASSERT_EQ(b[streamEnd], 0x0C) << "expected ImageMagick's trailing palette";
  const auto whole = read(b);
  ASSERT_TRUE(whole) << "the whole file: have nullopt, want a picture";
  for (std::size_t n = 0; n < b.size(); ++n) {
    const auto r = readers::readPcx(readers::ByteView(b.data(), n));
    if (n < streamEnd) {
      EXPECT_FALSE(r) << "prefix of " << n << " of " << b.size() << " bytes: have " << describe(r)
                      << ", want nullopt";
    } else {
      ASSERT_TRUE(r) << "prefix of " << n << " bytes (all the scanlines): have nullopt, want the picture";
      EXPECT_EQ(r->argb, whole->argb) << "prefix of " << n << " bytes";
    }
  }
}

}  // namespace
