#pragma once
// The icon template: one blank file of each layout, back to back, built at
// compile time from the layout tables. Every byte not written here is zero,
// so the blank images are opaque black.

#include <array>
#include <cstdint>
#include <span>

#include "icon/layout.h"
#include "icon/little_endian.h"

namespace icon {

using IconTemplate = std::array<std::uint8_t, templateLength>;

namespace detail {

inline constexpr std::uint16_t resourceTypeIcon = 1;
inline constexpr std::uint16_t bitsPerPixel = 24;

constexpr void writeDirectoryEntry(std::uint8_t* entry, const ImagePlacement& image) {
  entry[0] = static_cast<std::uint8_t>(side(image.size));  // width
  entry[1] = static_cast<std::uint8_t>(side(image.size));  // height
  // Colour count, reserved, planes and bits per pixel stay 0: the depth is
  // carried by the bitmap info header alone.
  le::put32(entry + 8, static_cast<std::uint32_t>(imageDataLength(image.size)));
  le::put32(entry + 12, static_cast<std::uint32_t>(image.imageData));
}

constexpr void writeBitmapInfoHeader(std::uint8_t* header, Size size) {
  le::put32(header + 0, bitmapInfoHeaderLength);
  le::put32(header + 4, static_cast<std::uint32_t>(side(size)));
  le::put32(header + 8, static_cast<std::uint32_t>(2 * side(size)));  // colour bitmap + mask
  le::put16(header + 12, 1);                                         // planes
  le::put16(header + 14, bitsPerPixel);
  le::put32(header + 20, static_cast<std::uint32_t>(colourBitmapLength(size) + transparencyMaskLength(size)));
}

constexpr void writeBlankFile(IconTemplate& bytes, const FileLayout& layout) {
  std::uint8_t* file = bytes.data() + layout.templateOffset;
  le::put16(file + 2, resourceTypeIcon);
  le::put16(file + 4, static_cast<std::uint16_t>(layout.imageCount));
  for (std::size_t i = 0; i < layout.imageCount; ++i) {
    const ImagePlacement& image = layout.images[i];
    writeDirectoryEntry(file + fileHeaderLength + i * directoryEntryLength, image);
    writeBitmapInfoHeader(file + image.imageData, image.size);
  }
}

constexpr IconTemplate buildTemplate() {
  IconTemplate bytes{};
  for (const FileLayout* layout : {&single16Layout, &single32Layout, &bothLayout}) writeBlankFile(bytes, *layout);
  return bytes;
}

}  // namespace detail

inline constexpr IconTemplate iconTemplate = detail::buildTemplate();

// The template slice holding the blank file of a layout.
constexpr std::span<const std::uint8_t> blankFileSlice(Layout layout) {
  const FileLayout& file = fileLayout(layout);
  return std::span<const std::uint8_t>(iconTemplate).subspan(file.templateOffset, file.fileLength);
}

}  // namespace icon
