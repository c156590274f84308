// Tests of readers::readGif against fixtures made by ImageMagick and gifbuild
// (tests/fixtures/make-gif-jpeg-png-tiff-fixtures.sh), and hostile variants
// edited from them byte by byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("gif/" + name); }
std::optional<readers::Raster> read(const Bytes& b) { return readers::readGif(readers::ByteView(b)); }

const std::uint32_t kColours5x3[3][5] = {
    {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255)},
    {rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(128, 64, 32), rgb(32, 64, 128)},
    {rgb(200, 100, 50), rgb(50, 100, 200), rgb(10, 20, 30), rgb(250, 240, 230), rgb(1, 2, 3)},
};
// ImageMagick's GIF writer maps the last colour, (1, 2, 3), to the black entry
// (its own reader agrees).
std::uint32_t c5x3(int x, int y) { return x == 4 && y == 2 ? rgb(0, 0, 0) : kColours5x3[y][x]; }
std::uint32_t q16(int x, int y) { return rgb(85 * (x / 4), 85 * (y / 4), 64); }
// two-frames.gif: its first frame.
std::uint32_t checks(int x, int y) { return (x + y) % 2 == 0 ? rgb(255, 0, 0) : rgb(0, 0, 255); }

// offset-local.gif: an 8x6 screen whose background is global index 2, and a
// 5x3 frame at (2, 1) in local colours R G B W (W is the transparent index).
const std::uint32_t kBackground = rgb(30, 40, 50);
std::uint32_t frameColour(int x, int y) {
  static const std::uint32_t colours[4] = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 255)};
  return colours[(x + y) % 4];
}
Expected screenWithFrame(int left, int top, std::uint32_t background) {
  return [=](int x, int y) {
    const int fx = x - left;
    const int fy = y - top;
    return fx >= 0 && fx < 5 && fy >= 0 && fy < 3 ? frameColour(fx, fy) : background;
  };
}

// Byte offsets in offset-local.gif.
constexpr std::size_t kScreenWidth = 6, kScreenHeight = 8, kScreenFlags = 10, kBackgroundIndex = 11;
constexpr std::size_t kGlobalColours = 13, kColourTableSize = 12;  // 4 entries of 3 bytes
constexpr std::size_t kFrameLeft = 34, kFrameTop = 36, kFrameWidth = 38, kFrameFlags = 42;
constexpr std::size_t kLocalColours = 43, kLzwCodeSize = 55, kLzwData = 57;

void erase(Bytes& b, std::size_t at, std::size_t count) {
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + count));
}
// Drops the global colours; every later offset moves down by kShift.
constexpr std::size_t kShift = kColourTableSize;
void dropGlobalColours(Bytes& b) {
  b[kScreenFlags] &= 0x7F;
  erase(b, kGlobalColours, kColourTableSize);
}

