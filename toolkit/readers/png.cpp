// PNG reader over libpng 1.6.
//
// libpng reports errors through our error function, which longjmps back to
// decodeGuarded via libpng's own jump buffer. decode() holds no object with a
// destructor, so the jump skips nothing; the caller frees libpng's structures
// on every path.
//
// Every colour type and bit depth comes out as 8-bit BGRA, which read as a
// little-endian uint32 is 0xAARRGGBB. The file must run to its IEND chunk: a
// file cut anywhere is refused.

#include <algorithm>
#include <array>
#include <bit>

#include <png.h>

#include "toolkit/readers/readers.h"

namespace readers {
namespace {

static_assert(std::endian::native == std::endian::little, "BGRA output assumes a little-endian host");

// Ancillary chunks are never used. libpng reads the few it still parses
// whole, so their length is capped (image data excepted).
constexpr png_alloc_size_t maxChunkBytes = 8 * 1024 * 1024;

// Chunks that carry text, profiles or other payloads of any length: skipped
// unread rather than parsed (several are compressed).
constexpr std::array<png_byte, 6 * 5> skippedChunks{
    'i', 'C', 'C', 'P', '\0', 'i', 'T', 'X', 't', '\0', 't', 'E', 'X', 't', '\0',
    'z', 'T', 'X', 't', '\0', 's', 'P', 'L', 'T', '\0', 'e', 'X', 'I', 'f', '\0',
};

struct MemoryInput {
  ByteView bytes;
  std::size_t position = 0;
};

void readInput(png_structp png, png_bytep out, png_size_t length) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (length > input->bytes.size() - input->position) png_error(png, "truncated");
  std::copy_n(input->bytes.data() + input->position, length, out);
  input->position += length;
}

[[noreturn]] void abandon(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void discardWarning(png_structp, png_const_charp) {}

bool decode(png_structp png, png_infop info, Raster& raster) {
  png_set_user_limits(png, maxSide, maxSide);
  png_set_chunk_malloc_max(png, maxChunkBytes);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skippedChunks.data(), skippedChunks.size() / 5);
  png_read_info(png, info);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colourType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
  if (!acceptableSize(width, height)) return false;
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  // Palette and low-depth grey to 8 bits, tRNS to an alpha channel.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  // Adds an opaque alpha byte only where the picture has none.
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{width} * 4) return false;

  raster.width = static_cast<int>(width);
  raster.height = static_cast<int>(height);
  raster.kind = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || hasTransparency ? PixelKind::Alpha : PixelKind::Opaque;
  raster.argb.resize(std::size_t{width} * height);
  // Each interlace pass fills in its own pixels of rows the earlier passes
  // left in the raster.
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, reinterpret_cast<png_bytep>(raster.argb.data() + std::size_t{y} * width), nullptr);
    }
  }
  png_read_end(png, nullptr);
  return true;
}

bool decodeGuarded(png_structp png, png_infop info, Raster& raster) {
  if (setjmp(png_jmpbuf(png))) return false;
  return decode(png, info, raster);
}

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

}  // namespace

std::optional<Raster> readPng(ByteView bytes) {
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, abandon, discardWarning);
  if (structs.png == nullptr) return std::nullopt;
  structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) return std::nullopt;

  MemoryInput input{bytes};
  png_set_read_fn(structs.png, &input, readInput);
  Raster raster;
  if (!decodeGuarded(structs.png, structs.info, raster)) return std::nullopt;
  return raster;
}

}  // namespace readers
