// Writes the benchmark inputs into one folder: the 24-megapixel photo-like
// JPEG and BMP, and a small copy of the picture as JPEG, BMP and PPM (the
// runner turns the PPM into the formats made with ImageMagick).

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/photo_like.h"

namespace {

constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;
constexpr int smallWidth = 320;
constexpr int smallHeight = 240;
constexpr int jpegQuality = 90;

bool write(const std::string& path, const icon::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

icon::Bytes photoLikePpm(int width, int height) {
  const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  icon::Bytes file(header.begin(), header.end());
  std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    bench_inputs::photoLikeRow(width, height, y, row);
    file.insert(file.end(), row.begin(), row.end());
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const bool written = write(folder + "/photo.jpg", bench_inputs::photoLikeJpeg(photoWidth, photoHeight, jpegQuality)) &&
                       write(folder + "/photo.bmp", bench_inputs::photoLikeBmp(photoWidth, photoHeight)) &&
                       write(folder + "/small.jpg", bench_inputs::photoLikeJpeg(smallWidth, smallHeight, jpegQuality)) &&
                       write(folder + "/small.bmp", bench_inputs::photoLikeBmp(smallWidth, smallHeight)) &&
                       write(folder + "/small.ppm", photoLikePpm(smallWidth, smallHeight));
  if (!written) {
    std::fprintf(stderr, "cannot write the inputs into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
