// Tests of readers::readIcon (ICO and CUR) against ImageMagick-made icons
// (tests/fixtures/make-bmp-ico-pcx-fixtures.sh), icons assembled here from the
// ImageMagick BMP fixtures (a DIB with doubled height and an AND mask; clearer
// than asking an encoder for each depth), and hostile variants of both.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

std::optional<readers::Raster> read(const Bytes& b) { return readers::readIcon(readers::ByteView(b)); }

constexpr std::uint32_t kRed = 0xFFFF0000, kLime = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
const Traits kMaskedIcon = {.kind = PixelKind::Masked, .isIcon = true};
const Traits kAlphaIcon = {.kind = PixelKind::Alpha, .isIcon = true};

// The source pictures of the BMP fixtures (see the fixture script).
const std::uint32_t kColours5x3[3][5] = {
    {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255)},
    {rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(128, 64, 32), rgb(32, 64, 128)},
    {rgb(200, 100, 50), rgb(50, 100, 200), rgb(10, 20, 30), rgb(250, 240, 230), rgb(40, 200, 120)},
};
std::uint32_t c5x3(int x, int y) { return kColours5x3[y][x]; }
std::uint32_t g16(int x, int y) { return rgb(17 * x, 17 * y, 16 * x + y); }
std::uint32_t m16(int x, int y) { return (x + 2 * y) % 3 == 0 ? rgb(255, 255, 255) : rgb(0, 0, 0); }

// --- Building icons --------------------------------------------------------

struct Image {
  std::uint8_t widthByte;
  std::uint8_t colourCount;
  Bytes data;
};

// Header, directory, then the images in order. Planes 1 and bit count 32 in
// every entry (the reader ignores both).
Bytes makeIcon(std::uint16_t type, const std::vector<Image>& images) {
  Bytes out(6 + 16 * images.size(), 0);
  put16(out, 2, type);
  put16(out, 4, static_cast<std::uint16_t>(images.size()));
  std::size_t offset = out.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::size_t e = 6 + 16 * i;
    out[e] = images[i].widthByte;
    out[e + 1] = images[i].widthByte;
    out[e + 2] = images[i].colourCount;
    put16(out, e + 4, 1);
    put16(out, e + 6, 32);
    put32(out, e + 8, static_cast<std::uint32_t>(images[i].data.size()));
    put32(out, e + 12, static_cast<std::uint32_t>(offset));
    offset += images[i].data.size();
  }
  for (const auto& image : images) out.insert(out.end(), image.data.begin(), image.data.end());
  return out;
}

// An icon DIB made from a 40-byte-header bottom-up BMP fixture (whose pixels
// directly follow its colour table): the height doubled and an AND mask with
// the bits masked(x, y) appended.
Bytes dibFromBmp(const Bytes& bmp, const std::function<bool(int, int)>& masked) {
  const int width = static_cast<int>(get32(bmp, 18));
  const int height = static_cast<int>(get32(bmp, 22));
  Bytes dib(bmp.begin() + 14, bmp.end());
  put32(dib, 8, static_cast<std::uint32_t>(2 * height));
  const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;
    Bytes bits(stride, 0);
    for (int x = 0; x < width; ++x)
      if (masked(x, y)) bits[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    dib.insert(dib.end(), bits.begin(), bits.end());
  }
  return dib;
}

bool pattern(int x, int y) { return (x + 3 * y) % 4 == 0; }
bool nothing(int, int) { return false; }

Expected masked(std::uint32_t (*picture)(int, int)) {
  return [picture](int x, int y) { return pattern(x, y) ? 0u : picture(x, y); };
}

// --- ImageMagick icons -----------------------------------------------------

