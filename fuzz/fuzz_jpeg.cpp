// JPEG reader on arbitrary bytes, at full size and at libjpeg's smallest
// scale (minSide 1 always allows 1/8), since scaled decoding takes other
// paths through libjpeg.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const readers::ByteView bytes(data, size);
  fuzz::requireSound(readers::readJpeg(bytes));
  fuzz::requireSound(readers::readJpeg(bytes, 1));
  return 0;
}
