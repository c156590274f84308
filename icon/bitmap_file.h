#pragma once
// The 24-bit bottom-up bitmap file a canvas capture is: file header, bitmap
// info header, then rows of blue, green, red padded to 4 bytes.

#include <cstddef>
#include <cstdint>

#include "icon/layout.h"
#include "icon/little_endian.h"
#include "icon/types.h"

namespace icon {

inline constexpr std::size_t bitmapFileHeaderLength = 14;
inline constexpr std::size_t bitmapFileHeadersLength = bitmapFileHeaderLength + bitmapInfoHeaderLength;

constexpr std::size_t bitmapRowStride(int width) { return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3}; }

// Headers filled in, every pixel black. Image row r (0 = bottom) starts at
// bitmapFileHeadersLength + r * bitmapRowStride(width).
inline Bytes blankBitmapFile24(int width, int height) {
  const std::size_t pixelsLength = bitmapRowStride(width) * static_cast<std::size_t>(height);
  Bytes file(bitmapFileHeadersLength + pixelsLength, 0);
  std::uint8_t* p = file.data();
  p[0] = 'B';
  p[1] = 'M';
  le::put32(p + 2, static_cast<std::uint32_t>(file.size()));
  le::put32(p + 10, bitmapFileHeadersLength);
  le::put32(p + 14, bitmapInfoHeaderLength);
  le::put32(p + 18, static_cast<std::uint32_t>(width));
  le::put32(p + 22, static_cast<std::uint32_t>(height));
  le::put16(p + 26, 1);
  le::put16(p + 28, 24);
  le::put32(p + 34, static_cast<std::uint32_t>(pixelsLength));
  return file;
}

}  // namespace icon
