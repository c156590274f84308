#pragma once
// Internal to the readers (not part of readers.h): the device-independent
// bitmap shared by the BMP and icon readers, i.e. an info header, an optional
// colour table and rows of pixels padded to 4 bytes.
//
// Every function takes the bytes it may look at as a span and checks offsets
// against it; nothing here reads outside the span it is given. The functions
// are defined in bmp.cpp (the list of reader sources is fixed per format).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "toolkit/readers/raster.h"
#include "toolkit/readers/reduce.h"

namespace readers::dib {

inline constexpr std::uint32_t biRgb = 0;
inline constexpr std::uint32_t biBitfields = 3;

inline constexpr std::uint32_t coreHeaderSize = 12;  // BITMAPCOREHEADER (OS/2 1.x)
inline constexpr std::uint32_t infoHeaderSize = 40;  // BITMAPINFOHEADER

// One colour channel of a 16- or 32-bit pixel: (pixel >> shift) & max, then
// scaled to 0..255 through `scale`. Channels are at most 8 bits wide.
struct Channel {
  unsigned shift = 0;
  std::uint32_t max = 0;
  std::array<std::uint8_t, 256> scale{};
};

struct Header {
  std::uint32_t size = 0;        // 12, 40, 52, 56, 108 or 124
  std::int64_t width = 0;        // as stored (may be negative: callers refuse it)
  std::int64_t height = 0;       // as stored; negative means top-down
  unsigned bitCount = 0;         // 1, 4, 8, 16, 24 or 32
  std::uint32_t compression = 0; // biRgb or biBitfields (16 and 32 bits only)
  std::uint32_t colorsUsed = 0;  // 0 for a core header
  // Where the colour table starts, counted from the start of the header:
  // after the header, and after the three masks that follow a 40-byte header
  // with BI_BITFIELDS.
  std::size_t tableOffset = 0;
  std::size_t entrySize = 4;     // bytes per colour table entry: 3 for a core header, else 4
  // 16 and 32 bits: red, green, blue (BI_RGB gets the default 5-5-5 / 8-8-8).
  std::array<Channel, 3> channels{};
  // 32 bits with masks 00FF0000, 0000FF00, 000000FF: bytes B, G, R, X.
  bool plainBgrx = false;
};

// Parses the info header at the start of `dib` (the span runs from the header
// to the last byte the caller allows). Refuses unknown header sizes, planes
// other than 1, unknown bit counts, compression other than BI_RGB (or
// BI_BITFIELDS at 16/32 bits with contiguous, disjoint masks of at most 8
// bits each) and, for 1 to 8 bits, colours-used above 2^bits.
std::optional<Header> parseHeader(ByteView dib);

// Bytes in one row of `width` pixels, padded to 4 bytes. Fine for any width
// that passed acceptableSize.
constexpr std::uint64_t rowStride(std::int64_t width, unsigned bitCount) {
  return (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
}

// Colour-table entries for 1 to 8 bits: colours-used, or 2^bits when 0.
inline std::uint32_t paletteEntries(const Header& h) {
  if (h.bitCount > 8) return 0;
  return h.colorsUsed != 0 ? h.colorsUsed : (1u << h.bitCount);
}

struct Palette {
  std::array<std::uint32_t, 256> argb{};  // entries past `count` stay 0
  std::uint32_t count = 0;                // at most 256
};

// Reads `count` (at most 256) entries of `entrySize` bytes (B, G, R[, 0]) at
// `offset` in `bytes`, as opaque colours. nullopt when they do not all fit.
std::optional<Palette> readPalette(ByteView bytes, std::uint64_t offset, std::uint32_t count,
                                   std::size_t entrySize);

// Decodes out.height() rows of out.width() pixels from `pixels` and puts
// them into `out`. Rows are stored bottom-up when `bottomUp`. A 32-bit BI_RGB
// pixel keeps its fourth byte as alpha when `keepAlpha`; every other pixel
// comes out with alpha 0xFF. Returns false when `pixels` holds fewer than
// rowStride(width) x height bytes or a palette index is not below
// palette.count.
bool decodePixels(const Header& header, const Palette& palette, bool bottomUp, ByteView pixels, bool keepAlpha,
                  RasterBuilder& out);

}  // namespace readers::dib