TEST(ReadIcon, SixteenThenThirtyTwoWithColourCountZeroTakesTheLast) {
  const auto r = read(loadFixture("ico/argb-16-32.ico"));
  ASSERT_TRUE(hasShape(r, 32, 32, kAlphaIcon));
  EXPECT_EQ(r->pixel(0, 0), kBlue) << "have " << hex(r->pixel(0, 0));
  EXPECT_EQ(r->pixel(3, 3), kBlue) << "have " << hex(r->pixel(3, 3));
  EXPECT_EQ(r->pixel(4, 0), kLime) << "have " << hex(r->pixel(4, 0));
  EXPECT_EQ(r->pixel(30, 31), kLime) << "have " << hex(r->pixel(30, 31));
  EXPECT_EQ(r->pixel(31, 31) >> 24, 0u) << "alpha of (31, 31): have " << hex(r->pixel(31, 31)) << ", want 0x00";
}

TEST(ReadIcon, ThirtyTwoThenSixteenWithColourCountZeroTakesTheLast) {
  const auto r = read(loadFixture("ico/argb-32-16.ico"));
  ASSERT_TRUE(hasShape(r, 16, 16, kAlphaIcon));
  EXPECT_EQ(r->pixel(7, 7), kBlue) << "have " << hex(r->pixel(7, 7));
  EXPECT_EQ(r->pixel(8, 0), kRed) << "have " << hex(r->pixel(8, 0));
  EXPECT_EQ(r->pixel(15, 15) >> 24, 0u) << "alpha of (15, 15): have " << hex(r->pixel(15, 15)) << ", want 0x00";
}

TEST(ReadIcon, ThirtyTwoWideSixteenColourEntryFirstIsTaken) {
  // 4-bit DIBs with an all-clear AND mask: every pixel opaque.
  const auto r = read(loadFixture("ico/pal4-32-16.ico"));
  EXPECT_TRUE(samePicture(r, 32, 32, [](int x, int y) { return x < 4 && y < 4 ? kBlue : kLime; },
                          kMaskedIcon));
}

TEST(ReadIcon, PngImageGoesToReadPng) {
  const auto r = read(loadFixture("ico/png-16-256.ico"));
  ASSERT_TRUE(r) << "have nullopt, want the 256x256 PNG image";
  EXPECT_EQ(r->width, 256);
  EXPECT_EQ(r->height, 256);
  EXPECT_TRUE(r->isIcon);
  EXPECT_EQ(r->pixel(0, 0), kBlue) << "have " << hex(r->pixel(0, 0));
  EXPECT_EQ(r->pixel(127, 127), kBlue) << "have " << hex(r->pixel(127, 127));
  EXPECT_EQ(r->pixel(128, 0), kYellow) << "have " << hex(r->pixel(128, 0));
  EXPECT_EQ(r->pixel(255, 255), kYellow) << "have " << hex(r->pixel(255, 255));
}

TEST(ReadIcon, CursorIsReadLikeAnIcon) {
  // ImageMagick writes type 1 even for cur:, so the cursor is the icon with
  // type 2 and hotspots (5, 7) in the planes and bit count fields.
  Bytes cur = loadFixture("ico/pal4-32-16.ico");
  put16(cur, 2, 2);
  for (std::size_t e : {6u, 22u}) {
    put16(cur, e + 4, 5);
    put16(cur, e + 6, 7);
  }
  EXPECT_TRUE(samePicture(read(cur), 32, 32, [](int x, int y) { return x < 4 && y < 4 ? kBlue : kLime; },
                          kMaskedIcon));
  Bytes argb = loadFixture("ico/argb-16-32.ico");
  put16(argb, 2, 2);
  EXPECT_TRUE(hasShape(read(argb), 32, 32, kAlphaIcon));
}

// --- Icons built from the BMP fixtures -------------------------------------

