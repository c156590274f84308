#include "toolkit/files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace toolkit {
namespace {

std::optional<std::size_t>& writeLimit() {
  static std::optional<std::size_t> limit;
  return limit;
}

}  // namespace

void failWritesAfter(std::optional<std::size_t> bytes) { writeLimit() = bytes; }

icon::Bytes readWholeFile(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) return {};
  return icon::Bytes(data.begin(), data.end());
}

bool writeWholeFile(const QString& path, const icon::Bytes& bytes) {
  if (path.isEmpty() || QFileInfo(path).isDir()) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const std::size_t allowed = std::min(bytes.size(), writeLimit().value_or(bytes.size()));
  const auto length = static_cast<qint64>(allowed);
  if (file.write(reinterpret_cast<const char*>(bytes.data()), length) != length || allowed != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace toolkit
