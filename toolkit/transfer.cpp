#include "toolkit/transfer.h"

#include <QBuffer>
#include <QImage>
#include <QUrl>

namespace toolkit {

std::optional<QString> firstLocalFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.isEmpty() || !urls.constFirst().isLocalFile()) return std::nullopt;
  return urls.constFirst().toLocalFile();
}

icon::Bytes imageDataAsPng(const QMimeData& data) {
  if (!data.hasImage()) return {};
  const QImage image = qvariant_cast<QImage>(data.imageData());
  QByteArray png;
  QBuffer buffer(&png);
  if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
  return icon::Bytes(png.begin(), png.end());
}

}  // namespace toolkit