TEST(ReadIcon, EveryDepthWithAnAndMask) {
  struct Case {
    const char* bmp;
    int width, height;
    std::uint32_t (*picture)(int, int);
  };
  for (const Case& c : {Case{"bmp/pal1-16x16.bmp", 16, 16, m16}, Case{"bmp/pal4-5x3.bmp", 5, 3, c5x3},
                        Case{"bmp/pal8-16x16.bmp", 16, 16, g16}, Case{"bmp/rgb24-5x3.bmp", 5, 3, c5x3}}) {
    SCOPED_TRACE(c.bmp);
    const Bytes bmp = loadFixture(c.bmp);
    ASSERT_FALSE(bmp.empty()) << "fixture missing";
    EXPECT_TRUE(samePicture(read(makeIcon(1, {{32, 0, dibFromBmp(bmp, pattern)}})), c.width, c.height,
                            masked(c.picture), kMaskedIcon));
    EXPECT_TRUE(samePicture(read(makeIcon(2, {{32, 0, dibFromBmp(bmp, pattern)}})), c.width, c.height,
                            masked(c.picture), kMaskedIcon));
  }
}

TEST(ReadIcon, ThirtyTwoBitsUsesAlphaUnlessEveryAlphaByteIsZero) {
  const Bytes bmp = loadFixture("bmp/rgb32-5x3.bmp");  // alpha 0x80 everywhere
  EXPECT_TRUE(samePicture(read(makeIcon(1, {{32, 0, dibFromBmp(bmp, pattern)}})), 5, 3,
                          [](int x, int y) { return (c5x3(x, y) & 0x00FFFFFF) | 0x80000000u; }, kAlphaIcon));

  Bytes zero = bmp;
  for (std::size_t i = get32(bmp, 10) + 3; i < zero.size(); i += 4) zero[i] = 0;
  EXPECT_TRUE(samePicture(read(makeIcon(1, {{32, 0, dibFromBmp(zero, pattern)}})), 5, 3,
                          masked(c5x3), kMaskedIcon));

  // One non-zero alpha byte is enough to take the alpha channel.
  Bytes one = zero;
  one[get32(bmp, 10) + 3] = 0x01;  // bottom-left pixel
  const auto r = read(makeIcon(1, {{32, 0, dibFromBmp(one, pattern)}}));
  ASSERT_TRUE(hasShape(r, 5, 3, kAlphaIcon));
  EXPECT_EQ(r->pixel(0, 2), (c5x3(0, 2) & 0x00FFFFFF) | 0x01000000u) << "have " << hex(r->pixel(0, 2));
  EXPECT_EQ(r->pixel(1, 2), c5x3(1, 2) & 0x00FFFFFF) << "have " << hex(r->pixel(1, 2));
}

TEST(ReadIcon, LargerInfoHeader) {
  Bytes dib = dibFromBmp(loadFixture("bmp/pal8-16x16.bmp"), pattern);
  dib.insert(dib.begin() + 40, 124 - 40, 0);
  put32(dib, 0, 124);
  EXPECT_TRUE(samePicture(read(makeIcon(1, {{16, 0, dib}})), 16, 16, masked(g16), kMaskedIcon));
}

TEST(ReadIcon, ImageChoice) {
  const Bytes a = dibFromBmp(loadFixture("bmp/pal4-5x3.bmp"), nothing);    // 5x3
  const Bytes b = dibFromBmp(loadFixture("bmp/pal1-16x16.bmp"), nothing);  // 16x16
  const Bytes c = dibFromBmp(loadFixture("bmp/pal1-5x3.bmp"), nothing);    // 5x3 too, black and white
  struct Case {
    const char* name;
    std::vector<Image> images;
    int width;
  };
  const Case cases[] = {
      {"32/16 first", {{32, 16, a}, {16, 0, b}}, 5},
      {"32/16 last", {{16, 0, b}, {32, 16, a}}, 5},
      {"32/255 first", {{32, 255, a}, {16, 0, b}}, 5},
      {"32/15 is not enough: last", {{32, 15, a}, {16, 0, b}}, 16},
      {"32/0 is not enough: last", {{32, 0, a}, {16, 0, b}}, 16},
      {"16/16 is not 32 wide: last", {{16, 16, a}, {16, 0, b}}, 16},
      {"0 (256) is not 32 wide: last", {{0, 16, a}, {16, 0, b}}, 16},
      {"only one", {{48, 0, b}}, 16},
      {"the directory size bytes are not trusted", {{32, 16, b}, {5, 0, a}}, 16},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const auto r = read(makeIcon(1, k.images));
    ASSERT_TRUE(r) << "have nullopt, want a picture";
    EXPECT_EQ(r->width, k.width) << "have a " << describe(r);
  }
  // Two qualifying entries: the first wins (the colours of a, not the black and white of c).
  const auto r = read(makeIcon(1, {{16, 0, b}, {32, 16, a}, {32, 16, c}}));
  ASSERT_TRUE(r) << "have nullopt, want a 5x3 picture";
  EXPECT_EQ(r->width, 5);
  EXPECT_TRUE(samePicture(r, 5, 3, c5x3, kMaskedIcon));
}

