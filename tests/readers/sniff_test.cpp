// Tests of readers::sniff on the first bytes of each format and their near
// misses, and of readers::readPicture handing each fixture to its reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "reader_test_support.h"
#include "tests/support/picture_files.h"
#include "toolkit/readers/reduce.h"
#include "written_pictures.h"

namespace {

using namespace reader_tests;

using readers::Format;

// An icon or cursor directory of one entry: `size` bytes of image at `offset`.
Bytes iconHeader(std::uint8_t type, std::uint8_t count, std::uint8_t size, std::uint8_t offset) {
  return {0, 0, type, 0, count, 0, 32, 32, 0, 0, 1, 0, 32, 0, size, 0, 0, 0, offset, 0, 0, 0};
}

Bytes withoutLastByte(Bytes bytes) {
  bytes.pop_back();
  return bytes;
}

TEST(Sniff, RecognisesFormatsByTheirFirstBytes) {
  struct Case {
    const char* name;
    Bytes bytes;
    Format want;
  };
  const Case cases[] = {
      {"BMP", {'B', 'M', 0, 0}, Format::Bmp},
      {"JPEG", {0xFF, 0xD8, 0xFF, 0xE0}, Format::Jpeg},
      {"icon", iconHeader(1, 1, 40, 22), Format::Icon},
      {"cursor", iconHeader(2, 1, 40, 22), Format::Cursor},
      {"GIF87a", {'G', 'I', 'F', '8', '7', 'a'}, Format::Gif},
      {"GIF89a", {'G', 'I', 'F', '8', '9', 'a'}, Format::Gif},
      {"PCX version 0", {0x0A, 0, 1, 8}, Format::Pcx},
      {"PCX version 5", {0x0A, 5, 1, 8}, Format::Pcx},
      {"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Format::Png},
      {"TIFF little-endian", {'I', 'I', 0x2A, 0}, Format::Tiff},
      {"TIFF big-endian", {'M', 'M', 0, 0x2A}, Format::Tiff},
      {"BigTIFF little-endian", {'I', 'I', 0x2B, 0}, Format::Tiff},
      {"BigTIFF big-endian", {'M', 'M', 0, 0x2B}, Format::Tiff},

      {"empty", {}, Format::Unknown},
      {"B alone", {'B'}, Format::Unknown},
      {"JPEG without its second byte", {0xFF}, Format::Unknown},
      {"icon header without its directory", {0, 0, 1, 0, 1, 0}, Format::Unknown},
      {"icon directory cut short", withoutLastByte(iconHeader(1, 1, 40, 22)), Format::Unknown},
      {"icon with no images", iconHeader(1, 0, 40, 22), Format::Unknown},
      {"icon image of size 0", iconHeader(1, 1, 0, 22), Format::Unknown},
      {"icon image inside the directory", iconHeader(1, 1, 40, 21), Format::Unknown},
      {"icon image inside a longer directory", iconHeader(1, 2, 40, 22), Format::Unknown},
      {"icon type 3", iconHeader(3, 1, 40, 22), Format::Unknown},
      {"GIF88a", {'G', 'I', 'F', '8', '8', 'a'}, Format::Unknown},
      {"GIF87 cut short", {'G', 'I', 'F', '8', '7'}, Format::Unknown},
      {"PCX version 1", {0x0A, 1, 1, 8}, Format::Unknown},
      {"PCX version 6", {0x0A, 6, 1, 8}, Format::Unknown},
      {"PCX encoding 0", {0x0A, 5, 0, 8}, Format::Unknown},
      {"PNG signature with a wrong byte", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0B}, Format::Unknown},
      {"TIFF mixed byte order", {'I', 'I', 0, 0x2A}, Format::Unknown},
      {"BigTIFF mixed byte order", {'M', 'M', 0x2B, 0}, Format::Unknown},
      {"TIFF version 44", {'I', 'I', 0x2C, 0}, Format::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(readers::sniff(readers::ByteView(c.bytes)), c.want) << c.name;
}

TEST(ReadPicture, HandsEachFormatToItsReader) {
  using Reader = std::optional<readers::Raster> (*)(readers::ByteView);
  struct Case {
    const char* file;
    Reader reader;
  };
  const Case cases[] = {
      {"bmp/rgb24-5x3.bmp", [](readers::ByteView b) { return readers::readBmp(b); }},
      {"ico/argb-16-32.ico", [](readers::ByteView b) { return readers::readIcon(b); }},
      {"pcx/pal8-6x3.pcx", [](readers::ByteView b) { return readers::readPcx(b); }},
      {"gif/c5x3-87a.gif", [](readers::ByteView b) { return readers::readGif(b); }},
      {"png/c5x3-rgba8.png", [](readers::ByteView b) { return readers::readPng(b); }},
      {"tiff/c5x3-rgb.tif", [](readers::ByteView b) { return readers::readTiff(b); }},
      {"tiff/c5x3-rgb-bigendian.tif", [](readers::ByteView b) { return readers::readTiff(b); }},
      {"tiff/c5x3-rgb-bigtiff.tif", [](readers::ByteView b) { return readers::readTiff(b); }},
      {"jpeg/h16.jpg", [](readers::ByteView b) { return readers::readJpeg(b); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes bytes = loadFixture(c.file);
    ASSERT_FALSE(bytes.empty());
    const auto direct = c.reader(readers::ByteView(bytes));
    const auto routed = readers::readPicture(readers::ByteView(bytes));
    ASSERT_TRUE(direct.has_value());
    ASSERT_TRUE(routed.has_value());
    EXPECT_EQ(routed->width, direct->width);
    EXPECT_EQ(routed->height, direct->height);
    EXPECT_EQ(routed->kind, direct->kind);
    EXPECT_EQ(routed->isIcon, direct->isIcon);
    EXPECT_EQ(routed->argb, direct->argb);
  }
}

// The fixture is the classic one rewritten as BigTIFF by libtiff's tiffcp.
TEST(ReadPicture, ReadsBigTiffAsItsClassicTwin) {
  const Bytes classic = loadFixture("tiff/c5x3-rgb.tif");
  const Bytes big = loadFixture("tiff/c5x3-rgb-bigtiff.tif");
  ASSERT_EQ(readers::sniff(readers::ByteView(big)), Format::Tiff);
  const auto want = readers::readPicture(readers::ByteView(classic));
  const auto have = readers::readPicture(readers::ByteView(big));
  ASSERT_TRUE(want.has_value());
  ASSERT_TRUE(have.has_value());
  EXPECT_EQ(have->width, want->width);
  EXPECT_EQ(have->height, want->height);
  EXPECT_EQ(have->argb, want->argb);
}

TEST(ReadPicture, ReadsACursorAsAnIcon) {
  Bytes bytes = loadFixture("ico/argb-16-32.ico");
  ASSERT_GT(bytes.size(), 2u);
  bytes[2] = 2;
  ASSERT_EQ(readers::sniff(readers::ByteView(bytes)), Format::Cursor);
  const auto routed = readers::readPicture(readers::ByteView(bytes));
  ASSERT_TRUE(routed.has_value());
  EXPECT_TRUE(routed->isIcon);
  EXPECT_EQ(routed->argb, readers::readIcon(readers::ByteView(bytes))->argb);
}

TEST(ReadPicture, PassesMinSideToTheJpegReader) {
  const Bytes bytes = loadFixture("jpeg/halves-400x300.jpg");
  ASSERT_FALSE(bytes.empty());
  const auto raster = readers::readPicture(readers::ByteView(bytes), 84);
  ASSERT_TRUE(raster.has_value());
  EXPECT_EQ(raster->width, 200);
  EXPECT_EQ(raster->height, 150);
}

TEST(ReadPicture, PassesMinSideToTheTiffAndGifReadersAndAnIconsPng) {
  constexpr int width = 1600, height = 1200, minSide = 84;
  const readers::ReducedSize reduced = readers::reducedSize(width, height, minSide);
  ASSERT_LT(reduced.width, width);
  const auto grey = [](int x, int y) { return static_cast<std::uint8_t>(x + y); };
  test_pictures::Rgb rgb{width, height, std::vector<std::uint8_t>(3 * std::size_t{width} * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) std::fill_n(rgb.bytes.begin() + 3 * (std::ptrdiff_t{y} * width + x), 3, grey(x, y));
  const Bytes files[] = {
      writeTiff({.width = width, .height = height, .samples = 1}, [&](int x, int y, int) { return grey(x, y); }),
      writeGif(width, height, greyLevels(), grey),
      iconOf(test_pictures::pngFile(rgb, false)),
  };
  for (const Bytes& bytes : files) {
    const auto raster = readers::readPicture(readers::ByteView(bytes), minSide);
    ASSERT_TRUE(raster.has_value());
    EXPECT_EQ(raster->width, reduced.width);
    EXPECT_EQ(raster->height, reduced.height);
  }
}

TEST(ReadPicture, RefusesUnknownBytes) {
  const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'};
  EXPECT_FALSE(readers::readPicture(readers::ByteView(text)).has_value());
  EXPECT_FALSE(readers::readPicture({}).has_value());
}

}  // namespace
