#pragma once
// Small pictures made in the tests, so each test shows the pixels it uses.

#include <QImage>
#include <functional>

#include "icon/bitmap_file.h"
#include "icon/types.h"

namespace testing_support {

// A 24-bit bottom-up bitmap file; colour(x, y) gives 0xRRGGBB, y from the top.
inline icon::Bytes bmp24(int width, int height, const std::function<unsigned(int, int)>& colour) {
  icon::Bytes file = icon::blankBitmapFile24(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = &file[icon::bitmapFileHeadersLength + icon::bitmapRowStride(width) * (height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      const unsigned c = colour(x, y);
      *out++ = static_cast<std::uint8_t>(c);
      *out++ = static_cast<std::uint8_t>(c >> 8);
      *out++ = static_cast<std::uint8_t>(c >> 16);
    }
  }
  return file;
}

// A distinct colour for every pixel of a picture up to 256 x 256.
inline unsigned patternColour(int x, int y) {
  return (static_cast<unsigned>(x * 7 % 256) << 16) | (static_cast<unsigned>(y * 5 % 256) << 8) |
         static_cast<unsigned>((x + y) * 3 % 256);
}

// Pattern pixels as image data, as another program puts them on the clipboard.
inline QImage patternImage(int side) {
  QImage image(side, side, QImage::Format_RGB32);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) image.setPixel(x, y, 0xFF000000u | patternColour(x, y));
  return image;
}

// The pixel block (bottom row first, blue green red) of pattern pixels.
inline icon::Bytes patternBlock(int side) {
  icon::Bytes block;
  for (int row = side - 1; row >= 0; --row)
    for (int x = 0; x < side; ++x) {
      const unsigned c = patternColour(x, row);
      block.insert(block.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                                 static_cast<std::uint8_t>(c >> 16)});
    }
  return block;
}

}  // namespace testing_support
