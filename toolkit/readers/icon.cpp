// ICO (type 1) and CUR (type 2) reader.
//
// File: a 6-byte header (reserved 0, type, count > 0), then `count` 16-byte
// directory entries (width byte, height byte, colour-count byte, reserved,
// planes/hotspot x, bit count/hotspot y, size, offset), then the images.
//
// Choice: the first entry whose width byte is 32 and colour-count byte at
// least 16, else the last entry. (A width byte of 0 means 256; it only matters
// here in that 0 never equals 32.) The directory's other sizes are not used:
// the image's own header is trusted for its size.
//
// Bounds: every entry, chosen or not, must have a non-zero size and lie wholly
// inside the file after the directory (offset + size computed in 64 bits, so
// a 32-bit wrap is "past the end"); a file that fails this is truncated or
// damaged and is refused. The chosen image is then read only from its entry's
// bytes [offset, offset + size): a size field larger than the image needs is
// fine (the surplus is ignored), a size field smaller than the DIB header says
// the image needs is refused as truncated.
//
// Image data: PNG (starts 89 50 4E 47) goes to readPng as is, with minSide.
// Otherwise a DIB, always read at full size:
// a 40-byte or larger info header with BI_RGB compression, width > 0, height
// = 2 x icon height (odd or <= 0 refused), a colour table (colours-used
// entries, or 2^bits for 1 to 8 bits when 0), the XOR rows of 1, 4, 8, 16, 24
// or 32 bits, then the 1-bit AND mask; all rows bottom-up and padded to 4
// bytes, the AND mask included (a DIB without a whole AND mask is refused).
//
// Pixels: a 32-bit DIB with any non-zero alpha byte gives straight alpha
// (kind Alpha) and the AND mask is ignored. Otherwise (other depths, or 32 bits
// with all alpha bytes 0) the AND mask decides: a set bit gives 0x00000000
// (transparent, colour dropped), a clear bit the XOR colour with alpha 0xFF
// (kind Masked). isIcon is true for icons and cursors, PNG ones included.

#include "icon/little_endian.h"
#include "toolkit/readers/dib.h"
#include "toolkit/readers/readers.h"

namespace readers {
namespace {

constexpr std::size_t iconHeaderSize = 6;
constexpr std::size_t entrySize = 16;

struct Entry {
  std::uint8_t widthByte = 0;
  std::uint8_t colourCount = 0;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

bool isPng(ByteView image) {
  return image.size() >= 4 && image[0] == 0x89 && image[1] == 0x50 && image[2] == 0x4E && image[3] == 0x47;
}

std::optional<Raster> readDibIcon(ByteView image) {
  const auto header = dib::parseHeader(image);
  if (!header || header->size < dib::infoHeaderSize || header->compression != dib::biRgb) return std::nullopt;
  if (header->height <= 0 || header->height % 2 != 0) return std::nullopt;
  const std::int64_t width = header->width;
  const std::int64_t height = header->height / 2;
  if (!acceptableSize(width, height)) return std::nullopt;

  // For more than 8 bits a colour table of colours-used entries may still be
  // present (it is only a hint); it is skipped.
  const std::uint32_t entries = header->bitCount <= 8 ? dib::paletteEntries(*header) : header->colorsUsed;
  const std::uint64_t xorOffset = header->tableOffset + std::uint64_t{entries} * 4;
  const std::uint64_t xorSize = dib::rowStride(width, header->bitCount) * static_cast<std::uint64_t>(height);
  const std::uint64_t andStride = dib::rowStride(width, 1);
  const std::uint64_t andSize = andStride * static_cast<std::uint64_t>(height);
  if (xorOffset > image.size() || xorSize > image.size() - xorOffset ||
      andSize > image.size() - xorOffset - xorSize)
    return std::nullopt;

  const auto palette =
      dib::readPalette(image, header->tableOffset, header->bitCount <= 8 ? entries : 0, header->entrySize);
  if (!palette) return std::nullopt;

  auto builder = RasterBuilder::create(static_cast<int>(width), static_cast<int>(height), PixelKind::Alpha, 0);
  const bool is32 = header->bitCount == 32;
  if (!builder ||
      !dib::decodePixels(*header, *palette, /*bottomUp=*/true,
                         image.subspan(static_cast<std::size_t>(xorOffset), static_cast<std::size_t>(xorSize)),
                         /*keepAlpha=*/is32, *builder))
    return std::nullopt;
  Raster r = std::move(*builder).finish();
  r.isIcon = true;

  if (is32) {
    std::uint32_t anyAlpha = 0;
    for (const std::uint32_t v : r.argb) anyAlpha |= v;
    if ((anyAlpha & 0xFF000000u) != 0) {
      r.kind = PixelKind::Alpha;
      return r;
    }
  }

  const std::uint8_t* mask = image.data() + xorOffset + xorSize;
  for (int y = 0; y < r.height; ++y) {
    const std::uint8_t* src = mask + andStride * static_cast<std::uint64_t>(r.height - 1 - y);
    std::uint32_t* dst = r.argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width);
    for (int x = 0; x < r.width; ++x) {
      const bool transparent = (src[x >> 3] >> (7 - (x & 7))) & 1u;
      dst[x] = transparent ? 0u : (dst[x] | 0xFF000000u);
    }
  }
  r.kind = PixelKind::Masked;
  return r;
}

}  // namespace

std::optional<Raster> readIcon(ByteView bytes, int minSide) {
  if (bytes.size() < iconHeaderSize) return std::nullopt;
  const std::uint16_t reserved = le::get16(bytes.data());
  const std::uint16_t type = le::get16(bytes.data() + 2);
  const std::uint16_t count = le::get16(bytes.data() + 4);
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) return std::nullopt;
  const std::uint64_t directoryEnd = iconHeaderSize + std::uint64_t{count} * entrySize;
  if (directoryEnd > bytes.size()) return std::nullopt;

  std::optional<Entry> chosen;
  Entry last;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = bytes.data() + iconHeaderSize + i * entrySize;
    Entry e;
    e.widthByte = p[0];
    e.colourCount = p[2];
    e.size = le::get32(p + 8);
    e.offset = le::get32(p + 12);
    if (e.size == 0 || e.offset < directoryEnd || std::uint64_t{e.offset} + e.size > bytes.size())
      return std::nullopt;
    if (!chosen && e.widthByte == 32 && e.colourCount >= 16) chosen = e;
    last = e;
  }
  const Entry& entry = chosen ? *chosen : last;
  const ByteView image = bytes.subspan(entry.offset, entry.size);

  if (isPng(image)) {
    auto r = readPng(image, minSide);
    if (r) r->isIcon = true;
    return r;
  }
  return readDibIcon(image);
}

}  // namespace readers
