#pragma once
// Byte layout of the three icon files the program writes. Every icon is
// built by copying a blank file out of the template and overwriting pixel
// and mask bytes at the offsets below; nothing here is computed at run time.

#include <array>
#include <cstddef>
#include <cstdint>

#include "icon/types.h"

namespace icon {

enum class Layout { single16, single32, both };

inline constexpr std::size_t fileHeaderLength = 6;
inline constexpr std::size_t directoryEntryLength = 16;
inline constexpr std::size_t bitmapInfoHeaderLength = 40;
inline constexpr std::size_t maskRowStride = 4;  // 32 bits a row at both sizes

constexpr std::size_t colourRowStride(Size size) { return 3 * static_cast<std::size_t>(side(size)); }
constexpr std::size_t colourBitmapLength(Size size) { return colourRowStride(size) * side(size); }
constexpr std::size_t transparencyMaskLength(Size size) { return maskRowStride * side(size); }
constexpr std::size_t imageDataLength(Size size) {
  return bitmapInfoHeaderLength + colourBitmapLength(size) + transparencyMaskLength(size);
}

// Where one image's parts lie inside a file.
struct ImagePlacement {
  Size size;
  std::size_t imageData;         // bitmap info header, colour bitmap, mask
  std::size_t colourBitmap;      // the pixel block
  std::size_t transparencyMask;  // 1 bit a pixel, set = transparent
};

constexpr ImagePlacement placeImage(Size size, std::size_t imageData) {
  const std::size_t colourBitmap = imageData + bitmapInfoHeaderLength;
  return {size, imageData, colourBitmap, colourBitmap + colourBitmapLength(size)};
}

struct FileLayout {
  std::size_t imageCount;
  std::array<ImagePlacement, 2> images;  // only the first imageCount are used
  std::size_t fileLength;
  std::size_t templateOffset;  // where its blank file starts in the template
};

namespace detail {
constexpr std::size_t directoryEnd(std::size_t imageCount) {
  return fileHeaderLength + directoryEntryLength * imageCount;
}
constexpr ImagePlacement first(Size size, std::size_t imageCount) {
  return placeImage(size, directoryEnd(imageCount));
}
constexpr FileLayout single(Size size, std::size_t templateOffset) {
  const ImagePlacement image = first(size, 1);
  return {1, {image, image}, image.imageData + imageDataLength(size), templateOffset};
}
}  // namespace detail

inline constexpr FileLayout single16Layout = detail::single(Size::x16, 0);
inline constexpr FileLayout single32Layout =
    detail::single(Size::x32, single16Layout.templateOffset + single16Layout.fileLength);
inline constexpr FileLayout bothLayout = [] {
  const ImagePlacement small = detail::first(Size::x16, 2);
  const ImagePlacement large = placeImage(Size::x32, small.imageData + imageDataLength(Size::x16));
  return FileLayout{2, {small, large}, large.imageData + imageDataLength(Size::x32),
                    single32Layout.templateOffset + single32Layout.fileLength};
}();

inline constexpr std::size_t templateLength = bothLayout.templateOffset + bothLayout.fileLength;

constexpr const FileLayout& fileLayout(Layout layout) {
  switch (layout) {
    case Layout::single16: return single16Layout;
    case Layout::single32: return single32Layout;
    case Layout::both: break;
  }
  return bothLayout;
}

constexpr Layout singleLayout(Size size) { return size == Size::x16 ? Layout::single16 : Layout::single32; }

// The offsets the rest of the program relies on, as the file format fixes them.
static_assert(templateLength == 8306);
static_assert(single16Layout.fileLength == 894 && single32Layout.fileLength == 3262 &&
              bothLayout.fileLength == 4150);
static_assert(single32Layout.templateOffset == 894 && bothLayout.templateOffset == 4156);
static_assert(imageDataLength(Size::x16) == 872 && imageDataLength(Size::x32) == 3240);
static_assert(single16Layout.images[0].imageData == 22 && single16Layout.images[0].colourBitmap == 62 &&
              single16Layout.images[0].transparencyMask == 830);
static_assert(single32Layout.images[0].colourBitmap == 62 && single32Layout.images[0].transparencyMask == 3134);
static_assert(bothLayout.images[0].imageData == 38 && bothLayout.images[0].colourBitmap == 78 &&
              bothLayout.images[0].transparencyMask == 846);
static_assert(bothLayout.images[1].imageData == 910 && bothLayout.images[1].colourBitmap == 950 &&
              bothLayout.images[1].transparencyMask == 4022);

}  // namespace icon
