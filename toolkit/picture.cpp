#include "toolkit/picture.h"

#include <QHash>
#include <algorithm>
#include <deque>
#include <vector>

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

// Every look-up hashes the whole file, several times per conversion, so the
// hash must run at memory speed: SHA-1 took longer than decoding a large
// JPEG at 1/8 scale. With the length, 64 bits seeded afresh in each process
// leave an accidental collision out of reach.
std::size_t contentKey(std::span<const std::uint8_t> bytes) {
  return qHash(QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
               QHashSeed::globalSeed());
}

struct CachedDecode {
  std::size_t key;
  std::size_t length;
  PictureRef picture;
};

// A handful is enough: two previews plus the icons the edit window shows.
constexpr std::size_t cacheCapacity = 6;

std::deque<CachedDecode>& cache() {
  static std::deque<CachedDecode> decodes;
  return decodes;
}

}  // namespace

PictureRef decodePicture(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return nullptr;
  const std::size_t key = contentKey(bytes);
  auto& decodes = cache();
  const auto hit = std::find_if(decodes.begin(), decodes.end(), [&](const CachedDecode& entry) {
    return entry.length == bytes.size() && entry.key == key;
  });
  if (hit != decodes.end()) return hit->picture;

  PictureRef picture;
  if (auto raster = readers::readPicture(bytes, 2 * largestDrawnSide)) {
    const bool isIcon = raster->isIcon;
    const bool transparent = raster->kind != readers::PixelKind::Opaque;
    QImage image = toImage(std::move(*raster));
    if (!image.isNull()) picture = std::make_shared<const Picture>(Picture{std::move(image), isIcon, transparent});
  }
  decodes.push_front({key, bytes.size(), picture});
  if (decodes.size() > cacheCapacity) decodes.pop_back();
  return picture;
}

}  // namespace toolkit
