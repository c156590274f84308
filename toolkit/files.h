#pragma once
// Whole-file input and output.

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

#include "icon/types.h"

namespace toolkit {

// Empty for an empty path, a missing, unreadable or empty file, anything but
// a regular file (a folder, a FIFO, a device), or a file longer than
// maxBytes, which is refused before anything is read.
icon::Bytes readWholeFile(const QString& path,
                          std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max());

// Creates or replaces the file. The bytes go to a temporary file in the same
// folder that is renamed over the target only once fully written, so a
// failed write leaves an existing file as it was. An empty path fails.
bool writeWholeFile(const QString& path, const icon::Bytes& bytes);

// A seam for tests: every later write fails once this many bytes of it have
// gone out, as on a full disk. Nothing = writes behave normally.
void failWritesAfter(std::optional<std::size_t> bytes);

}  // namespace toolkit
