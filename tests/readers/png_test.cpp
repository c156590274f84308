// Tests of readers::readPng against ImageMagick-made fixtures
// (tests/fixtures/make-gif-jpeg-png-tiff-fixtures.sh), and hostile variants
// rebuilt from their chunks.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <zlib.h>

#include "reader_test_support.h"

namespace {

using namespace reader_tests;

Bytes load(const std::string& name) { return loadFixture("png/" + name); }
std::optional<readers::Raster> read(const Bytes& b) { return readers::readPng(readers::ByteView(b)); }

std::uint32_t withAlpha(std::uint32_t colour, unsigned alpha) { return (colour & 0xFFFFFF) | alpha << 24; }

const std::uint32_t kColours5x3[3][5] = {
    {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255)},
    {rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(128, 64, 32), rgb(32, 64, 128)},
    {rgb(200, 100, 50), rgb(50, 100, 200), rgb(10, 20, 30), rgb(250, 240, 230), rgb(1, 2, 3)},
};
const unsigned kAlpha5x3[3][5] = {{255, 255, 255, 255, 255}, {192, 128, 64, 32, 16}, {255, 200, 100, 50, 1}};
const unsigned kGrey5x3[3][5] = {{0, 32, 64, 96, 128}, {160, 192, 224, 255, 17}, {1, 2, 3, 250, 100}};

std::uint32_t c5x3(int x, int y) { return kColours5x3[y][x]; }
std::uint32_t c5x3Alpha(int x, int y) { return withAlpha(kColours5x3[y][x], kAlpha5x3[y][x]); }
// Pixel (3, 1) made transparent through the palette's tRNS entry.
std::uint32_t c5x3Hole(int x, int y) { return x == 3 && y == 1 ? withAlpha(c5x3(x, y), 0) : c5x3(x, y); }
std::uint32_t g5x3(int x, int y) { return rgb(kGrey5x3[y][x], kGrey5x3[y][x], kGrey5x3[y][x]); }
std::uint32_t g5x3Alpha(int x, int y) { return withAlpha(g5x3(x, y), kAlpha5x3[y][x]); }
std::uint32_t m5x3(int x, int y) {
  static const char* rows[3] = {"10100", "01101", "11110"};  // 1 = black
  return rows[y][x] == '1' ? rgb(0, 0, 0) : rgb(255, 255, 255);
}
std::uint32_t q16(int x, int y) { return rgb(85 * (x / 4), 85 * (y / 4), 64); }

struct Fixture {
  const char* file;
  int width, height;
  PixelKind kind;
  Expected want;
};
const Fixture kFixtures[] = {
    {"c5x3-rgb8.png", 5, 3, PixelKind::Opaque, c5x3},
    {"c5x3-rgb16.png", 5, 3, PixelKind::Opaque, c5x3},
    {"c5x3-palette4.png", 5, 3, PixelKind::Opaque, c5x3},
    {"c5x3-rgba8.png", 5, 3, PixelKind::Alpha, c5x3Alpha},
    {"c5x3-rgba16.png", 5, 3, PixelKind::Alpha, c5x3Alpha},
    {"c5x3-palette8-trns.png", 5, 3, PixelKind::Alpha, c5x3Hole},
    {"g5x3-grey8.png", 5, 3, PixelKind::Opaque, g5x3},
    {"g5x3-grey-alpha8.png", 5, 3, PixelKind::Alpha, g5x3Alpha},
    {"m5x3-grey1.png", 5, 3, PixelKind::Opaque, m5x3},
    {"q16-interlaced.png", 16, 16, PixelKind::Opaque, q16},
};

TEST(PngReader, ReadsEveryColourTypeAndDepth) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.file);
    const Bytes bytes = load(f.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(samePicture(read(bytes), f.width, f.height, f.want, {.kind = f.kind}));
  }
}

TEST(PngReader, RefusesValidPicturesPastTheLimits) {
  for (const char* file : {"grey1-16385x1.png", "grey1-8193x8193.png"}) {
    SCOPED_TRACE(file);
    const Bytes bytes = load(file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_FALSE(read(bytes).has_value());
  }
}

TEST(PngReader, RefusesEveryTruncation) {
  for (const Fixture& f : kFixtures) expectEveryPrefixRefused(load(f.file), f.file, read);
}

// A PNG as its chunks, so an edit can change a chunk and get a valid CRC back.
struct Chunk {
  std::string type;
  Bytes data;
};

std::uint32_t crc32(const std::string& type, const Bytes& data) {
  std::uint32_t crc = 0xFFFFFFFF;
  const auto add = [&crc](std::uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  };
  for (const char c : type) add(static_cast<std::uint8_t>(c));
  for (const std::uint8_t b : data) add(b);
  return ~crc;
}

std::uint32_t getBig32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}
void putBig32(Bytes& b, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::vector<Chunk> chunksOf(const Bytes& png) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = getBig32(png, at);
    const auto data = png.begin() + static_cast<std::ptrdiff_t>(at + 8);
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4), data);
    chunks.push_back({type, Bytes(data, data + length)});
    at += 12 + length;
  }
  return chunks;
}

Bytes assemble(const std::vector<Chunk>& chunks) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (const Chunk& c : chunks) {
    putBig32(png, static_cast<std::uint32_t>(c.data.size()));
    png.insert(png.end(), c.type.begin(), c.type.end());
    png.insert(png.end(), c.data.begin(), c.data.end());
    putBig32(png, crc32(c.type, c.data));
  }
  return png;
}

Chunk& find(std::vector<Chunk>& chunks, const std::string& type) {
  for (Chunk& c : chunks)
    if (c.type == type) return c;
  throw std::runtime_error("no " + type + " chunk");
}