// --- The directory size field ----------------------------------------------

constexpr std::size_t kEntrySize = 6 + 8;
constexpr std::size_t kEntryOffset = 6 + 12;
constexpr std::size_t kDib = 22;  // a one-image icon's DIB

TEST(ReadIcon, SizeFieldLargerThanTheImageIsFine) {
  Bytes ico = makeIcon(1, {{16, 0, dibFromBmp(loadFixture("bmp/pal8-16x16.bmp"), pattern)}});
  ico.insert(ico.end(), 10, 0xEE);
  put32(ico, kEntrySize, get32(ico, kEntrySize) + 10);
  EXPECT_TRUE(samePicture(read(ico), 16, 16, masked(g16), kMaskedIcon));
}

TEST(ReadIcon, SizeFieldSmallerThanTheImageIsRefusedEvenWhenTheBytesAreThere) {
  Bytes ico = makeIcon(1, {{16, 0, dibFromBmp(loadFixture("bmp/pal8-16x16.bmp"), pattern)}});
  put32(ico, kEntrySize, get32(ico, kEntrySize) - 1);  // the AND mask's last byte is outside the entry
  EXPECT_FALSE(read(ico)) << "have " << describe(read(ico)) << ", want nullopt";
}

// --- Hostile variants ------------------------------------------------------

Bytes basePal8() { return makeIcon(1, {{16, 0, dibFromBmp(loadFixture("bmp/pal8-16x16.bmp"), pattern)}}); }
Bytes basePal4() { return makeIcon(1, {{32, 16, dibFromBmp(loadFixture("bmp/pal4-5x3.bmp"), pattern)}}); }

// A one-image icon whose 40-byte DIB header claims width x (2 height) at
// `bits`, padded with zeros to `total` bytes.
Bytes claim(std::uint32_t width, std::uint32_t dibHeight, std::uint16_t bits, std::size_t total) {
  Bytes dib(40, 0);
  put32(dib, 0, 40);
  put32(dib, 4, width);
  put32(dib, 8, dibHeight);
  put16(dib, 12, 1);
  put16(dib, 14, bits);
  Bytes ico = makeIcon(1, {{0, 0, dib}});
  ico.resize(total, 0);
  put32(ico, kEntrySize, static_cast<std::uint32_t>(total - kDib));
  return ico;
}

struct HostileCase {
  const char* name;
  std::function<Bytes()> make;
};

