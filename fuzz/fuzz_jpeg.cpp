// JPEG reader on arbitrary bytes, at the size the toolkit asks for (1/8 scale
// for large pictures, full size for small ones) and at libjpeg's smallest
// scale (minSide 1 always allows 1/8), since scaled decoding takes other
// paths through libjpeg. Large pictures are not decoded at full size: a few
// hundred bytes of arithmetic coding can be a valid 45-megapixel picture,
// whose full-size raster is what the limit on memory would report.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const readers::ByteView bytes(data, size);
  fuzz::requireSound(readers::readJpeg(bytes, fuzz::toolkitMinSide));
  fuzz::requireSound(readers::readJpeg(bytes, 1));
  return 0;
}
