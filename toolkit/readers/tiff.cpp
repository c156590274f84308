// TIFF reader over libtiff: the first directory only, in any layout libtiff's
// RGBA interface converts (strips or tiles, contiguous or planar, 1 to 16
// bits, palette, grey, RGB, and the rest it handles), with the compressions
// real pictures use.
//
// The pixels go to a RasterBuilder as they are decoded, so a large picture is
// reduced while it is read and its full-size raster never exists: striped
// pictures a scanline at a time, converted by the RGBA interface's own row
// routine; tiled, planar and subsampled ones a band of strips or tiles at a
// time. The RGBA interface would flip a picture only within each band, so the
// rows are placed here by the orientation tag instead.
//
// The error and warning handlers are set per file, so reading never touches
// libtiff's process-wide handlers. libtiff hands out alpha premultiplied,
// whichever kind the file stores; the raster wants it straight.
//
// libtiff drops a directory entry whose values lie past the end of the file
// and carries on, so a truncated file could still decode. Every entry of the
// first directory must lie wholly inside the file, or the file is refused.
// Nothing is allocated for the picture until the compressed data the file
// holds could decode to all of it, and each of libtiff's own allocations is
// capped by the strip or tile buffers the reading needs.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "icon/little_endian.h"
#include "toolkit/readers/readers.h"
#include "toolkit/readers/reduce.h"

namespace readers {
namespace {

// libtiff's allocations besides strip and tile buffers and tables (codec
// state, colour maps, conversion tables) stay below this.
constexpr std::uint64_t smallAllocation = 1u << 20;

struct MemoryFile {
  ByteView bytes;
  toff_t position = 0;
};

// Unsigned fields of 2, 4 or 8 bytes in the file's byte order.
struct Fields {
  ByteView bytes;
  bool bigEndian;

