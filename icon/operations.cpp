#include "icon/operations.h"

#include <algorithm>

#include "icon/bitmap_file.h"
#include "icon/icon_template.h"
#include "icon/little_endian.h"

namespace icon {
namespace {

bool isSingleIconOf(ByteView icon, Size size) {
  return icon.size() == fileLayout(singleLayout(size)).fileLength;
}

bool cellInRange(Size size, int x, int y) { return x >= 1 && y >= 1 && x <= side(size) && y <= side(size); }

// Offset of the colour bytes of the pixel at 1-based column x, row y from the top.
std::size_t colourOffset(Size size, int x, int y) {
  const std::size_t imageRow = static_cast<std::size_t>(side(size) - y);
  return fileLayout(singleLayout(size)).images[0].colourBitmap + imageRow * colourRowStride(size) + 3 * static_cast<std::size_t>(x - 1);
}

struct MaskBit {
  std::size_t offset;
  std::uint8_t value;
};

// Mask bits run most significant first: column x is bit 7 - (x-1) mod 8
// of byte (x-1) div 8 of the row, whatever the row word's byte order.
MaskBit maskBit(Size size, int x, int y) {
  const std::size_t imageRow = static_cast<std::size_t>(side(size) - y);
  const std::size_t maskRow = fileLayout(singleLayout(size)).images[0].transparencyMask + imageRow * maskRowStride;
  const int column = x - 1;
  return {maskRow + static_cast<std::size_t>(column / 8), static_cast<std::uint8_t>(0x80 >> (column % 8))};
}

void copyInto(Bytes& target, std::size_t offset, ByteView source) {
  std::copy(source.begin(), source.end(), target.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

Bytes blankIcon(Layout layout) {
  const auto slice = blankFileSlice(layout);
  return Bytes(slice.begin(), slice.end());
}

std::optional<Bytes> pixelBlockFromCapture(ByteView capture, Size size) {
  const std::size_t blockLength = colourBitmapLength(size);
  const auto width = le::read32(capture, 18);
  const auto height = le::read32(capture, 22);
  const auto bits = le::read16(capture, 28);
  if (capture.size() != bitmapFileHeadersLength + blockLength || capture[0] != 'B' || capture[1] != 'M' ||
      width != static_cast<std::uint32_t>(side(size)) || height != static_cast<std::uint32_t>(side(size)) ||
      bits != 24)
    return std::nullopt;
  const auto pixels = capture.last(blockLength);
  return Bytes(pixels.begin(), pixels.end());
}

bool splice(Bytes& icon, std::size_t offset, ByteView block) {
  if (offset > icon.size() || block.size() > icon.size() - offset) return false;
  copyInto(icon, offset, block);
  return true;
}

std::optional<Bytes> workingIcon(Size size, ByteView pixelBlock) {
  if (pixelBlock.size() != colourBitmapLength(size)) return std::nullopt;
  Bytes icon = blankIcon(singleLayout(size));
  copyInto(icon, fileLayout(singleLayout(size)).images[0].colourBitmap, pixelBlock);
  return icon;
}

std::optional<ColourGrid> colourGridFromPixelBlock(ByteView pixelBlock, Size size) {
  if (pixelBlock.size() != colourBitmapLength(size)) return std::nullopt;
  ColourGrid grid(size);
  for (int row = 0; row < side(size); ++row) {
    for (int column = 0; column < side(size); ++column) {
      const std::uint8_t* bgr = pixelBlock.data() + row * colourRowStride(size) + 3 * column;
      grid.set(row, column, rgb(bgr[2], bgr[1], bgr[0]));
    }
  }
  return grid;
}

bool paintPixel(Bytes& workingIcon, Size size, int x, int y, Colour colour) {
  if (!isSingleIconOf(workingIcon, size) || !cellInRange(size, x, y)) return false;
  const std::uint8_t bgr[] = {blueOf(colour), greenOf(colour), redOf(colour)};
  copyInto(workingIcon, colourOffset(size, x, y), bgr);
  return true;
}

bool makePixelTransparent(Bytes& workingIcon, Size size, int x, int y) {
  if (!isSingleIconOf(workingIcon, size) || !cellInRange(size, x, y)) return false;
  const std::uint8_t black[] = {0, 0, 0};
  copyInto(workingIcon, colourOffset(size, x, y), black);
  const MaskBit bit = maskBit(size, x, y);
  workingIcon[bit.offset] |= bit.value;
  return true;
}

std::optional<bool> isPixelTransparent(ByteView workingIcon, Size size, int x, int y) {
  if (!isSingleIconOf(workingIcon, size) || !cellInRange(size, x, y)) return std::nullopt;
  const MaskBit bit = maskBit(size, x, y);
  return (workingIcon[bit.offset] & bit.value) != 0;
}

bool merge(Bytes& bothIcon, ByteView workingIcon16, ByteView workingIcon32) {
  if (bothIcon.size() != bothLayout.fileLength || workingIcon16.size() != single16Layout.fileLength ||
      workingIcon32.size() != single32Layout.fileLength)
    return false;
  for (const auto& [image, source] : {std::pair{bothLayout.images[0], workingIcon16}, std::pair{bothLayout.images[1], workingIcon32}})
    copyInto(bothIcon, image.imageData, source.last(imageDataLength(image.size)));
  return true;
}

std::optional<Layout> layoutOf(ByteView icon) {
  for (Layout layout : {Layout::single16, Layout::single32, Layout::both})
    if (icon.size() == fileLayout(layout).fileLength) return layout;
  return std::nullopt;
}

}  // namespace icon
