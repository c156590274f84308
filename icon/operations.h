#pragma once
// The icon buffer operations: everything the windows do to icon bytes.
//
// Buffers of the wrong length or layout are refused: creating operations
// return std::nullopt, changing operations return false and leave the buffer
// untouched. Nothing is ever read or written outside a buffer.

#include <optional>
#include <span>

#include "icon/layout.h"
#include "icon/types.h"

namespace icon {

using ByteView = std::span<const std::uint8_t>;

// A fresh copy of the blank file of a layout (894, 3262 or 4150 bytes).
Bytes blankIcon(Layout layout);

// The pixel rows of a 24-bit canvas capture of size S: its last 3*S*S bytes.
// Refused when the capture is not a bitmap file of exactly S x S pixels.
std::optional<Bytes> pixelBlockFromCapture(ByteView capture, Size size);

// Replaces the bytes of icon from offset on by block; the length stays.
[[nodiscard]] bool splice(Bytes& icon, std::size_t offset, ByteView block);

// A single-image icon of the given size holding the pixel block, mask clear.
std::optional<Bytes> workingIcon(Size size, ByteView pixelBlock);

// The colours of a pixel block, row 0 the bottom row.
std::optional<ColourGrid> colourGridFromPixelBlock(ByteView pixelBlock, Size size);

// Column x and row y are 1-based, y counted from the top, as the edit grid
// counts its cells. The icon must be a single-image icon of that size.
[[nodiscard]] bool paintPixel(Bytes& workingIcon, Size size, int x, int y, Colour colour);
// Black colour bytes and the mask bit set; mask bits are only ever set.
[[nodiscard]] bool makePixelTransparent(Bytes& workingIcon, Size size, int x, int y);
// Whether the pixel's mask bit is set; nothing for a cell or icon refused as above.
std::optional<bool> isPixelTransparent(ByteView workingIcon, Size size, int x, int y);

// Copies the image data of both working icons into a two-image icon, keeping
// its header and directory.
[[nodiscard]] bool merge(Bytes& bothIcon, ByteView workingIcon16, ByteView workingIcon32);

// The layout a buffer has, judged by its length, or nothing.
std::optional<Layout> layoutOf(ByteView icon);

}  // namespace icon
