// BMP reader, and the DIB decoding (dib.h) it shares with the icon reader.
//
// Accepts: "BM" files with a 12 (core), 40, 52, 56, 108 or 124-byte info
// header; BI_RGB at 1, 4, 8, 16 (5-5-5), 24 and 32 bits; BI_BITFIELDS at 16
// and 32 bits when each of the red, green and blue masks is contiguous, at most
// 8 bits wide and disjoint from the others; bottom-up (positive height) and
// top-down (negative height) rows. 32-bit pixels are read as opaque: their
// fourth byte (or alpha mask) is ignored, since most 32-bit BMPs leave it 0.
//
// Refuses: RLE, JPEG and PNG compression; planes other than 1; other bit
// counts; colours-used above 2^bits; a palette index not below the palette
// size; width <= 0; height 0 or INT_MIN; pixel data starting inside the
// headers or past the end; pixel data shorter than stride x height (the last
// row's padding included); sizes acceptableSize refuses.
//
// A core header has no colours-used field: its table holds 2^bits entries of
// 3 bytes, or fewer when the pixel data starts sooner.

#include <algorithm>
#include <bit>
#include <climits>
#include <vector>

#include "icon/little_endian.h"
#include "toolkit/readers/dib.h"
#include "toolkit/readers/readers.h"

