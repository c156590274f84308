#include "bench/photo_like.h"

#include <cmath>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <numbers>

#include <jpeglib.h>

#include "icon/little_endian.h"

namespace bench_inputs {
namespace {

// A stateless hash, so any row can be made on its own and every run gives
// the same bytes.
std::uint32_t noiseAt(std::uint32_t x, std::uint32_t y, std::uint32_t channel) {
  std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ channel * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

std::uint8_t clampToByte(double value) {
  return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

}  // namespace

void photoLikeRow(int width, int height, int y, std::span<std::uint8_t> rgb) {
  constexpr double tau = 2 * std::numbers::pi;
  // Noise of +-10 levels: the grain of a phone sensor at moderate ISO.
  constexpr int noiseSpan = 21;
  const double v = static_cast<double>(y) / height;
  for (int x = 0; x < width; ++x) {
    const double u = static_cast<double>(x) / width;
    // A sky-to-ground gradient, a slow diagonal wave and a soft bright patch.
    const double patch = std::exp(-((u - 0.62) * (u - 0.62) + (v - 0.35) * (v - 0.35)) * 18.0);
    const double wave = std::sin(tau * (1.7 * u + 0.9 * v)) * std::cos(tau * 1.3 * v);
    const double base[3] = {
        70 + 120 * v + 35 * wave + 60 * patch,
        110 + 60 * std::sin(tau * 0.8 * u) * (1 - v) + 25 * wave + 50 * patch,
        200 - 140 * v + 20 * std::cos(tau * 2.1 * u) + 30 * patch,
    };
    for (int c = 0; c < 3; ++c) {
      const int noise = static_cast<int>(noiseAt(x, y, c) % noiseSpan) - noiseSpan / 2;
      rgb[3 * static_cast<std::size_t>(x) + c] = clampToByte(base[c] + noise);
    }
  }
}

icon::Bytes photoLikeJpeg(int width, int height, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);  // the default exits: a benchmark input that fails is fatal
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  jpeg_mem_dest(&cinfo, &buffer, &length);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
  while (cinfo.next_scanline < cinfo.image_height) {
    photoLikeRow(width, height, static_cast<int>(cinfo.next_scanline), row);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  icon::Bytes file(buffer, buffer + length);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return file;
}

icon::Bytes photoLikeBmp(int width, int height) {
  constexpr std::size_t headersLength = 14 + 40;
  const std::size_t rowLength = (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  icon::Bytes file(headersLength + rowLength * height, 0);
  std::uint8_t* p = file.data();
  p[0] = 'B';
  p[1] = 'M';
  le::put32(p + 2, static_cast<std::uint32_t>(file.size()));
  le::put32(p + 10, headersLength);
  le::put32(p + 14, 40);
  le::put32(p + 18, static_cast<std::uint32_t>(width));
  le::put32(p + 22, static_cast<std::uint32_t>(height));
  le::put16(p + 26, 1);
  le::put16(p + 28, 24);
  le::put32(p + 34, static_cast<std::uint32_t>(rowLength * height));
  std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    photoLikeRow(width, height, y, rgb);
    std::uint8_t* out = p + headersLength + rowLength * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      out[3 * x] = rgb[3 * x + 2];
      out[3 * x + 1] = rgb[3 * x + 1];
      out[3 * x + 2] = rgb[3 * x];
    }
  }
  return file;
}

}  // namespace bench_inputs