  std::optional<std::uint64_t> get(std::uint64_t offset, unsigned width) const {
    if (offset > bytes.size() || width > bytes.size() - offset) return std::nullopt;
    const std::size_t at = static_cast<std::size_t>(offset);
    if (bigEndian) {
      std::uint64_t value = 0;
      for (unsigned i = 0; i < width; ++i) value = value << 8 | bytes[at + i];
      return value;
    }
    if (width == 2) return le::read16(bytes, at);
    if (width == 4) return le::read32(bytes, at);
    return *le::read32(bytes, at) | std::uint64_t{*le::read32(bytes, at + 4)} << 32;
  }
};

// Classic TIFF and BigTIFF differ only in the widths of these fields.
struct Layout {
  std::uint64_t firstDirectoryAt;  // where the header keeps its offset
  unsigned entryCountWidth;
  unsigned fieldWidth;             // a value count, an inline value or an offset
  std::uint64_t entrySize;
};
constexpr Layout classicLayout{4, 2, 4, 12};
constexpr Layout bigLayout{8, 8, 8, 20};

// Bytes per value of each field type; 0 for types libtiff ignores.
unsigned typeSize(std::uint64_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;                  // BYTE ASCII SBYTE UNDEFINED
    case 3: case 8: return 2;                                  // SHORT SSHORT
    case 4: case 9: case 11: case 13: return 4;                // LONG SLONG FLOAT IFD
    case 5: case 10: case 12: case 16: case 17: case 18: return 8;  // RATIONALs DOUBLE LONG8s IFD8
    default: return 0;
  }
}

bool firstDirectoryInsideFile(ByteView bytes) {
  const auto order = le::read16(bytes, 0);
  if (!order || (*order != 0x4949 && *order != 0x4D4D)) return false;
  const Fields fields{bytes, *order == 0x4D4D};
  const auto version = fields.get(2, 2);
  if (!version || (*version != 42 && *version != 43)) return false;
  const Layout& layout = *version == 42 ? classicLayout : bigLayout;

  const auto directory = fields.get(layout.firstDirectoryAt, layout.fieldWidth);
  const auto count = directory ? fields.get(*directory, layout.entryCountWidth) : std::nullopt;
  if (!count || *count > bytes.size() / layout.entrySize) return false;
  const std::uint64_t entries = *directory + layout.entryCountWidth;
  // The entries, then the offset of the next directory.
  if (!fields.get(entries + *count * layout.entrySize, layout.fieldWidth)) return false;

  for (std::uint64_t i = 0; i < *count; ++i) {
    const std::uint64_t entry = entries + i * layout.entrySize;
    const unsigned size = typeSize(*fields.get(entry + 2, 2));
    const std::uint64_t values = *fields.get(entry + 4, layout.fieldWidth);
    if (size == 0) continue;
    if (values > bytes.size() / size) return false;
    const std::uint64_t length = values * size;
    if (length <= layout.fieldWidth) continue;  // stored in the entry itself
    const std::uint64_t offset = *fields.get(entry + 4 + layout.fieldWidth, layout.fieldWidth);
    if (offset > bytes.size() || length > bytes.size() - offset) return false;
  }
  return true;
}

MemoryFile& fileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t readFile(thandle_t handle, void* buffer, tmsize_t wanted) {
  MemoryFile& file = fileOf(handle);
  if (wanted <= 0 || file.position >= file.bytes.size()) return 0;
  const std::size_t count = std::min(static_cast<std::size_t>(wanted), file.bytes.size() - file.position);
  std::copy_n(file.bytes.data() + file.position, count, static_cast<std::uint8_t*>(buffer));
  file.position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t refuseWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t seekFile(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = fileOf(handle);
  toff_t base = 0;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = file.position; break;
    case SEEK_END: base = file.bytes.size(); break;
    default: return static_cast<toff_t>(-1);
  }
  // A relative seek before the start wraps round to a huge offset.
  const toff_t target = base + offset;
  if (target > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
  file.position = target;
  return target;
}

int closeFile(thandle_t) { return 0; }

toff_t fileSize(thandle_t handle) { return fileOf(handle).bytes.size(); }

// libtiff maps real files read-only and never writes through a map it is
// reading, so handing it the caller's const bytes is safe.
int mapFile(thandle_t handle, void** base, toff_t* size) {
  MemoryFile& file = fileOf(handle);
  *base = const_cast<std::uint8_t*>(file.bytes.data());
  *size = file.bytes.size();
  return 1;
}

void unmapFile(thandle_t, void*, toff_t) {}

int discardMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;
struct RgbaImageEnd {
  TIFFRGBAImage& image;
  ~RgbaImageEnd() { TIFFRGBAImageEnd(&image); }
};

TiffHandle open(MemoryFile& file, std::uint64_t largestAllocation) {
  file.position = 0;
  const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options{TIFFOpenOptionsAlloc()};
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), discardMessage, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), discardMessage, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(largestAllocation));
  return TiffHandle{TIFFClientOpenExt("memory", "r", &file, readFile, refuseWrite, seekFile, closeFile, fileSize,
                                      mapFile, unmapFile, options.get())};
}

template <typename T>
T field(TIFF* tiff, ttag_t tag) {
  T value{};
  TIFFGetFieldDefaulted(tiff, tag, &value);
  return value;
}

// The most bytes one byte of the compressed data can decode to, or nothing
// for a compression this reader does not take. rowBytes is one decoded row.
std::optional<std::uint64_t> mostDecodedPerByte(TIFF* tiff, std::uint64_t rowBytes) {
  switch (field<std::uint16_t>(tiff, TIFFTAG_COMPRESSION)) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;  // a run of 128 bytes in 2
    case COMPRESSION_LZW: return 4096;     // a string of at most 4096 bytes per code of 9 bits or more
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return mostInflatedPerDeflatedByte;
    // One bit per block of 64 samples at the least (a progressive DC scan;
    // a baseline block takes two). Arithmetic coding could go further;
    // libtiff never writes it, and such a file is refused.
    case COMPRESSION_JPEG: return 512;
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      if (field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE) != 1 ||
          field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL) != 1)
        return std::nullopt;
      return 8 * rowBytes;  // a row costs a bit at the least
    default: return std::nullopt;
  }
}