const HostileCase kHostile[] = {
    {"empty", [] { return Bytes{}; }},
    {"reserved 1", [] { Bytes b = basePal8(); put16(b, 0, 1); return b; }},
    {"type 0", [] { Bytes b = basePal8(); put16(b, 2, 0); return b; }},
    {"type 3", [] { Bytes b = basePal8(); put16(b, 2, 3); return b; }},
    {"count 0", [] { Bytes b = basePal8(); put16(b, 4, 0); return b; }},
    {"directory past the end (count 1000)", [] { Bytes b = basePal8(); put16(b, 4, 1000); return b; }},
    {"directory past the end (count 65535)", [] { Bytes b = basePal8(); put16(b, 4, 65535); return b; }},
    {"offset past the end", [] { Bytes b = basePal8(); put32(b, kEntryOffset, static_cast<std::uint32_t>(b.size())); return b; }},
    {"offset + size one past the end", [] { Bytes b = basePal8(); put32(b, kEntrySize, get32(b, kEntrySize) + 1); return b; }},
    {"offset + size wraps in 32 bits",
     [] {
       Bytes b = basePal8();
       put32(b, kEntryOffset, 0xFFFFFFF0u);
       put32(b, kEntrySize, 0x20);
       return b;
     }},
    {"size 0xFFFFFFFF", [] { Bytes b = basePal8(); put32(b, kEntrySize, 0xFFFFFFFFu); return b; }},
    {"size 0", [] { Bytes b = basePal8(); put32(b, kEntrySize, 0); return b; }},
    {"offset inside the directory", [] { Bytes b = basePal8(); put32(b, kEntryOffset, 6); return b; }},
    {"offset 0", [] { Bytes b = basePal8(); put32(b, kEntryOffset, 0); return b; }},
    {"an entry that is not chosen points past the end",
     [] {
       const Bytes dib = dibFromBmp(loadFixture("bmp/pal8-16x16.bmp"), pattern);
       Bytes b = makeIcon(1, {{32, 16, dib}, {16, 0, dib}});
       put32(b, 6 + 16 + 12, static_cast<std::uint32_t>(b.size()));
       return b;
     }},
    {"DIB height odd", [] { Bytes b = basePal8(); put32(b, kDib + 8, 31); return b; }},
    {"DIB height 0", [] { Bytes b = basePal8(); put32(b, kDib + 8, 0); return b; }},
    {"DIB height negative (top-down)", [] { Bytes b = basePal8(); put32(b, kDib + 8, static_cast<std::uint32_t>(-32)); return b; }},
    {"DIB height INT_MIN", [] { Bytes b = basePal8(); put32(b, kDib + 8, 0x80000000u); return b; }},
    {"DIB width 0", [] { Bytes b = basePal8(); put32(b, kDib + 4, 0); return b; }},
    {"DIB width negative", [] { Bytes b = basePal8(); put32(b, kDib + 4, static_cast<std::uint32_t>(-16)); return b; }},
    {"ICO 65535x65535 in 200 bytes", [] { return claim(65535, 2 * 65535, 32, 200); }},
    {"ICO 16384x16384 (past maxPixels) in 200 bytes", [] { return claim(16384, 2 * 16384, 32, 200); }},
    {"ICO 8000x8000 (acceptable size) in 200 bytes", [] { return claim(8000, 16000, 32, 200); }},
    {"ICO 8000x8000 at 1 bit in 200 bytes", [] { return claim(8000, 16000, 1, 200); }},
    {"truncated XOR data", [] { Bytes b = basePal8(); b.resize(kDib + 40 + 1024 + 100); put32(b, kEntrySize, static_cast<std::uint32_t>(b.size() - kDib)); return b; }},
    {"truncated AND mask", [] { Bytes b = basePal8(); b.resize(b.size() - 1); put32(b, kEntrySize, static_cast<std::uint32_t>(b.size() - kDib)); return b; }},
    {"no AND mask at all", [] { Bytes b = basePal8(); b.resize(b.size() - 16 * 4); put32(b, kEntrySize, static_cast<std::uint32_t>(b.size() - kDib)); return b; }},
    {"palette index past colours used (255 of 256)", [] { Bytes b = basePal8(); put32(b, kDib + 32, 255); return b; }},
    {"palette index past colours used (14 of 16 at 4 bits)", [] { Bytes b = basePal4(); put32(b, kDib + 32, 14); return b; }},
    {"colours used 257 at 8 bits", [] { Bytes b = basePal8(); put32(b, kDib + 32, 257); return b; }},
    {"colours used 17 at 4 bits", [] { Bytes b = basePal4(); put32(b, kDib + 32, 17); return b; }},
    {"colour table past the end (24 bits, colours used 0x40000000)",
     [] { return makeIcon(1, {{32, 0, [] { Bytes d = dibFromBmp(loadFixture("bmp/rgb24-5x3.bmp"), pattern); put32(d, 32, 0x40000000u); return d; }()}}); }},
    {"bit count 2", [] { Bytes b = basePal4(); put16(b, kDib + 14, 2); return b; }},
    {"bit count 30000", [] { Bytes b = basePal8(); put16(b, kDib + 14, 30000); return b; }},
    {"planes 0", [] { Bytes b = basePal8(); put16(b, kDib + 12, 0); return b; }},
    {"compression RLE8", [] { Bytes b = basePal8(); put32(b, kDib + 16, 1); return b; }},
    {"compression BI_BITFIELDS", [] { Bytes b = basePal8(); put16(b, kDib + 14, 32); put32(b, kDib + 16, 3); return b; }},
    {"DIB header size 12 (a whole core-header DIB; icons need BITMAPINFOHEADER)",
     [] {
       const Bytes bmp = loadFixture("bmp/rgb24-5x3-core.bmp");
       Bytes dib(bmp.begin() + 14, bmp.end());
       put16(dib, 6, 6);  // height 2 x 3
       dib.insert(dib.end(), 3 * 4, 0);  // AND mask
       return makeIcon(1, {{32, 0, dib}});
     }},
    {"a whole 32-bit BI_BITFIELDS DIB (icons need BI_RGB)",
     [] {
       const Bytes bmp = loadFixture("bmp/rgb32-5x3.bmp");
       Bytes dib = dibFromBmp(bmp, pattern);
       const std::uint8_t masks[12] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
       dib.insert(dib.begin() + 40, masks, masks + 12);
       put32(dib, 16, 3);
       return makeIcon(1, {{32, 0, dib}});
     }},
    {"DIB header size 41", [] { Bytes b = basePal8(); put32(b, kDib, 41); return b; }},
    {"DIB header size past the entry", [] { Bytes b = basePal8(); put32(b, kEntrySize, 39); return b; }},
    {"PNG signature then garbage",
     [] { return makeIcon(1, {{0, 0, Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3, 4, 5, 6, 7, 8}}}); }},
    {"PNG signature only", [] { return makeIcon(1, {{0, 0, Bytes{0x89, 0x50, 0x4E, 0x47}}}); }},
};

