// TIFF reader over libtiff's RGBA interface: the first directory only, in any
// layout that interface handles (strips or tiles, contiguous or planar, 1 to
// 16 bits, palette, grey, RGB, and the rest it converts).
//
// The error and warning handlers are set per file, so reading never touches
// libtiff's process-wide handlers. libtiff hands out alpha premultiplied,
// whichever kind the file stores; the raster wants it straight.
//
// libtiff drops a directory entry whose values lie past the end of the file
// and carries on, so a truncated file could still decode. Every entry of the
// first directory must lie wholly inside the file, or the file is refused.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>

#include <tiffio.h>

#include "icon/little_endian.h"
#include "toolkit/readers/readers.h"

namespace readers {
namespace {

// Large enough for one uncompressed strip of the largest acceptable picture
// (4 samples of 16 bits), which libtiff may decode into a single buffer.
constexpr tmsize_t maxLibraryAllocation = maxPixels * 8;

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
struct RgbaImageEnd {
  TIFFRGBAImage& image;
  ~RgbaImageEnd() { TIFFRGBAImageEnd(&image); }
};

std::unique_ptr<TIFF, TiffCloser> open(MemoryFile& file) {
  const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options{TIFFOpenOptionsAlloc()};
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), discardMessage, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), discardMessage, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), maxLibraryAllocation);
  return std::unique_ptr<TIFF, TiffCloser>{TIFFClientOpenExt("memory", "r", &file, readFile, refuseWrite, seekFile,
                                                             closeFile, fileSize, mapFile, unmapFile, options.get())};
}

// libtiff packs A, B, G, R from the high byte down, colours premultiplied.
std::uint32_t toStraightArgb(std::uint32_t abgr) {
  const std::uint32_t a = TIFFGetA(abgr);
  if (a == 0) return 0;
  const auto straight = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
  return a << 24 | straight(TIFFGetR(abgr)) << 16 | straight(TIFFGetG(abgr)) << 8 | straight(TIFFGetB(abgr));
}

}  // namespace

std::optional<Raster> readTiff(ByteView bytes) {
  if (!firstDirectoryInsideFile(bytes)) return std::nullopt;
  MemoryFile file{bytes};
  const auto tiff = open(file);
  if (!tiff) return std::nullopt;

  char message[1024] = {};
  if (!TIFFRGBAImageOK(tiff.get(), message)) return std::nullopt;
  TIFFRGBAImage image{};
  if (!TIFFRGBAImageBegin(&image, tiff.get(), /*stoponerr=*/1, message)) return std::nullopt;
  const RgbaImageEnd end{image};
  if (!acceptableSize(image.width, image.height)) return std::nullopt;

  Raster raster;
  raster.width = static_cast<int>(image.width);
  raster.height = static_cast<int>(image.height);
  raster.kind = image.alpha != 0 ? PixelKind::Alpha : PixelKind::Opaque;
  raster.argb.resize(static_cast<std::size_t>(raster.width) * raster.height);
  image.req_orientation = ORIENTATION_TOPLEFT;
  if (!TIFFRGBAImageGet(&image, raster.argb.data(), image.width, image.height)) return std::nullopt;
  std::ranges::transform(raster.argb, raster.argb.begin(), toStraightArgb);
  return raster;
}

}  // namespace readers
