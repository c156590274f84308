#pragma once
// TIFF and GIF files written in memory by libtiff and giflib themselves, in
// the layouts, compressions and sizes a test needs, and libtiff's own
// whole-picture reading to compare the reader with.

#include <gif_lib.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "reader_test_support.h"

namespace reader_tests {

// Sample c of pixel (x, y), top row first.
using Samples = std::function<std::uint8_t(int x, int y, int c)>;

struct TiffLayout {
  int width = 0;
  int height = 0;
  std::uint16_t samples = 3;  // 1 grey or bilevel, 3 RGB
  std::uint16_t bits = 8;     // 8, or 1 for bilevel (a sample of 128 or more is white)
  std::uint16_t compression = COMPRESSION_NONE;
  bool ycbcr = false;              // JPEG only: YCbCr, subsampled 2 x 2
  std::uint32_t rowsPerStrip = 0;  // 0: one strip
  std::uint32_t tileSide = 0;      // tiles of this side instead of strips
  bool planar = false;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
};

namespace written {

struct MemoryFile {
  Bytes bytes;
  toff_t position = 0;
};
inline MemoryFile& fileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }
inline tmsize_t read(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile& file = fileOf(handle);
  const auto count = static_cast<tmsize_t>(
      std::min<toff_t>(static_cast<toff_t>(size), file.bytes.size() - std::min<toff_t>(file.position, file.bytes.size())));
  std::copy_n(file.bytes.data() + file.position, count, static_cast<std::uint8_t*>(buffer));
  file.position += static_cast<toff_t>(count);
  return count;
}
inline tmsize_t write(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile& file = fileOf(handle);
  const toff_t end = file.position + static_cast<toff_t>(size);
  if (end > file.bytes.size()) file.bytes.resize(end);
  std::copy_n(static_cast<const std::uint8_t*>(buffer), size, file.bytes.data() + file.position);
  file.position = end;
  return size;
}
inline toff_t seek(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = fileOf(handle);
  const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file.position : file.bytes.size();
  file.position = base + offset;
  return file.position;
}
inline int close(thandle_t) { return 0; }
inline toff_t size(thandle_t handle) { return fileOf(handle).bytes.size(); }
// libtiff maps only files it reads, as the reader's own file is mapped.
inline int map(thandle_t handle, void** base, toff_t* size) {
  *base = fileOf(handle).bytes.data();
  *size = fileOf(handle).bytes.size();
  return 1;
}
inline void unmap(thandle_t, void*, toff_t) {}

inline TIFF* open(MemoryFile& file, const char* mode) {
  return TIFFClientOpen("test", mode, &file, read, write, seek, close, size, map, unmap);
}

}  // namespace written

