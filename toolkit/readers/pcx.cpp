// PCX reader.
//
// Accepts: manufacturer 0x0A, encoding 1 (RLE), any version byte, and exactly
// two layouts, both opaque:
//   - 8 bits per pixel, 1 plane, with the 256-colour palette at the end of the
//     file: the byte 0x0C at file size - 769, then 768 bytes of R, G, B.
//   - 1 bit per pixel, 1 plane: black and white, 0 = black, 1 = white (the
//     ZSoft convention, as in Paintbrush). The 16-colour header palette is
//     ignored. Note: ImageMagick 6.9.11 writes the opposite (1 for black),
//     so its 1-bit files come out as negatives.
// Size: (xmax - xmin + 1) x (ymax - ymin + 1).
//
// The scanlines (bytesPerLine bytes each, the padding past the width ignored)
// are one RLE stream decoded in order, so runs may cross scanline boundaries.
// A byte 0xC0 | n repeats the next byte n times; any other byte is itself. The
// stream is read from the end of the 128-byte header up to the 0x0C palette
// marker (8 bits) or the end of the file (1 bit); bytes left over after the
// last scanline, including what remains of a run, are ignored.
//
// Bytes-per-line may be any value the width fits in: the format asks for an
// even one, but ImageMagick and others write the odd width itself for an
// odd-width 8-bit picture.
//
// Refuses: other bit depths and plane counts (2- and 4-bit, 16-colour planar,
// 24-bit with 3 planes, ...); xmax < xmin or ymax < ymin and sizes
// acceptableSize refuses; bytes-per-line zero or smaller than the width
// needs; a missing or short 256-colour palette; a stream that ends
// before the last scanline is complete (a run count as the last byte
// included), and a stream too short to possibly fill the picture, which is
// refused before anything is allocated.

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "icon/little_endian.h"
#include "toolkit/readers/readers.h"
#include "toolkit/readers/reduce.h"

namespace readers {
namespace {

constexpr std::size_t headerSize = 128;
constexpr std::size_t vgaPaletteSize = 1 + 768;  // marker 0x0C, then 256 x R, G, B
constexpr std::uint8_t vgaPaletteMarker = 0x0C;

// Sequential RLE decoder over the whole stream; a run may span several calls.
class RleStream {
 public:
  explicit RleStream(ByteView data) : p_(data.data()), end_(data.data() + data.size()) {}

  // Writes exactly n bytes to out; false when the stream ends first.
  bool fill(std::uint8_t* out, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
      if (runLeft_ != 0) {
        const std::size_t k = std::min<std::size_t>(runLeft_, n - i);
        std::memset(out + i, runValue_, k);
        i += k;
        runLeft_ -= static_cast<unsigned>(k);
        continue;
      }
      if (p_ == end_) return false;
      const std::uint8_t b = *p_++;
      if ((b & 0xC0) == 0xC0) {
        if (p_ == end_) return false;
        runLeft_ = b & 0x3Fu;
        runValue_ = *p_++;
      } else {
        out[i++] = b;
      }
    }
    return true;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
  unsigned runLeft_ = 0;
  std::uint8_t runValue_ = 0;
};

// Most bytes `n` input bytes can decode to: 63 per two-byte run.
constexpr std::uint64_t maxDecoded(std::uint64_t n) { return n / 2 * 63 + n % 2; }

}  // namespace

std::optional<Raster> readPcx(ByteView bytes, int minSide) {
  if (bytes.size() < headerSize) return std::nullopt;
  const std::uint8_t* h = bytes.data();
  if (h[0] != 0x0A || h[2] != 1) return std::nullopt;
  const unsigned bitsPerPixel = h[3];
  const unsigned planes = h[65];
  if (planes != 1 || (bitsPerPixel != 8 && bitsPerPixel != 1)) return std::nullopt;

  const std::int64_t width = std::int64_t{le::get16(h + 8)} - le::get16(h + 4) + 1;
  const std::int64_t height = std::int64_t{le::get16(h + 10)} - le::get16(h + 6) + 1;
  if (!acceptableSize(width, height)) return std::nullopt;

  const std::uint64_t bytesPerLine = le::get16(h + 66);
  const std::uint64_t needed = (static_cast<std::uint64_t>(width) * bitsPerPixel + 7) / 8;
  if (bytesPerLine == 0 || bytesPerLine < needed) return std::nullopt;

  std::size_t dataEnd = bytes.size();
  std::array<std::uint32_t, 256> palette{};
  if (bitsPerPixel == 8) {
    if (bytes.size() < headerSize + vgaPaletteSize) return std::nullopt;
    dataEnd = bytes.size() - vgaPaletteSize;
    if (bytes[dataEnd] != vgaPaletteMarker) return std::nullopt;
    const std::uint8_t* p = bytes.data() + dataEnd + 1;
    for (std::size_t i = 0; i < 256; ++i, p += 3)
      palette[i] = 0xFF000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  }
  const ByteView data = bytes.subspan(headerSize, dataEnd - headerSize);
  if (maxDecoded(data.size()) < bytesPerLine * static_cast<std::uint64_t>(height)) return std::nullopt;

  auto builder = RasterBuilder::create(static_cast<int>(width), static_cast<int>(height), PixelKind::Opaque, minSide);
  if (!builder) return std::nullopt;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(bytesPerLine));
  std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
  RleStream stream(data);
  for (int y = 0; y < builder->height(); ++y) {
    if (!stream.fill(line.data(), line.size())) return std::nullopt;
    const std::uint8_t* src = line.data();
    std::uint32_t* dst = row.data();
    if (bitsPerPixel == 8) {
      for (std::size_t x = 0; x < row.size(); ++x) dst[x] = palette[src[x]];
    } else {
      for (std::size_t x = 0; x < row.size(); ++x)
        dst[x] = ((src[x >> 3] >> (7 - (x & 7))) & 1u) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    builder->put(y, dst, builder->width());
  }
  return std::move(*builder).finish();
}

}  // namespace readers
