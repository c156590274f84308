#include "toolkit/picture.h"

#include <vector>

#include "toolkit/files.h"
#include "toolkit/readers/readers.h"

namespace toolkit {
namespace {

// Hands the reader's pixels to a QImage without copying them.
QImage toImage(readers::Raster&& raster) {
  // Opaque pictures stay RGB32 so scaling never goes through premultiplied alpha.
  const auto format = raster.kind == readers::PixelKind::Opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32;
  auto* pixels = new std::vector<std::uint32_t>(std::move(raster.argb));
  return QImage(
      reinterpret_cast<uchar*>(pixels->data()), raster.width, raster.height,
      static_cast<qsizetype>(raster.width) * 4, format,
      [](void* owned) { delete static_cast<std::vector<std::uint32_t>*>(owned); }, pixels);
}

}  // namespace

PictureRef decodePicture(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return nullptr;
  auto raster = readers::readPicture(bytes, 2 * largestDrawnSide);
  if (!raster) return nullptr;
  const bool isIcon = raster->isIcon;
  const bool transparent = raster->kind != readers::PixelKind::Opaque;
  QImage image = toImage(std::move(*raster));
  if (image.isNull()) return nullptr;
  return std::make_shared<const Picture>(Picture{std::move(image), isIcon, transparent});
}

std::optional<PictureBytes> decodePictureBytes(icon::Bytes bytes, const PictureBytes& known) {
  PictureRef picture = known.picture && bytes == known.bytes ? known.picture : decodePicture(bytes);
  if (!picture) return std::nullopt;
  return PictureBytes{std::move(bytes), std::move(picture)};
}

std::optional<PictureBytes> readPictureFile(const QString& path, const PictureBytes& known) {
  return decodePictureBytes(readWholeFile(path, largestPictureFile), known);
}

}  // namespace toolkit
