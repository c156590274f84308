#pragma once
// Pictures: file bytes decoded once into an image the canvases can draw.

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "icon/types.h"
#include "toolkit/readers/raster.h"

namespace toolkit {

struct Picture {
  QImage image;         // Format_ARGB32, straight alpha
  bool isIcon = false;  // icon or cursor: drawn with its mask
  bool hasTransparency = false;

  QSize size() const { return image.size(); }
};

using PictureRef = std::shared_ptr<const Picture>;

// Large pictures are only ever drawn at most this big (the previews), so the
// readers may decode them reduced, keeping twice this size.
inline constexpr int largestDrawnSide = 84;

// No larger file holds a picture the readers accept: the largest has
// readers::maxPixels pixels of at most 4 bytes, and headers are small.
inline constexpr std::uint64_t largestPictureFile = readers::maxPixels * 4 + 1024 * 1024;

// Decodes picture file bytes, or gives null when the bytes are not a picture
// this program reads.
PictureRef decodePicture(std::span<const std::uint8_t> bytes);

// Picture file bytes together with the picture decoded from them, so that
// whoever holds the bytes never has to decode them again.
struct PictureBytes {
  icon::Bytes bytes;
  PictureRef picture;
};

// Nothing when the bytes are not a picture this program reads. Bytes equal to
// those of `known` take its picture instead of being decoded again: the
// two-image format is often given one file for both sizes.
std::optional<PictureBytes> decodePictureBytes(icon::Bytes bytes, const PictureBytes& known = {});

// Reads and decodes a file the user chose. Nothing when it is not a picture,
// including anything but a regular file and any file larger than
// largestPictureFile, which is refused before it is read.
std::optional<PictureBytes> readPictureFile(const QString& path, const PictureBytes& known = {});

}  // namespace toolkit
