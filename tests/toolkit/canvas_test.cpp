// The canvas drawing model, without any widget.

#include <gtest/gtest.h>

#include <QApplication>

#include "support/pictures.h"
#include "toolkit/canvas.h"
#include "toolkit/colour.h"

namespace {

using toolkit::Canvas;

constexpr icon::Colour red = icon::rgb(255, 0, 0);
constexpr icon::Colour blue = icon::rgb(0, 0, 255);
constexpr icon::Colour green = icon::rgb(0, 160, 0);

icon::Colour at(const Canvas& canvas, int x, int y) { return toolkit::fromQRgb(canvas.image().pixel(x, y)); }

toolkit::Picture pictureOf(const QImage& image, bool isIcon = false) {
  return {image, isIcon, image.hasAlphaChannel()};
}

TEST(Canvas, DottedOutlineLeavesItsGapPixelsAsTheyWere) {
  Canvas canvas({20, 20}, true);
  canvas.setBackgroundColour(blue);
  canvas.setPen(toolkit::PenStyle::dotted, green);
  canvas.setBrush(toolkit::BrushStyle::solid, red);
  canvas.drawRectangle(0, 0, 10, 10);
  canvas.setBrush(toolkit::BrushStyle::none, 0);
  canvas.drawRectangle(2, 2, 9, 9);  // its outline crosses the red fill
  EXPECT_EQ(at(canvas, 2, 2), green);
  EXPECT_EQ(at(canvas, 3, 2), red) << "a gap keeps the fill underneath";
  EXPECT_EQ(at(canvas, 4, 2), green);
  EXPECT_EQ(at(canvas, 2, 3), red);
  EXPECT_EQ(at(canvas, 5, 5), red) << "no brush: the inside is untouched";
  EXPECT_EQ(at(canvas, 1, 0), blue) << "gap of the first outline shows the background";
}

TEST(Canvas, RectangleCoversX1ToX2MinusOneWhateverTheCornerOrder) {
  for (auto [x1, y1, x2, y2] : {std::array{2, 3, 6, 8}, std::array{6, 8, 2, 3}, std::array{6, 3, 2, 8}}) {
    Canvas canvas({10, 10}, true);
    canvas.setBackgroundColour(0);
    canvas.setPen(toolkit::PenStyle::solid, red);
    canvas.setBrush(toolkit::BrushStyle::solid, blue);
    canvas.drawRectangle(x1, y1, x2, y2);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool inside = x >= 2 && x <= 5 && y >= 3 && y <= 7;
        const bool edge = inside && (x == 2 || x == 5 || y == 3 || y == 7);
        ASSERT_EQ(at(canvas, x, y), edge ? red : inside ? blue : 0u) << x << "," << y;
      }
  }
}

TEST(Canvas, CaptureIsABitmapFileOfTheOffScreenImageBottomRowFirst) {
  for (int side : {16, 32}) {
    Canvas canvas({side, side}, true);
    canvas.setBackgroundColour(0);
    canvas.setPixel(0, side - 1, icon::rgb(1, 2, 3));  // bottom-left: first pixel stored
    canvas.setPixel(side - 1, 0, icon::rgb(4, 5, 6));  // top-right: last pixel stored
    const icon::Bytes file = canvas.capture();
    ASSERT_EQ(file.size(), side == 16 ? 822u : 3126u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(le::get32(&file[2]), file.size());
    EXPECT_EQ(le::get32(&file[10]), 54u);
    EXPECT_EQ(le::get32(&file[18]), static_cast<std::uint32_t>(side));
    EXPECT_EQ(le::get32(&file[22]), static_cast<std::uint32_t>(side));
    EXPECT_EQ(le::get16(&file[28]), 24);
    EXPECT_EQ((icon::Bytes{file[54], file[55], file[56]}), (icon::Bytes{3, 2, 1}));
    EXPECT_EQ((icon::Bytes(file.end() - 3, file.end())), (icon::Bytes{6, 5, 4}));
  }
}

TEST(Canvas, SettingTheBackgroundDropsDrawingsAndShowsIconTransparencyBlack) {
  Canvas canvas({16, 16}, true);
  canvas.setBackgroundColour(blue);
  canvas.setPixel(5, 5, red);
  canvas.setBackgroundColour(green);
  EXPECT_EQ(at(canvas, 5, 5), green);

  // A 16x16 icon whose left half is transparent, as a background picture.
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(qRgba(255, 255, 255, 255));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) icon.setPixel(x, y, qRgba(200, 200, 200, 0));
  const toolkit::Picture picture = pictureOf(icon, true);
  Canvas target({16, 16}, true);
  target.setBackgroundColour(blue);
  target.drawPicture(picture, 0, 0);
  EXPECT_EQ(at(target, 2, 2), blue) << "drawn, an icon leaves the canvas under its mask";
  EXPECT_EQ(at(target, 12, 2), icon::rgb(255, 255, 255));
}

