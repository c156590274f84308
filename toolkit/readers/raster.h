#pragma once
// The result of every picture reader: plain pixels, no toolkit types.
//
// Contract shared by all readers: they take the whole file as bytes, treat it
// as hostile, and return std::nullopt (never crash, never read out of bounds,
// never allocate on the strength of an unchecked header) when the file is
// truncated, inconsistent, unsupported or larger than the limits below.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace readers {

using ByteView = std::span<const std::uint8_t>;

// Largest picture any reader hands out, measured at its decoded size.
inline constexpr int maxSide = 16384;
inline constexpr std::int64_t maxPixels = 64LL * 1024 * 1024;

// True when width x height is a picture the readers may allocate.
constexpr bool acceptableSize(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= maxSide && height <= maxSide &&
         width * height <= maxPixels;
}

// A deflate stream of n bytes inflates to at most this many times n bytes:
// one 258-byte match costs at least a 1-bit length and a 1-bit distance code.
// Readers of deflated data check a claimed size against it before allocating.
inline constexpr std::uint64_t mostInflatedPerDeflatedByte = 1032;

enum class PixelKind {
  Opaque,  // every alpha byte is 0xFF
  Masked,  // icon or cursor: alpha 0x00 marks a transparent pixel
  Alpha,   // straight (non-premultiplied) alpha, 0x00..0xFF
};

struct Raster {
  int width = 0;
  int height = 0;
  // Row-major, top row first; each value 0xAARRGGBB.
  std::vector<std::uint32_t> argb;
  PixelKind kind = PixelKind::Opaque;
  bool isIcon = false;  // came from an icon or cursor file

  std::uint32_t pixel(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace readers
