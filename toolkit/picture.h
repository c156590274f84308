#pragma once
// Pictures: file bytes decoded once into an image the canvases can draw.

#include <QImage>
#include <memory>
#include <span>

#include "icon/types.h"

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

// Decodes picture file bytes, or gives null when the bytes are not a picture
// this program reads. The last few decodes are kept, so the preview and the
// conversion of the same bytes share one.
PictureRef decodePicture(std::span<const std::uint8_t> bytes);

}  // namespace toolkit
