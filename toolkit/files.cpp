#include "toolkit/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace toolkit {
namespace {

std::optional<std::size_t>& writeLimit() {
  static std::optional<std::size_t> limit;
  return limit;
}

// Every fresh page of a buffer costs a page fault when first written, and on
// a virtual machine a fault is dear: a 72 MB file took four times as long to
// read into 4 KiB pages as into 2 MiB ones. Only the whole huge pages inside
// the buffer are asked for, so it takes no more memory than its size.
void askForHugePages(void* buffer, std::size_t length) {
  constexpr std::uintptr_t hugePage = 2 * 1024 * 1024;
  const auto start = (reinterpret_cast<std::uintptr_t>(buffer) + hugePage - 1) & ~(hugePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + length) & ~(hugePage - 1);
  // Only a hint: without it the buffer works the same, only filling it is slower.
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace

void failWritesAfter(std::optional<std::size_t> bytes) { writeLimit() = bytes; }

icon::Bytes readWholeFile(const QString& path, std::uint64_t maxBytes) {
  if (path.isEmpty()) return {};
  // Without O_NONBLOCK, opening a FIFO waits for a writer; what was opened is
  // checked, not the path, so nothing can be swapped in between.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  const auto closeFile = qScopeGuard([fd] { ::close(fd); });
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 ||
      static_cast<std::uint64_t>(status.st_size) > maxBytes)
    return {};

  // Sizing the buffer up front would zero it, one more pass over memory as
  // large as the file; appending chunks writes each page once.
  icon::Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  askForHugePages(bytes.data(), bytes.capacity());
  std::vector<std::uint8_t> chunk(256 * 1024);
  for (;;) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return {};
    }
    // The file may have grown since it was measured.
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) return {};
    bytes.insert(bytes.end(), chunk.data(), chunk.data() + got);
  }
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