TEST(GifReader, ReadsFixtures) {
  struct Case {
    const char* file;
    int width, height;
    Expected want;
  };
  const Case cases[] = {
      {"c5x3-87a.gif", 5, 3, c5x3},
      {"q16-interlaced.gif", 16, 16, q16},
      {"offset-local.gif", 8, 6, screenWithFrame(2, 1, kBackground)},
      {"two-frames.gif", 2, 2, checks},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes bytes = load(c.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(samePicture(read(bytes), c.width, c.height, c.want));
  }
}

TEST(GifReader, EditedFiles) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> edit;
    Expected want;  // empty: refused
  };
  const Case cases[] = {
      {"background index past the colours gives black", [](Bytes& b) { b[kBackgroundIndex] = 200; },
       screenWithFrame(2, 1, rgb(0, 0, 0))},
      {"no global colours gives a black background", dropGlobalColours, screenWithFrame(2, 1, rgb(0, 0, 0))},
      {"frame past the right edge is clipped", [](Bytes& b) { put16(b, kFrameLeft, 6); },
       screenWithFrame(6, 1, kBackground)},
      {"frame past the bottom edge is clipped", [](Bytes& b) { put16(b, kFrameTop, 4); },
       screenWithFrame(2, 4, kBackground)},
      {"frame wholly outside leaves the background", [](Bytes& b) { put16(b, kFrameLeft, 100); },
       [](int, int) { return kBackground; }},
      {"screen 65535x65535", [](Bytes& b) {
         put16(b, kScreenWidth, 65535);
         put16(b, kScreenHeight, 65535);
       }, {}},
      {"screen over the pixel limit", [](Bytes& b) {
         put16(b, kScreenWidth, 16384);
         put16(b, kScreenHeight, 4097);
       },
       {}},
      {"screen width 0", [](Bytes& b) { put16(b, kScreenWidth, 0); }, {}},
      {"frame width 0", [](Bytes& b) { put16(b, kFrameWidth, 0); }, {}},
      {"no colours at all",
       [](Bytes& b) {
         dropGlobalColours(b);
         b[kFrameFlags - kShift] &= 0x7F;
         erase(b, kLocalColours - kShift, kColourTableSize);
       },
       {}},
      {"pixel index past the local colours",
       [](Bytes& b) {
         // Two entries left, while the frame uses indexes 0 to 3.
         b[kFrameFlags] = 0x80;
         erase(b, kLocalColours + 6, 6);
       },
       {}},
      {"LZW code size 12", [](Bytes& b) { b[kLzwCodeSize] = 12; }, {}},
      {"LZW codes not yet defined", [](Bytes& b) { std::fill_n(b.begin() + kLzwData, 5, 0xFF); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = load("offset-local.gif");
    ASSERT_EQ(bytes.size(), 64u);
    c.edit(bytes);
    const auto raster = read(bytes);
    if (c.want)
      EXPECT_TRUE(samePicture(raster, 8, 6, c.want));
    else
      EXPECT_FALSE(raster.has_value());
  }
}

TEST(GifReader, RefusesEveryTruncation) {
  for (const char* file : {"c5x3-87a.gif", "q16-interlaced.gif", "offset-local.gif"})
    expectEveryPrefixRefused(load(file), file, read);
}

TEST(GifReader, IgnoresDamageAfterTheFirstFrame) {
  Bytes bytes = load("two-frames.gif");
  ASSERT_EQ(bytes.size(), 51u);
  bytes.resize(bytes.size() - 4);  // inside the second frame's pixels
  EXPECT_TRUE(samePicture(read(bytes), 2, 2, checks));
}

// Where the first image descriptor starts: past the global colours and any
// extensions.
std::size_t firstDescriptor(const Bytes& b) {
  std::size_t at = 13 + ((b.at(10) & 0x80) != 0 ? 3u << ((b.at(10) & 7) + 1) : 0);
  while (b.at(at) == 0x21) {
    at += 2;
    while (b.at(at) != 0) at += b.at(at) + 1u;
    ++at;
  }
  return at;
}

// With minSide the frame's rows and the background around it go to the
// reduction as the full picture would: the result is the reduction of the
// full picture, exactly. The screens are enlarged round small frames, at the
// edges and inside, past the million pixels a reduction keeps whole; one
// frame is interlaced.
TEST(GifReader, ReducesWhileReadingToTheReductionOfTheWholePicture) {
  constexpr int minSide = 40;
  struct Case {
    const char* name;
    const char* file;
    int screenWidth, screenHeight;
    int left, top;
  };
  const Case cases[] = {
      {"frame inside", "offset-local.gif", 1301, 997, 650, 400},
      {"frame at the top left", "offset-local.gif", 997, 1301, 0, 0},
      {"frame over the bottom right edge", "offset-local.gif", 1200, 900, 1197, 898},
      {"interlaced frame", "q16-interlaced.gif", 1200, 900, 600, 470},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = load(c.file);
    ASSERT_GT(bytes.size(), 20u);
    put16(bytes, 6, static_cast<std::uint16_t>(c.screenWidth));
    put16(bytes, 8, static_cast<std::uint16_t>(c.screenHeight));
    const std::size_t descriptor = firstDescriptor(bytes);
    ASSERT_EQ(bytes.at(descriptor), 0x2C);
    put16(bytes, descriptor + 1, static_cast<std::uint16_t>(c.left));
    put16(bytes, descriptor + 3, static_cast<std::uint16_t>(c.top));

    const auto whole = read(bytes);
    ASSERT_TRUE(whole.has_value());
    const readers::Raster want = reductionOf(*whole, minSide);
    ASSERT_LT(want.width, whole->width);
    const auto reduced = readers::readGif(readers::ByteView(bytes), minSide);
    ASSERT_TRUE(reduced.has_value());
    EXPECT_EQ(reduced->width, want.width);
    EXPECT_EQ(reduced->height, want.height);
    EXPECT_EQ(reduced->argb, want.argb);
  }
}

}  // namespace