TEST(ReadIcon, HostileVariantsAreRefused) {
  ASSERT_TRUE(read(basePal8())) << "base icon: have nullopt, want a picture";
  ASSERT_TRUE(read(basePal4())) << "base icon: have nullopt, want a picture";
  for (const auto& c : kHostile) {
    SCOPED_TRACE(c.name);
    const Bytes b = c.make();
    const auto r = read(b);
    EXPECT_FALSE(r) << c.name << ": have " << describe(r) << ", want nullopt";
  }
}

TEST(ReadIcon, EveryTruncatedPrefixIsRefused) {
  std::vector<std::pair<std::string, Bytes>> files;
  for (const char* f : {"ico/argb-16-32.ico", "ico/argb-32-16.ico", "ico/pal4-32-16.ico", "ico/png-16-256.ico"})
    files.emplace_back(f, loadFixture(f));
  files.emplace_back("built 8-bit", basePal8());
  files.emplace_back("built 4-bit", basePal4());
  files.emplace_back("built 1 + 24-bit", makeIcon(1, {{16, 0, dibFromBmp(loadFixture("bmp/pal1-16x16.bmp"), pattern)},
                                                      {32, 0, dibFromBmp(loadFixture("bmp/rgb24-5x3.bmp"), pattern)}}));
  for (const auto& [name, b] : files) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(b.empty()) << "fixture missing";
    const auto whole = read(b);
    EXPECT_TRUE(whole) << "the whole file: have nullopt, want a picture";
    expectEveryPrefixRefused(b, name, read);
  }
}

}  // namespace
