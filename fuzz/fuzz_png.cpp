// PNG reader on arbitrary bytes.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::requireSound(readers::readPng(readers::ByteView(data, size), fuzz::toolkitMinSide));
  return 0;
}
