// Format recognition from the first bytes, and the entry point that hands a
// file to its reader.

#include <algorithm>
#include <array>

#include "icon/little_endian.h"
#include "toolkit/readers/readers.h"

namespace readers {
namespace {

template <std::size_t N>
bool startsWith(ByteView bytes, const std::array<std::uint8_t, N>& magic) {
  return bytes.size() >= N && std::equal(magic.begin(), magic.end(), bytes.begin());
}

constexpr std::array<std::uint8_t, 2> bmpMagic{'B', 'M'};
constexpr std::array<std::uint8_t, 2> jpegMagic{0xFF, 0xD8};
constexpr std::array<std::uint8_t, 6> gif87Magic{'G', 'I', 'F', '8', '7', 'a'};
constexpr std::array<std::uint8_t, 6> gif89Magic{'G', 'I', 'F', '8', '9', 'a'};
constexpr std::array<std::uint8_t, 8> pngMagic{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Intel (little-endian) and Motorola (big-endian) byte order, each as classic
// TIFF and as BigTIFF.
constexpr std::array<std::uint8_t, 4> tiffIntelMagic{'I', 'I', 0x2A, 0x00};
constexpr std::array<std::uint8_t, 4> tiffMotorolaMagic{'M', 'M', 0x00, 0x2A};
constexpr std::array<std::uint8_t, 4> bigTiffIntelMagic{'I', 'I', 0x2B, 0x00};
constexpr std::array<std::uint8_t, 4> bigTiffMotorolaMagic{'M', 'M', 0x00, 0x2B};

// Six bytes "00 00 01 00 01 00" are common at the start of unrelated binary
// files, so the header alone is not enough: the first directory entry must be
// there too, with a non-empty image placed after the whole directory.
bool isIconDirectory(ByteView bytes, std::uint16_t type) {
  constexpr std::size_t headerSize = 6;
  constexpr std::size_t entrySize = 16;
  const auto reserved = le::read16(bytes, 0);
  const auto fileType = le::read16(bytes, 2);
  const auto count = le::read16(bytes, 4);
  const auto imageSize = le::read32(bytes, headerSize + 8);
  const auto imageOffset = le::read32(bytes, headerSize + 12);
  if (!reserved || !fileType || !count || !imageSize || !imageOffset) return false;
  return *reserved == 0 && *fileType == type && *count > 0 && *imageSize > 0 &&
         *imageOffset >= headerSize + entrySize * *count;
}

bool isPcx(ByteView bytes) {
  constexpr std::array<std::uint8_t, 5> versions{0, 2, 3, 4, 5};
  const auto manufacturer = le::read8(bytes, 0);
  const auto version = le::read8(bytes, 1);
  const auto encoding = le::read8(bytes, 2);
  if (!manufacturer || !version || !encoding) return false;
  return *manufacturer == 0x0A && std::ranges::find(versions, *version) != versions.end() && *encoding == 1;
}

}  // namespace

Format sniff(ByteView bytes) {
  if (startsWith(bytes, bmpMagic)) return Format::Bmp;
  if (startsWith(bytes, jpegMagic)) return Format::Jpeg;
  if (isIconDirectory(bytes, 1)) return Format::Icon;
  if (isIconDirectory(bytes, 2)) return Format::Cursor;
  if (startsWith(bytes, gif87Magic) || startsWith(bytes, gif89Magic)) return Format::Gif;
  if (isPcx(bytes)) return Format::Pcx;
  if (startsWith(bytes, pngMagic)) return Format::Png;
  if (startsWith(bytes, tiffIntelMagic) || startsWith(bytes, tiffMotorolaMagic) ||
      startsWith(bytes, bigTiffIntelMagic) || startsWith(bytes, bigTiffMotorolaMagic))
    return Format::Tiff;
  return Format::Unknown;
}

std::optional<Raster> readPicture(ByteView bytes, int minSide) {
  switch (sniff(bytes)) {
    case Format::Bmp: return readBmp(bytes, minSide);
    case Format::Jpeg: return readJpeg(bytes, minSide);
    case Format::Icon:
    case Format::Cursor: return readIcon(bytes, minSide);
    case Format::Gif: return readGif(bytes, minSide);
    case Format::Pcx: return readPcx(bytes, minSide);
    case Format::Png: return readPng(bytes, minSide);
    case Format::Tiff: return readTiff(bytes, minSide);
    case Format::Unknown: break;
  }
  return std::nullopt;
}

}  // namespace readers