inline Bytes writeTiff(const TiffLayout& layout, const Samples& sample) {
  // libtiff warns that the old Deflate code is less widely read; the tests
  // write it on purpose.
  struct QuietWarnings {
    TIFFErrorHandler previous = TIFFSetWarningHandler(nullptr);
    ~QuietWarnings() { TIFFSetWarningHandler(previous); }
  } quiet;
  written::MemoryFile file;
  TIFF* tiff = written::open(file, "w");
  if (tiff == nullptr) throw std::runtime_error("libtiff will not write");
  const bool bilevel = layout.bits == 1;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, layout.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, layout.height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, layout.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, layout.orientation);
  if (layout.ycbcr) {
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
    TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  } else {
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  }
  if (layout.compression == COMPRESSION_JPEG) TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 95);
  if (layout.tileSide != 0) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tileSide);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tileSide);
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip != 0 ? layout.rowsPerStrip : layout.height);
  }

  // Samples of one plane (or all, interleaved) of columns [x0, x0 + w) of row y.
  const int perPixel = layout.planar ? 1 : layout.samples;
  const auto fill = [&](std::uint8_t* out, int x0, int w, int y, int plane) {
    if (bilevel) std::fill_n(out, (w + 7) / 8, 0);
    for (int x = x0; x < x0 + w; ++x)
      for (int c = 0; c < perPixel; ++c) {
        const std::uint8_t value = x < layout.width && y < layout.height ? sample(x, y, plane + c) : 0;
        const int i = x - x0;
        if (bilevel)
          out[i / 8] |= value >= 128 ? 0x80 >> (i % 8) : 0;
        else
          out[i * perPixel + c] = value;
      }
  };
  const int planes = layout.planar ? layout.samples : 1;
  bool ok = true;
  if (layout.tileSide != 0) {
    const int side = static_cast<int>(layout.tileSide);
    const std::size_t rowBytes = bilevel ? (side + 7) / 8 : static_cast<std::size_t>(side) * perPixel;
    Bytes tile(rowBytes * side);
    for (int plane = 0; plane < planes; ++plane)
      for (int y0 = 0; y0 < layout.height; y0 += side)
        for (int x0 = 0; x0 < layout.width; x0 += side) {
          for (int k = 0; k < side; ++k) fill(tile.data() + k * rowBytes, x0, side, y0 + k, plane);
          ok = ok && TIFFWriteTile(tiff, tile.data(), x0, y0, 0, static_cast<std::uint16_t>(plane)) >= 0;
        }
  } else {
    Bytes row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
    for (int plane = 0; plane < planes; ++plane)
      for (int y = 0; y < layout.height; ++y) {
        fill(row.data(), 0, layout.width, y, plane);
        ok = ok && TIFFWriteScanline(tiff, row.data(), y, static_cast<std::uint16_t>(plane)) >= 0;
      }
  }
  TIFFClose(tiff);
  if (!ok) throw std::runtime_error("libtiff could not write the picture");
  return std::move(file.bytes);
}

// An opaque picture as libtiff's own whole-picture reading gives it, top row
// first, as 0xAARRGGBB.
inline std::optional<std::vector<std::uint32_t>> libtiffPicture(const Bytes& bytes) {
  written::MemoryFile file{bytes};
  const std::unique_ptr<TIFF, void (*)(TIFF*)> tiff{written::open(file, "r"), TIFFClose};
  if (!tiff) return std::nullopt;
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, pixels.data(), ORIENTATION_TOPLEFT, 1))
    return std::nullopt;
  for (std::uint32_t& p : pixels) p = rgb(TIFFGetR(p), TIFFGetG(p), TIFFGetB(p));
  return pixels;
}

using Colour = std::array<std::uint8_t, 3>;  // red, green, blue

// The 256 grey levels, each at its own index.
inline std::vector<Colour> greyLevels() {
  std::vector<Colour> levels(256);
  for (int i = 0; i < 256; ++i) levels[i].fill(static_cast<std::uint8_t>(i));
  return levels;
}

// A GIF of one frame covering the screen, pixel (x, y) of colour
// index(x, y) among `colours` (at most 256).
inline Bytes writeGif(int width, int height, const std::vector<Colour>& colours,
                      const std::function<std::uint8_t(int x, int y)>& index) {
  Bytes out;
  const auto append = [](GifFileType* gif, const GifByteType* data, int size) {
    auto* bytes = static_cast<Bytes*>(gif->UserData);
    bytes->insert(bytes->end(), data, data + size);
    return size;
  };
  int error = 0;
  GifFileType* gif = EGifOpen(&out, append, &error);
  if (gif == nullptr) throw std::runtime_error("giflib will not write");
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (std::size_t i = 0; i < 256; ++i) {
    const Colour c = i < colours.size() ? colours[i] : Colour{};
    map->Colors[i] = {c[0], c[1], c[2]};
  }
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  std::vector<GifPixelType> line(static_cast<std::size_t>(width));
  for (int y = 0; ok && y < height; ++y) {
    for (int x = 0; x < width; ++x) line[static_cast<std::size_t>(x)] = index(x, y);
    ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
  }
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  GifFreeMapObject(map);
  if (!ok) throw std::runtime_error("giflib could not write the picture");
  return out;
}

}  // namespace reader_tests
