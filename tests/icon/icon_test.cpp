// The icon core against the byte sequences the icon file format fixes.

#include <gtest/gtest.h>

#include <numeric>

#include "icon/icon_template.h"
#include "icon/operations.h"

namespace {

using icon::Bytes;
using icon::Layout;
using icon::Size;

Bytes bytes(std::initializer_list<int> values) { return Bytes(values.begin(), values.end()); }

Bytes slice(const Bytes& from, std::size_t offset, std::size_t length) {
  return Bytes(from.begin() + static_cast<std::ptrdiff_t>(offset),
               from.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

Bytes countingBlock(Size size) {
  Bytes block(icon::colourBitmapLength(size));
  std::iota(block.begin(), block.end(), std::uint8_t{1});
  return block;
}

TEST(IconTemplate, BlankFilesAreTheTemplateSlicesBackToBack) {
  Bytes joined;
  for (Layout layout : {Layout::single16, Layout::single32, Layout::both}) {
    const Bytes blank = icon::blankIcon(layout);
    joined.insert(joined.end(), blank.begin(), blank.end());
  }
  EXPECT_EQ(joined, Bytes(icon::iconTemplate.begin(), icon::iconTemplate.end()));
  EXPECT_EQ(joined.size(), 8306u);
}

TEST(IconTemplate, Single16FileBeginsWithHeaderDirectoryAndInfoHeader) {
  const Bytes want = bytes({0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x68, 0x03, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00,
                            0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00});
  EXPECT_EQ(slice(icon::blankIcon(Layout::single16), 0, want.size()), want);
}

TEST(IconTemplate, BothFileHasSecondDirectoryEntryAndInfoHeaders) {
  const Bytes blank = icon::blankIcon(Layout::both);
  EXPECT_EQ(slice(blank, 4, 2), bytes({2, 0}));
  EXPECT_EQ(slice(blank, 22, 16),
            bytes({0x20, 0x20, 0, 0, 0, 0, 0, 0, 0xA8, 0x0C, 0, 0, 0x8E, 0x03, 0, 0}));
  // Info header of the 32x32 image: width 32, height 64, 24 bits, image size 3200.
  EXPECT_EQ(slice(blank, 910, 24), bytes({40, 0, 0, 0, 32, 0, 0, 0, 64, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                          0x80, 0x0C, 0, 0}));
}

TEST(IconTemplate, PixelsAndMasksOfBlankFilesAreZero) {
  for (Layout layout : {Layout::single16, Layout::single32, Layout::both}) {
    const Bytes blank = icon::blankIcon(layout);
    const auto& file = icon::fileLayout(layout);
    for (std::size_t i = 0; i < file.imageCount; ++i) {
      const auto& image = file.images[i];
      const auto end = image.imageData + icon::imageDataLength(image.size);
      for (std::size_t at = image.colourBitmap; at < end; ++at) ASSERT_EQ(blank[at], 0) << "offset " << at;
    }
  }
}

TEST(PixelBlock, IsTheLastBytesOfAnExactCapture) {
  Bytes capture(54 + 768, 0);
  capture[0] = 'B';
  capture[1] = 'M';
  capture[18] = 16;
  capture[22] = 16;
  capture[28] = 24;
  capture[54] = 7;
  capture.back() = 9;
  const auto block = icon::pixelBlockFromCapture(capture, Size::x16);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->size(), 768u);
  EXPECT_EQ(block->front(), 7);
  EXPECT_EQ(block->back(), 9);

  EXPECT_FALSE(icon::pixelBlockFromCapture(capture, Size::x32)) << "a 16x16 capture is no 32x32 block";
  capture[18] = 32;
  EXPECT_FALSE(icon::pixelBlockFromCapture(capture, Size::x16)) << "header width disagrees";
  EXPECT_FALSE(icon::pixelBlockFromCapture({}, Size::x16));
}

TEST(Splice, ReplacesInPlaceAndRefusesToRunPastTheEnd) {
  Bytes icon = icon::blankIcon(Layout::both);
  const Bytes block = countingBlock(Size::x32);
  ASSERT_TRUE(icon::splice(icon, 950, block));
  EXPECT_EQ(icon.size(), 4150u);
  EXPECT_EQ(slice(icon, 950, block.size()), block);
  EXPECT_EQ(icon[949], 0);
  EXPECT_EQ(icon[950 + block.size()], 0);

  Bytes small = icon::blankIcon(Layout::single16);
  const Bytes before = small;
  EXPECT_FALSE(icon::splice(small, 950, block));
  EXPECT_FALSE(icon::splice(small, 200, block));
  EXPECT_EQ(small, before);
}

TEST(WorkingIcon, IsTheSingleBlankFileWithTheBlockAt62) {
  const Bytes block = countingBlock(Size::x16);
  const auto working = icon::workingIcon(Size::x16, block);
  ASSERT_TRUE(working);
  Bytes want = icon::blankIcon(Layout::single16);
  std::copy(block.begin(), block.end(), want.begin() + 62);
  EXPECT_EQ(*working, want);
  EXPECT_FALSE(icon::workingIcon(Size::x32, block)) << "a 768-byte block cannot fill a 32x32 icon";
  EXPECT_FALSE(icon::workingIcon(Size::x16, {}));
}

TEST(ColourGrid, FollowsBlueGreenRedBottomRowFirst) {
  Bytes block(768, 0);
  EXPECT_EQ(*icon::colourGridFromPixelBlock(block, Size::x16), icon::ColourGrid(Size::x16));

  block[0] = 1;  // blue
  block[1] = 2;  // green
  block[2] = 3;  // red
  block[767 - 2] = 0xFF;  // blue of the top-right pixel
  const auto grid = icon::colourGridFromPixelBlock(block, Size::x16);
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->at(0, 0), 3u + 2u * 256 + 1u * 65536);
  EXPECT_EQ(grid->at(15, 15), 0x00FF0000u);
  EXPECT_EQ(grid->at(0, 1), 0u);
  EXPECT_FALSE(icon::colourGridFromPixelBlock(block, Size::x32));
}

struct MaskCase {
  const char* name;
  Size size;
  int x, y;
  std::size_t maskByte;
  std::uint8_t value;
  std::size_t colourOffset;
};

class MakeTransparent : public testing::TestWithParam<MaskCase> {};

TEST_P(MakeTransparent, SetsOneMaskBitAndBlackensThePixel) {
  const MaskCase& c = GetParam();
  Bytes working = *icon::workingIcon(c.size, Bytes(icon::colourBitmapLength(c.size), 0x55));
  EXPECT_EQ(icon::isPixelTransparent(working, c.size, c.x, c.y), false);
  ASSERT_TRUE(icon::makePixelTransparent(working, c.size, c.x, c.y));
  EXPECT_EQ(icon::isPixelTransparent(working, c.size, c.x, c.y), true);
  EXPECT_EQ(working[c.maskByte], c.value) << "mask byte " << c.maskByte;
  const Bytes blankMaskWithOneBit = [&] {
    Bytes mask(icon::transparencyMaskLength(c.size), 0);
    mask[c.maskByte - icon::fileLayout(icon::singleLayout(c.size)).images[0].transparencyMask] = c.value;
    return mask;
  }();
  EXPECT_EQ(slice(working, working.size() - blankMaskWithOneBit.size(), blankMaskWithOneBit.size()),
            blankMaskWithOneBit)
      << "exactly one mask bit set";
  EXPECT_EQ(slice(working, c.colourOffset, 3), bytes({0, 0, 0}));
  const std::size_t neighbour = c.x == 1 ? c.colourOffset + 3 : c.colourOffset - 1;
  EXPECT_EQ(working[neighbour], 0x55) << "the neighbouring pixel keeps its colour";
}

INSTANTIATE_TEST_SUITE_P(
    Corners, MakeTransparent,
    testing::Values(MaskCase{"bottom_left_16", Size::x16, 1, 16, 830, 0x80, 62},
                    MaskCase{"bottom_ninth_16", Size::x16, 9, 16, 831, 0x80, 62 + 24},
                    MaskCase{"top_right_16", Size::x16, 16, 1, 891, 0x01, 62 + 15 * 48 + 45},
                    MaskCase{"top_right_32", Size::x32, 32, 1, 3261, 0x01, 62 + 31 * 96 + 93},
                    MaskCase{"top_25th_32", Size::x32, 25, 1, 3261, 0x80, 62 + 31 * 96 + 72},
                    MaskCase{"bottom_left_32", Size::x32, 1, 32, 3134, 0x80, 62}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakeTransparent, AccumulatesBitsWithinARow) {
  Bytes working = icon::blankIcon(Layout::single16);
  for (int x : {1, 2, 8, 9, 16}) ASSERT_TRUE(icon::makePixelTransparent(working, Size::x16, x, 16));
  EXPECT_EQ(slice(working, 830, 4), bytes({0xC1, 0x81, 0, 0}));
  for (int x = 1; x <= 16; ++x)
    EXPECT_EQ(icon::isPixelTransparent(working, Size::x16, x, 16), x == 1 || x == 2 || x == 8 || x == 9 || x == 16) << x;
  EXPECT_EQ(icon::isPixelTransparent(working, Size::x16, 1, 15), false) << "the row above";
}

TEST(PaintPixel, WritesBlueGreenRedAndKeepsAnEarlierMaskBit) {
  Bytes working = icon::blankIcon(Layout::single16);
  ASSERT_TRUE(icon::makePixelTransparent(working, Size::x16, 2, 3));
  ASSERT_TRUE(icon::paintPixel(working, Size::x16, 2, 3, icon::rgb(0xFF, 0x10, 0x20)));
  const std::size_t at = 62 + 13 * 48 + 3;  // image row 16 - 3, column 1
  EXPECT_EQ(slice(working, at, 3), bytes({0x20, 0x10, 0xFF}));
  EXPECT_EQ(working[830 + 13 * 4], 0x40) << "mask bit stays set";
}

TEST(CellOperations, RefuseCellsOutsideTheImageAndWrongLayouts) {
  Bytes working = icon::blankIcon(Layout::single16);
  const Bytes before = working;
  for (auto [x, y] : {std::pair{0, 1}, {1, 0}, {17, 1}, {1, 17}}) {
    EXPECT_FALSE(icon::paintPixel(working, Size::x16, x, y, 0)) << x << "," << y;
    EXPECT_FALSE(icon::makePixelTransparent(working, Size::x16, x, y)) << x << "," << y;
    EXPECT_EQ(icon::isPixelTransparent(working, Size::x16, x, y), std::nullopt) << x << "," << y;
  }
  EXPECT_FALSE(icon::paintPixel(working, Size::x32, 32, 32, 0)) << "894 bytes are no 32x32 icon";
  EXPECT_FALSE(icon::makePixelTransparent(working, Size::x32, 1, 1));
  EXPECT_EQ(icon::isPixelTransparent(working, Size::x32, 1, 1), std::nullopt);
  Bytes empty;
  EXPECT_FALSE(icon::makePixelTransparent(empty, Size::x16, 1, 1));
  EXPECT_EQ(icon::isPixelTransparent(empty, Size::x16, 1, 1), std::nullopt);
  EXPECT_EQ(working, before);
}

TEST(Merge, CarriesBothImagesAndKeepsHeaderAndDirectory) {
  Bytes working16 = *icon::workingIcon(Size::x16, countingBlock(Size::x16));
  Bytes working32 = *icon::workingIcon(Size::x32, countingBlock(Size::x32));
  ASSERT_TRUE(icon::makePixelTransparent(working32, Size::x32, 1, 1));

  Bytes output = icon::blankIcon(Layout::both);
  const Bytes blank = output;
  ASSERT_TRUE(icon::merge(output, working16, working32));
  EXPECT_EQ(output.size(), 4150u);
  EXPECT_EQ(slice(output, 0, 38), slice(blank, 0, 38));
  EXPECT_EQ(slice(output, 38, 872), slice(working16, 22, 872));
  EXPECT_EQ(slice(output, 910, 3240), slice(working32, 22, 3240));

  Bytes single = icon::blankIcon(Layout::single32);
  EXPECT_FALSE(icon::merge(single, working16, working32)) << "never merged into a shorter file";
  EXPECT_FALSE(icon::merge(output, working32, working16));
  EXPECT_EQ(single, icon::blankIcon(Layout::single32));
}

TEST(LayoutOf, KnowsTheThreeLengthsOnly) {
  EXPECT_EQ(icon::layoutOf(icon::blankIcon(Layout::single32)), Layout::single32);
  EXPECT_EQ(icon::layoutOf(icon::blankIcon(Layout::both)), Layout::both);
  EXPECT_EQ(icon::layoutOf(Bytes(100)), std::nullopt);
}

}  // namespace
