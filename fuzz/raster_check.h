#pragma once
// What every fuzz target checks on a decoded picture, beyond "no crash": the
// promises of raster.h that the toolkit relies on when it copies pixels.

#include <cstdlib>

#include "toolkit/readers/raster.h"

namespace fuzz {

// The minSide the toolkit asks readPicture for (twice its largest drawn
// side), so large pictures take the reducing path they take in the program.
inline constexpr int toolkitMinSide = 168;

inline void requireSound(const std::optional<readers::Raster>& raster) {
  if (!raster) return;
  if (!readers::acceptableSize(raster->width, raster->height)) std::abort();
  if (raster->argb.size() != static_cast<std::size_t>(raster->width) * static_cast<std::size_t>(raster->height))
    std::abort();
  for (const std::uint32_t pixel : raster->argb) {
    const std::uint32_t alpha = pixel >> 24;
    switch (raster->kind) {
      case readers::PixelKind::Opaque:
        if (alpha != 0xFF) std::abort();
        break;
      case readers::PixelKind::Masked:
        if (alpha != 0xFF && pixel != 0) std::abort();
        break;
      case readers::PixelKind::Alpha:
        break;
    }
  }
}

}  // namespace fuzz