std::uint32_t stripOrTileCount(TIFF* tiff) {
  return TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
}

// The bytes of strip or tile i that lie inside the file.
std::uint64_t heldBytes(TIFF* tiff, std::uint32_t i, ByteView bytes) {
  const std::uint64_t offset = TIFFGetStrileOffset(tiff, i);
  if (offset >= bytes.size()) return 0;
  return std::min<std::uint64_t>(TIFFGetStrileByteCount(tiff, i), bytes.size() - offset);
}

// Planar pictures and subsampled colours go through the RGBA interface a band
// of strips or tiles at a time, which decodes into buffers of their size;
// the rest is read a scanline at a time.
bool readsInBands(TIFF* tiff) {
  return TIFFIsTiled(tiff) || field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE ||
         (field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_YCBCR &&
          field<std::uint16_t>(tiff, TIFFTAG_COMPRESSION) != COMPRESSION_JPEG);
}

// The largest single allocation libtiff needs to read this picture, or
// nothing when the picture is refused: its size is past the limits, its
// compression is not one this reader takes, or the compressed data the file
// holds could not decode to the whole picture.
std::optional<std::uint64_t> largestAllocation(TIFF* tiff, ByteView bytes) {
  const auto width = field<std::uint32_t>(tiff, TIFFTAG_IMAGEWIDTH);
  const auto height = field<std::uint32_t>(tiff, TIFFTAG_IMAGELENGTH);
  if (!acceptableSize(width, height)) return std::nullopt;
  const bool tiled = TIFFIsTiled(tiff);
  const std::uint64_t rowBytes = tiled ? TIFFTileRowSize64(tiff) : TIFFScanlineSize64(tiff);
  const std::uint64_t pieceBytes = tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
  const auto perByte = mostDecodedPerByte(tiff, rowBytes);
  if (!perByte || rowBytes == 0 || pieceBytes == 0) return std::nullopt;

  const std::uint32_t pieces = stripOrTileCount(tiff);
  const std::uint64_t planes = field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE
                                   ? field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL)
                                   : 1;
  std::uint64_t decoded = 0;
  if (tiled ? __builtin_mul_overflow(pieceBytes, std::uint64_t{pieces}, &decoded)
            : __builtin_mul_overflow(TIFFVStripSize64(tiff, height), planes, &decoded))
    return std::nullopt;
  std::uint64_t held = 0;
  std::uint64_t largestPiece = 0;
  for (std::uint32_t i = 0; i < pieces; ++i) {
    const std::uint64_t piece = heldBytes(tiff, i, bytes);
    held += piece;
    largestPiece = std::max(largestPiece, piece);
  }
  if (decoded == 0 || held < (decoded - 1) / *perByte + 1) return std::nullopt;

  // The strip and tile tables, a strip or tile as stored (copied when its
  // bits need reversing), and for bands the decoded strip or tile of up to
  // four planes at once.
  const std::uint64_t bandBuffer = readsInBands(tiff) ? std::min<std::uint64_t>(planes, 4) * pieceBytes : 0;
  return std::max({smallAllocation, 8 * std::uint64_t{pieces}, largestPiece, bandBuffer});
}

// What libtiff may allocate while it reads the directory alone: its tables,
// which lie in the file, take at most 8 bytes for each 2 they fill there.
std::uint64_t directoryAllocation(ByteView bytes) { return std::max<std::uint64_t>(smallAllocation, 4 * bytes.size()); }

// libtiff packs A, B, G, R from the high byte down, colours premultiplied.
std::uint32_t toStraightArgb(std::uint32_t abgr) {
  const std::uint32_t a = TIFFGetA(abgr);
  if (a == 0) return 0;
  const auto straight = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
  return a << 24 | straight(TIFFGetR(abgr)) << 16 | straight(TIFFGetG(abgr)) << 8 | straight(TIFFGetB(abgr));
}

