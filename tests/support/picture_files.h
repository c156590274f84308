#pragma once
// Writes pictures made in a test as BMP, PNG and PCX files, so tests of
// large pictures need no large fixtures. Palette formats get a fixed colour
// cube and each pixel the nearest entry per channel.

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "icon/little_endian.h"

namespace test_pictures {

using Bytes = std::vector<std::uint8_t>;

// Red, green, blue bytes, top row first.
struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;
  const std::uint8_t* at(int x, int y) const {
    return bytes.data() + 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x);
  }
};

// The palette of `bits` per pixel: 1 bit black and white, 4 bits a
// 2 x 4 x 2 cube, 8 bits a 6 x 7 x 6 cube (252 entries).
struct Cube {
  int reds, greens, blues;
};
inline Cube cubeFor(int bits) {
  switch (bits) {
    case 1: return {2, 2, 2};
    case 4: return {2, 4, 2};
    default: return {6, 7, 6};
  }
}
inline int entries(int bits) { return bits == 1 ? 2 : cubeFor(bits).reds * cubeFor(bits).greens * cubeFor(bits).blues; }
inline std::uint8_t level(int step, int steps) { return static_cast<std::uint8_t>(255 * step / (steps - 1)); }
// Entry i as red, green, blue.
inline void paletteEntry(int bits, int i, std::uint8_t rgb[3]) {
  if (bits == 1) {
    rgb[0] = rgb[1] = rgb[2] = i == 0 ? 0 : 255;
    return;
  }
  const Cube c = cubeFor(bits);
  rgb[0] = level(i / (c.greens * c.blues), c.reds);
  rgb[1] = level(i / c.blues % c.greens, c.greens);
  rgb[2] = level(i % c.blues, c.blues);
}
inline int paletteIndex(int bits, const std::uint8_t* rgb) {
  if (bits == 1) return rgb[1] >= 128 ? 1 : 0;
  const Cube c = cubeFor(bits);
  const auto nearest = [](int value, int steps) { return (value * (steps - 1) + 127) / 255; };
  return (nearest(rgb[0], c.reds) * c.greens + nearest(rgb[1], c.greens)) * c.blues + nearest(rgb[2], c.blues);
}

// Bottom-up, 40-byte info header, BI_RGB at 1, 4, 8 or 24 bits.
inline Bytes bmpFile(const Rgb& picture, int bits) {
  const int colours = bits == 24 ? 0 : entries(bits);
  const std::size_t stride = (static_cast<std::size_t>(picture.width) * bits + 31) / 32 * 4;
  const std::size_t offset = 14 + 40 + 4 * static_cast<std::size_t>(colours);
  Bytes b(offset + stride * static_cast<std::size_t>(picture.height), 0);
  b[0] = 'B';
  b[1] = 'M';
  le::put32(&b[2], static_cast<std::uint32_t>(b.size()));
  le::put32(&b[10], static_cast<std::uint32_t>(offset));
  le::put32(&b[14], 40);
  le::put32(&b[18], static_cast<std::uint32_t>(picture.width));
  le::put32(&b[22], static_cast<std::uint32_t>(picture.height));
  le::put16(&b[26], 1);
  le::put16(&b[28], static_cast<std::uint16_t>(bits));
  le::put32(&b[46], static_cast<std::uint32_t>(colours));
  for (int i = 0; i < colours; ++i) {
    std::uint8_t rgb[3];
    paletteEntry(bits, i, rgb);
    b[54 + 4 * i] = rgb[2];
    b[55 + 4 * i] = rgb[1];
    b[56 + 4 * i] = rgb[0];
  }
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = b.data() + offset + stride * static_cast<std::size_t>(picture.height - 1 - y);
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* p = picture.at(x, y);
      if (bits == 24) {
        row[3 * x] = p[2];
        row[3 * x + 1] = p[1];
        row[3 * x + 2] = p[0];
      } else {
        const int perByte = 8 / bits;
        row[x / perByte] |= static_cast<std::uint8_t>(paletteIndex(bits, p) << (8 - bits * (1 + x % perByte)));
      }
    }
  }
  return b;
}

// 8-bit RGB, Adam7-interlaced when asked; fast compression.
inline Bytes pngFile(const Rgb& picture, bool interlaced) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Bytes out;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test picture");
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t length) {
        auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + length);
      },
      nullptr);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
               PNG_COLOR_TYPE_RGB, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < picture.height; ++y) png_write_row(png, const_cast<png_bytep>(picture.at(0, y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// 1 or 8 bits, one plane, RLE runs within each scanline, bytes-per-line
// rounded up to even. 8 bits ends with the 256-colour palette.
inline Bytes pcxFile(const Rgb& picture, int bits) {
  const std::size_t needed = (static_cast<std::size_t>(picture.width) * bits + 7) / 8;
  const std::size_t bytesPerLine = (needed + 1) / 2 * 2;
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = 5;
  b[2] = 1;
  b[3] = static_cast<std::uint8_t>(bits);
  le::put16(&b[8], static_cast<std::uint16_t>(picture.width - 1));
  le::put16(&b[10], static_cast<std::uint16_t>(picture.height - 1));
  b[65] = 1;
  le::put16(&b[66], static_cast<std::uint16_t>(bytesPerLine));
  le::put16(&b[68], 1);
  std::vector<std::uint8_t> line(bytesPerLine);
  for (int y = 0; y < picture.height; ++y) {
    std::fill(line.begin(), line.end(), 0);
    for (int x = 0; x < picture.width; ++x) {
      const int i = paletteIndex(bits, picture.at(x, y));
      if (bits == 8)
        line[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(i);
      else
        line[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(i << (7 - x % 8));
    }
    for (std::size_t x = 0; x < line.size();) {
      std::size_t run = 1;
      while (x + run < line.size() && run < 63 && line[x + run] == line[x]) ++run;
      if (run > 1 || line[x] >= 0xC0) b.push_back(static_cast<std::uint8_t>(0xC0 | run));
      b.push_back(line[x]);
      x += run;
    }
  }
  if (bits == 8) {
    b.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
      std::uint8_t rgb[3] = {0, 0, 0};
      if (i < entries(8)) paletteEntry(8, i, rgb);
      b.insert(b.end(), rgb, rgb + 3);
    }
  }
  return b;
}

}  // namespace test_pictures