TEST(Canvas, IconFileAsBackgroundShowsTransparentPixelsBlack) {
  // 16x16 icon, 24-bit, with the mask bit of pixel (0, 0) (top-left) set.
  icon::Bytes ico(6 + 16 + 40 + 768 + 64, 0);
  le::put16(&ico[2], 1);
  le::put16(&ico[4], 1);
  ico[6] = ico[7] = 16;
  le::put32(&ico[14], 40 + 768 + 64);
  le::put32(&ico[18], 22);
  le::put32(&ico[22], 40);
  le::put32(&ico[26], 16);
  le::put32(&ico[30], 32);
  le::put16(&ico[34], 1);
  le::put16(&ico[36], 24);
  std::fill(ico.begin() + 62, ico.begin() + 62 + 768, 0xFF);  // white
  ico[62 + 768 + 15 * 4] = 0x80;                                 // top row, first column
  Canvas canvas({16, 16}, true);
  canvas.setBackgroundColour(blue);
  canvas.setBackgroundPicture(ico);
  ASSERT_EQ(canvas.backgroundPicture(), ico);
  EXPECT_EQ(at(canvas, 0, 0), 0u);
  EXPECT_EQ(at(canvas, 1, 0), icon::rgb(255, 255, 255));
}

TEST(Canvas, PictureAtItsOwnSizeIsCopiedExactly) {
  const icon::Bytes file = testing_support::bmp24(16, 16, testing_support::patternColour);
  Canvas canvas({16, 16}, true);
  const auto picture = toolkit::decodePicture(file);
  ASSERT_TRUE(picture);
  canvas.drawPicture(*picture, 0, 0, 16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const unsigned c = testing_support::patternColour(x, y);
      ASSERT_EQ(at(canvas, x, y), icon::rgb(c >> 16, (c >> 8) & 0xFF, c & 0xFF)) << x << "," << y;
    }
}

TEST(Canvas, ReducingAveragesEverySourcePixel) {
  QImage checkerboard(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) checkerboard.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  Canvas canvas({1, 1}, true);
  canvas.drawPicture(pictureOf(checkerboard), 0, 0, 1, 1);
  const int grey = qRed(canvas.image().pixel(0, 0));
  EXPECT_NEAR(grey, 128, 2) << "sampling would give black or white";
}

TEST(Canvas, CentredFitShrinksKeepingTheAspectRatioButNeverEnlarges) {
  Canvas canvas({84, 84}, false);
  canvas.setPictureMode(toolkit::PictureMode::centredFit);
  canvas.setBackgroundColour(blue);
  canvas.setBackgroundPicture(testing_support::bmp24(168, 84, [](int, int) { return 0xFF0000u; }));
  EXPECT_EQ(at(canvas, 42, 20), blue) << "above the 84x42 picture";
  EXPECT_EQ(at(canvas, 42, 22), red);
  EXPECT_EQ(at(canvas, 42, 62), red);
  EXPECT_EQ(at(canvas, 42, 64), blue);

  canvas.setBackgroundPicture(testing_support::bmp24(10, 10, [](int, int) { return 0xFF0000u; }));
  EXPECT_EQ(at(canvas, 36, 36), blue);
  EXPECT_EQ(at(canvas, 37, 37), red) << "a small picture sits centred at its own size";
  EXPECT_EQ(at(canvas, 46, 46), red);
  EXPECT_EQ(at(canvas, 47, 47), blue);
}

TEST(Canvas, BytesThatAreNoPictureAreDroppedAndShowNothing) {
  Canvas canvas({84, 84}, false);
  canvas.setBackgroundColour(blue);
  canvas.setBackgroundPicture(icon::Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  canvas.repaint();
  EXPECT_TRUE(canvas.backgroundPicture().empty());
  EXPECT_FALSE(canvas.decodedPicture());
  EXPECT_EQ(at(canvas, 40, 40), blue);
}

TEST(Canvas, WithoutKeepingItsDrawingARepaintShowsOnlyTheBackground) {
  Canvas canvas({8, 8}, false);
  canvas.setBackgroundColour(blue);
  canvas.setPixel(1, 1, red);
  EXPECT_EQ(at(canvas, 1, 1), red);
  canvas.repaint();
  EXPECT_EQ(at(canvas, 1, 1), blue);
}

TEST(Canvas, DefaultColourMarkerReadsBackAndPaintsTheWindowColour) {
  Canvas canvas({4, 4}, true);
  EXPECT_EQ(canvas.backgroundColour(), icon::defaultColourMarker);
  EXPECT_EQ(canvas.image().pixel(0, 0), toolkit::defaultColour().rgb());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