// Where the rows and columns stored in the file go, by the orientation tag,
// as libtiff's RGBA interface places them (it treats the transposed
// orientations as their untransposed twins).
class Placement {
 public:
  Placement(std::uint16_t orientation, RasterBuilder& builder) : builder_(builder) {
    switch (orientation) {
      case ORIENTATION_TOPRIGHT: case ORIENTATION_RIGHTTOP: mirrored_ = true; break;
      case ORIENTATION_BOTRIGHT: case ORIENTATION_RIGHTBOT: mirrored_ = upsideDown_ = true; break;
      case ORIENTATION_BOTLEFT: case ORIENTATION_LEFTBOT: upsideDown_ = true; break;
      default: break;
    }
  }

  // Stored row y as libtiff converted it, straightened here in place.
  void put(std::uint32_t y, std::uint32_t* pixels) {
    const int width = builder_.width();
    std::transform(pixels, pixels + width, pixels, toStraightArgb);
    if (mirrored_) std::reverse(pixels, pixels + width);
    const int row = static_cast<int>(y);
    builder_.put(upsideDown_ ? builder_.height() - 1 - row : row, pixels, width);
  }

 private:
  RasterBuilder& builder_;
  bool mirrored_ = false;
  bool upsideDown_ = false;
};

bool readScanlines(TIFF* tiff, TIFFRGBAImage& image, Placement& placement) {
  const tmsize_t size = TIFFScanlineSize(tiff);
  if (size <= 0 || !image.isContig) return false;
  std::vector<unsigned char> samples(static_cast<std::size_t>(size));
  std::vector<std::uint32_t> row(image.width);
  for (std::uint32_t y = 0; y < image.height; ++y) {
    if (TIFFReadScanline(tiff, samples.data(), y, 0) < 0) return false;
    image.put.contig(&image, row.data(), 0, y, image.width, 1, 0, 0, samples.data());
    placement.put(y, row.data());
  }
  return true;
}

bool readBands(TIFF* tiff, TIFFRGBAImage& image, Placement& placement) {
  const std::uint32_t band = std::clamp<std::uint32_t>(
      field<std::uint32_t>(tiff, TIFFIsTiled(tiff) ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP), 1, image.height);
  std::vector<std::uint32_t> window(static_cast<std::size_t>(image.width) * band);
  for (std::uint32_t top = 0; top < image.height; top += band) {
    const std::uint32_t rows = std::min(band, image.height - top);
    image.row_offset = static_cast<int>(top);
    if (!TIFFRGBAImageGet(&image, window.data(), image.width, rows)) return false;
    for (std::uint32_t k = 0; k < rows; ++k)
      placement.put(top + k, window.data() + static_cast<std::size_t>(k) * image.width);
  }
  return true;
}

}  // namespace

std::optional<Raster> readTiff(ByteView bytes, int minSide) {
  if (!firstDirectoryInsideFile(bytes)) return std::nullopt;
  MemoryFile file{bytes};
  std::optional<std::uint64_t> largest;
  if (const auto directory = open(file, directoryAllocation(bytes))) largest = largestAllocation(directory.get(), bytes);
  if (!largest) return std::nullopt;
  const auto tiff = open(file, *largest);
  if (!tiff) return std::nullopt;

  char message[1024] = {};
  if (!TIFFRGBAImageOK(tiff.get(), message)) return std::nullopt;
  TIFFRGBAImage image{};
  if (!TIFFRGBAImageBegin(&image, tiff.get(), /*stoponerr=*/1, message)) return std::nullopt;
  const RgbaImageEnd end{image};
  auto builder = RasterBuilder::create(static_cast<int>(image.width), static_cast<int>(image.height),
                                       image.alpha != 0 ? PixelKind::Alpha : PixelKind::Opaque, minSide);
  if (!builder) return std::nullopt;

  Placement placement(image.orientation, *builder);
  image.req_orientation = image.orientation;  // placed by hand, row by row
  const bool read =
      readsInBands(tiff.get()) ? readBands(tiff.get(), image, placement) : readScanlines(tiff.get(), image, placement);
  if (!read) return std::nullopt;
  return std::move(*builder).finish();
}

}  // namespace readers
