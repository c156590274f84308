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
  // Read straight into the buffer: going through readAll() held the file
  // twice, 144 MB at once for a 6000x4000 bitmap.
  icon::Bytes bytes(static_cast<std::size_t>(file.size()));
  const auto length = static_cast<qint64>(bytes.size());
  if (file.read(reinterpret_cast<char*>(bytes.data()), length) != length || file.error() != QFileDevice::NoError)
    return {};
  return bytes;
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
