// The blank files as an independent ICO reader (Qt's own plugin) sees them.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

#include "icon/operations.h"

namespace {

struct Expected {
  icon::Layout layout;
  std::vector<int> sides;
};

TEST(BlankIconsInAnotherReader, AreOpaqueBlackImagesOfTheRightSizes) {
  int argc = 0;
  QGuiApplication app(argc, nullptr);
  for (const Expected& want : {Expected{icon::Layout::single16, {16}}, Expected{icon::Layout::single32, {32}},
                               Expected{icon::Layout::both, {16, 32}}}) {
    const icon::Bytes blank = icon::blankIcon(want.layout);
    QByteArray data(reinterpret_cast<const char*>(blank.data()), static_cast<qsizetype>(blank.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "ico");
    ASSERT_EQ(reader.imageCount(), static_cast<int>(want.sides.size()));
    for (int side : want.sides) {
      const QImage image = reader.read();
      ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
      EXPECT_EQ(image.size(), QSize(side, side));
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) ASSERT_EQ(image.pixel(x, y), 0xFF000000u) << x << "," << y;
      reader.jumpToNextImage();
    }
  }
}

}  // namespace