using Edit = std::function<void(std::vector<Chunk>&)>;
Edit without(const std::string& type) {
  return [type](std::vector<Chunk>& chunks) { std::erase_if(chunks, [&](const Chunk& c) { return c.type == type; }); };
}

TEST(PngReader, EditedFiles) {
  struct Case {
    const char* name;
    const char* file;
    Edit edit;
    Expected want;  // empty: refused
  };
  const Case cases[] = {
      {"unchanged after rebuilding", "c5x3-rgb8.png", [](std::vector<Chunk>&) {}, c5x3},
      // A huge ancillary chunk is no reason to refuse the picture.
      {"9 MiB text chunk", "c5x3-rgb8.png",
       [](std::vector<Chunk>& c) { c.insert(c.begin() + 1, {"tEXt", Bytes(9 << 20, 'x')}); }, c5x3},
      {"width 0", "c5x3-rgb8.png", [](std::vector<Chunk>& c) { find(c, "IHDR").data[3] = 0; }, {}},
      {"bit depth 3", "c5x3-rgb8.png", [](std::vector<Chunk>& c) { find(c, "IHDR").data[8] = 3; }, {}},
      {"colour type 5", "c5x3-rgb8.png", [](std::vector<Chunk>& c) { find(c, "IHDR").data[9] = 5; }, {}},
      {"no image data", "c5x3-rgb8.png", without("IDAT"), {}},
      {"image data not zlib", "c5x3-rgb8.png", [](std::vector<Chunk>& c) { find(c, "IDAT").data.assign(20, 0xFF); },
       {}},
      {"palette missing", "c5x3-palette4.png", without("PLTE"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes original = load(c.file);
    ASSERT_FALSE(original.empty());
    std::vector<Chunk> chunks = chunksOf(original);
    c.edit(chunks);
    const auto raster = read(assemble(chunks));
    if (c.want)
      EXPECT_TRUE(samePicture(raster, 5, 3, c.want));
    else
      EXPECT_FALSE(raster.has_value());
  }
}

// Blank pictures deflated as far as zlib goes, near deflate's 1032:1 limit,
// which the reader checks the image data against before allocating.
TEST(PngReader, ReadsPicturesDeflatedAsFarAsZlibGoes) {
  constexpr std::uint32_t width = 4096, height = 1024;
  struct Case {
    const char* name;
    std::uint8_t bitDepth;
    std::uint8_t colourType;
    std::uint32_t pixelBits;
    std::size_t idatSize;  // the image data split in chunks of this size
    bool interlaced = false;
  };
  const Case cases[] = {
      {"grey 1 bit", 1, 0, 1, 1 << 20},
      {"grey 1 bit, 64-byte IDAT chunks", 1, 0, 1, 64},
      {"grey 8 bits", 8, 0, 8, 1 << 20},
      {"palette 8 bits", 8, 3, 8, 1 << 20},
      {"RGBA 16 bits", 16, 6, 64, 1 << 20},
      {"grey 1 bit, Adam7", 1, 0, 1, 1 << 20, true},
      {"RGBA 16 bits, Adam7", 16, 6, 64, 1 << 20, true},
  };
  // Each row a filter byte and the packed pixels; an Adam7 pass's rows hold
  // only its pixels, starting at x0, y0 every dx, dy.
  const auto rowsSize = [](std::uint32_t columns, std::uint32_t lines, std::uint32_t bits) {
    return columns == 0 ? 0 : lines * (1 + (std::size_t{columns} * bits + 7) / 8);
  };
  struct Pass {
    std::uint32_t x0, y0, dx, dy;
  };
  constexpr Pass adam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t size = 0;
    if (!c.interlaced) {
      size = rowsSize(width, height, c.pixelBits);
    } else {
      for (const Pass& p : adam7)
        size += rowsSize((width - p.x0 + p.dx - 1) / p.dx, (height - p.y0 + p.dy - 1) / p.dy, c.pixelBits);
    }
    const Bytes rows(size, 0);
    uLongf deflatedSize = compressBound(rows.size());
    Bytes deflated(deflatedSize);
    ASSERT_EQ(compress2(deflated.data(), &deflatedSize, rows.data(), rows.size(), 9), Z_OK);
    deflated.resize(deflatedSize);
    ASSERT_GT(rows.size() / deflated.size(), 900u);

    Bytes header;
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {c.bitDepth, c.colourType, 0, 0, c.interlaced ? std::uint8_t{1} : std::uint8_t{0}});
    std::vector<Chunk> chunks = {{"IHDR", header}};
    if (c.colourType == 3) chunks.push_back({"PLTE", {1, 2, 3}});
    for (std::size_t at = 0; at < deflated.size(); at += c.idatSize) {
      const auto from = deflated.begin() + static_cast<std::ptrdiff_t>(at);
      const std::size_t size = std::min(c.idatSize, deflated.size() - at);
      chunks.push_back({"IDAT", Bytes(from, from + static_cast<std::ptrdiff_t>(size))});
    }
    chunks.push_back({"IEND", {}});

    const auto raster = read(assemble(chunks));
    EXPECT_TRUE(raster.has_value());
    if (!raster) continue;
    EXPECT_EQ(raster->width, static_cast<int>(width));
    EXPECT_EQ(raster->height, static_cast<int>(height));
  }
}

TEST(PngReader, RefusesAWrongChecksum) {
  Bytes bytes = load("c5x3-rgb8.png");
  ASSERT_FALSE(bytes.empty());
  bytes[bytes.size() - 13] ^= 1;  // last byte of the final IDAT's CRC
  EXPECT_FALSE(read(bytes).has_value());
}

}  // namespace
