// The entry point the windows call: sniffing, then whichever reader the first
// bytes pick. Seeded with every format, so mutations cross between them.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::requireSound(readers::readPicture(readers::ByteView(data, size), fuzz::toolkitMinSide));
  return 0;
}
