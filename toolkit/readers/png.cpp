// PNG reader over libpng 1.6.
//
// libpng reports errors through our error function, which longjmps back to
// the *Guarded function that called into it, via libpng's own jump buffer.
// What runs under them holds no object with a destructor, so the jump skips
// nothing; the caller owns the row buffer and the builder, and frees libpng's
// structures on every path.
//
// Every colour type and bit depth comes out as 8-bit BGRA, which read as a
// little-endian uint32 is 0xAARRGGBB. The file must run to its IEND chunk: a
// file cut anywhere is refused. Nothing is allocated for the picture until
// the file's image data could inflate to all of its rows.

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include <png.h>

#include "toolkit/readers/readers.h"
#include "toolkit/readers/reduce.h"

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

// Room to spare, so that no real file is refused on a rounding.
constexpr std::uint64_t inflateAllowance = 1024;

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

// What the header says, once the transformations are set.
struct Layout {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  bool interlaced = false;
  PixelKind kind = PixelKind::Opaque;
  // The rows as stored, before inflating: a filter byte and the packed
  // pixels of each row, pass by pass when interlaced.
  std::uint64_t filteredBytes = 0;
};

std::uint64_t filteredSize(std::uint64_t width, std::uint64_t height, unsigned pixelBits) {
  return width == 0 || height == 0 ? 0 : height * (1 + (width * pixelBits + 7) / 8);
}

// The IDAT chunks' lengths, summed over the chunks wholly in the file.
std::uint64_t imageDataBytes(ByteView bytes) {
  constexpr std::size_t signatureSize = 8;
  constexpr std::size_t chunkOverhead = 12;  // length, type, checksum
  const auto get32 = [&](std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           std::uint32_t{bytes[at + 3]};
  };
  const auto isType = [&](std::size_t at, const char* type) { return std::equal(type, type + 4, bytes.data() + at); };
  std::uint64_t sum = 0;
  std::size_t at = signatureSize;
  while (at <= bytes.size() && bytes.size() - at >= chunkOverhead) {
    const std::uint32_t length = get32(at);
    if (length > bytes.size() - at - chunkOverhead) break;
    if (isType(at + 4, "IDAT")) sum += length;
    if (isType(at + 4, "IEND")) break;
    at += chunkOverhead + length;
  }
  return sum;
}

bool readHeader(png_structp png, png_infop info, Layout& layout) {
  png_set_user_limits(png, maxSide, maxSide);
  png_set_chunk_malloc_max(png, maxChunkBytes);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skippedChunks.data(), skippedChunks.size() / 5);
  png_read_info(png, info);

  int bitDepth = 0;
  int colourType = 0;
  int interlace = 0;
  png_get_IHDR(png, info, &layout.width, &layout.height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  if (!acceptableSize(layout.width, layout.height)) return false;
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  layout.interlaced = interlace != PNG_INTERLACE_NONE;
  layout.kind = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || hasTransparency ? PixelKind::Alpha : PixelKind::Opaque;
  const unsigned pixelBits = static_cast<unsigned>(bitDepth) * png_get_channels(png, info);
  if (!layout.interlaced) {
    layout.filteredBytes = filteredSize(layout.width, layout.height, pixelBits);
  } else {
    for (int pass = 0; pass < 7; ++pass)
      layout.filteredBytes +=
          filteredSize(PNG_PASS_COLS(layout.width, pass), PNG_PASS_ROWS(layout.height, pass), pixelBits);
  }

  // Palette and low-depth grey to 8 bits, tRNS to an alpha channel.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  // Adds an opaque alpha byte only where the picture has none.
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  // No png_set_interlace_handling: an interlaced picture's rows come pass by
  // pass, each holding only that pass's pixels, which go straight to their
  // places instead of through a full-size buffer.
  png_read_update_info(png, info);
  return png_get_rowbytes(png, info) == std::size_t{layout.width} * 4;
}

// `row` holds a whole row of the picture.
void readRows(png_structp png, const Layout& layout, std::uint32_t* row, RasterBuilder& out) {
  auto* bytes = reinterpret_cast<png_bytep>(row);
  if (!layout.interlaced) {
    for (png_uint_32 y = 0; y < layout.height; ++y) {
      png_read_row(png, bytes, nullptr);
      out.put(static_cast<int>(y), row, static_cast<int>(layout.width));
    }
  } else {
    for (int pass = 0; pass < 7; ++pass) {
      const png_uint_32 columns = PNG_PASS_COLS(layout.width, pass);
      const png_uint_32 rows = PNG_PASS_ROWS(layout.height, pass);
      if (columns == 0 || rows == 0) continue;  // libpng skips such a pass too
      for (png_uint_32 i = 0; i < rows; ++i) {
        png_read_row(png, bytes, nullptr);
        out.put(static_cast<int>(PNG_ROW_FROM_PASS_ROW(i, pass)), row, static_cast<int>(columns),
                static_cast<int>(PNG_PASS_START_COL(pass)), static_cast<int>(PNG_PASS_COL_OFFSET(pass)));
      }
    }
  }
  png_read_end(png, nullptr);
}

bool readHeaderGuarded(png_structp png, png_infop info, Layout& layout) {
  if (setjmp(png_jmpbuf(png))) return false;
  return readHeader(png, info, layout);
}

bool readRowsGuarded(png_structp png, const Layout& layout, std::uint32_t* row, RasterBuilder& out) {
  if (setjmp(png_jmpbuf(png))) return false;
  readRows(png, layout, row, out);
  return true;
}

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

}  // namespace

std::optional<Raster> readPng(ByteView bytes, int minSide) {
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, abandon, discardWarning);
  if (structs.png == nullptr) return std::nullopt;
  structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) return std::nullopt;

  MemoryInput input{bytes};
  png_set_read_fn(structs.png, &input, readInput);
  Layout layout;
  if (!readHeaderGuarded(structs.png, structs.info, layout)) return std::nullopt;
  if (imageDataBytes(bytes) * mostInflatedPerDeflatedByte + inflateAllowance < layout.filteredBytes) return std::nullopt;
  auto builder =
      RasterBuilder::create(static_cast<int>(layout.width), static_cast<int>(layout.height), layout.kind, minSide);
  if (!builder) return std::nullopt;
  std::vector<std::uint32_t> row(layout.width);
  if (!readRowsGuarded(structs.png, layout, row.data(), *builder)) return std::nullopt;
  return std::move(*builder).finish();
}

}  // namespace readers