namespace readers {
namespace dib {
namespace {

std::optional<Channel> makeChannel(std::uint32_t mask, unsigned bitCount) {
  if (mask == 0) return std::nullopt;
  if (bitCount < 32 && (mask >> bitCount) != 0) return std::nullopt;
  const unsigned shift = static_cast<unsigned>(std::countr_zero(mask));
  const std::uint32_t max = mask >> shift;
  // Contiguous (no holes) and at most 8 bits wide, so max indexes `scale`.
  if ((max & (max + 1)) != 0 || max > 0xFF) return std::nullopt;
  Channel c;
  c.shift = shift;
  c.max = max;
  for (std::uint32_t v = 0; v <= max; ++v) c.scale[v] = static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  return c;
}

bool isValidHeaderSize(std::uint32_t size) {
  return size == coreHeaderSize || size == infoHeaderSize || size == 52 || size == 56 || size == 108 ||
         size == 124;
}

inline std::uint32_t opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Each row function decodes `width` pixels of one row. The palette one
// (1, 4 or 8 bits, most significant bits first) returns false when an index
// is not below the palette size.
template <unsigned Bits>
bool rowIndexed(const std::uint8_t* src, std::uint32_t* dst, int width, const Palette& pal) {
  constexpr unsigned perByte = 8 / Bits;
  constexpr unsigned mask = (1u << Bits) - 1;
  unsigned bad = 0;
  for (int x = 0; x < width; ++x) {
    const unsigned shift = 8 - Bits * (1 + static_cast<unsigned>(x) % perByte);
    const unsigned i = (src[static_cast<unsigned>(x) / perByte] >> shift) & mask;
    bad |= static_cast<unsigned>(i >= pal.count);
    dst[x] = pal.argb[i];
  }
  return bad == 0;
}

void row24(const std::uint8_t* src, std::uint32_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 3) dst[x] = opaque(src[2], src[1], src[0]);
}

void row32(const std::uint8_t* src, std::uint32_t* dst, int width, bool keepAlpha) {
  if (keepAlpha) {
    for (int x = 0; x < width; ++x, src += 4)
      dst[x] = (static_cast<std::uint32_t>(src[3]) << 24) | (static_cast<std::uint32_t>(src[2]) << 16) |
               (static_cast<std::uint32_t>(src[1]) << 8) | src[0];
  } else {
    for (int x = 0; x < width; ++x, src += 4) dst[x] = opaque(src[2], src[1], src[0]);
  }
}

template <unsigned Bytes>
void rowMasked(const std::uint8_t* src, std::uint32_t* dst, int width, const std::array<Channel, 3>& ch) {
  for (int x = 0; x < width; ++x, src += Bytes) {
    const std::uint32_t v = Bytes == 2 ? le::get16(src) : le::get32(src);
    dst[x] = opaque(ch[0].scale[(v >> ch[0].shift) & ch[0].max], ch[1].scale[(v >> ch[1].shift) & ch[1].max],
                    ch[2].scale[(v >> ch[2].shift) & ch[2].max]);
  }
}

}  // namespace

std::optional<Header> parseHeader(ByteView dib) {
  const auto size = le::read32(dib, 0);
  if (!size || !isValidHeaderSize(*size) || !le::fits(dib, 0, *size)) return std::nullopt;
  const std::uint8_t* p = dib.data();
  Header h;
  h.size = *size;
  unsigned planes = 0;
  if (h.size == coreHeaderSize) {
    h.width = le::get16(p + 4);
    h.height = le::get16(p + 6);  // unsigned in a core header: always bottom-up
    planes = le::get16(p + 8);
    h.bitCount = le::get16(p + 10);
    h.entrySize = 3;
  } else {
    h.width = static_cast<std::int32_t>(le::get32(p + 4));
    h.height = static_cast<std::int32_t>(le::get32(p + 8));
    planes = le::get16(p + 12);
    h.bitCount = le::get16(p + 14);
    h.compression = le::get32(p + 16);
    h.colorsUsed = le::get32(p + 32);
  }
  h.tableOffset = h.size;
  if (planes != 1) return std::nullopt;
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      break;
    case 16:
    case 32:
      if (h.size == coreHeaderSize) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  if (h.bitCount <= 8 && h.colorsUsed > (1u << h.bitCount)) return std::nullopt;

  std::uint32_t masks[3] = {0, 0, 0};
  if (h.compression == biBitfields) {
    if (h.bitCount != 16 && h.bitCount != 32) return std::nullopt;
    // The masks follow a 40-byte header; larger headers hold them at offset 40.
    if (h.size == infoHeaderSize) {
      if (!le::fits(dib, infoHeaderSize, 12)) return std::nullopt;
      h.tableOffset = infoHeaderSize + 12;
    }
    for (int i = 0; i < 3; ++i) masks[i] = le::get32(p + infoHeaderSize + 4 * i);
  } else if (h.compression == biRgb) {
    if (h.bitCount == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else if (h.bitCount == 32) {
      masks[0] = 0x00FF0000;
      masks[1] = 0x0000FF00;
      masks[2] = 0x000000FF;
    }
  } else {
    return std::nullopt;  // RLE8, RLE4, JPEG, PNG, alpha bitfields, ...
  }

  if (h.bitCount == 16 || h.bitCount == 32) {
    if ((masks[0] & masks[1]) != 0 || (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0)
      return std::nullopt;
    for (int i = 0; i < 3; ++i) {
      auto c = makeChannel(masks[i], h.bitCount);
      if (!c) return std::nullopt;
      h.channels[static_cast<std::size_t>(i)] = *c;
    }
    h.plainBgrx = h.bitCount == 32 && masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF;
  }
  return h;
}

std::optional<Palette> readPalette(ByteView bytes, std::uint64_t offset, std::uint32_t count,
                                   std::size_t entrySize) {
  if (count > 256) return std::nullopt;
  const std::uint64_t need = std::uint64_t{count} * entrySize;
  if (offset > bytes.size() || need > bytes.size() - offset) return std::nullopt;
  Palette pal;
  pal.count = count;
  const std::uint8_t* p = bytes.data() + offset;
  for (std::uint32_t i = 0; i < count; ++i, p += entrySize) pal.argb[i] = opaque(p[2], p[1], p[0]);
  return pal;
}

bool decodePixels(const Header& header, const Palette& palette, bool bottomUp, ByteView pixels, bool keepAlpha,
                  RasterBuilder& out) {
  const int width = out.width();
  const int height = out.height();
  const std::uint64_t stride = rowStride(width, header.bitCount);
  if (stride * static_cast<std::uint64_t>(height) > pixels.size()) return false;
  const bool keep32 = keepAlpha && header.compression == biRgb;
  std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
  std::uint32_t* dst = row.data();
  // In file order, so the bytes are read front to back.
  for (int stored = 0; stored < height; ++stored) {
    const std::uint8_t* src = pixels.data() + stride * static_cast<std::uint64_t>(stored);
    bool ok = true;
    switch (header.bitCount) {
      case 1:
        ok = rowIndexed<1>(src, dst, width, palette);
        break;
      case 4:
        ok = rowIndexed<4>(src, dst, width, palette);
        break;
      case 8:
        ok = rowIndexed<8>(src, dst, width, palette);
        break;
      case 16:
        rowMasked<2>(src, dst, width, header.channels);
        break;
      case 24:
        row24(src, dst, width);
        break;
      case 32:
        if (header.plainBgrx)
          row32(src, dst, width, keep32);
        else
          rowMasked<4>(src, dst, width, header.channels);
        break;
      default:
        return false;
    }
    if (!ok) return false;
    out.put(bottomUp ? height - 1 - stored : stored, dst, width);
  }
  return true;
}

}  // namespace dib

std::optional<Raster> readBmp(ByteView bytes, int minSide) {
  constexpr std::size_t fileHeaderSize = 14;
  if (bytes.size() < fileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  const std::uint64_t pixelOffset = le::get32(bytes.data() + 10);
  const auto header = dib::parseHeader(bytes.subspan(fileHeaderSize));
  if (!header) return std::nullopt;

  std::int64_t height = header->height;
  bool bottomUp = true;
  if (height < 0) {
    if (height == INT32_MIN) return std::nullopt;
    height = -height;
    bottomUp = false;
  }
  if (!readers::acceptableSize(header->width, height)) return std::nullopt;

  const std::uint64_t tableStart = fileHeaderSize + header->tableOffset;
  if (pixelOffset < tableStart || pixelOffset > bytes.size()) return std::nullopt;

  std::uint32_t entries = dib::paletteEntries(*header);
  if (header->size == dib::coreHeaderSize)
    entries = static_cast<std::uint32_t>(std::min<std::uint64_t>(entries, (pixelOffset - tableStart) / 3));
  const auto palette = dib::readPalette(bytes, tableStart, entries, header->entrySize);
  if (!palette) return std::nullopt;

  const std::uint64_t need = dib::rowStride(header->width, header->bitCount) * static_cast<std::uint64_t>(height);
  if (need > bytes.size() - pixelOffset) return std::nullopt;

  auto builder = RasterBuilder::create(static_cast<int>(header->width), static_cast<int>(height), PixelKind::Opaque,
                                       minSide);
  if (!builder || !dib::decodePixels(*header, *palette, bottomUp, bytes.subspan(static_cast<std::size_t>(pixelOffset)),
                                     /*keepAlpha=*/false, *builder))
    return std::nullopt;
  return std::move(*builder).finish();
}

}  // namespace readers
