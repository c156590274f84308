// GIF reader on arbitrary bytes, asked for the size the toolkit asks for:
// larger screens take the reducing path, smaller ones are kept whole. At full
// size a 35-byte file can be a valid 64-megapixel picture of background.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::requireSound(readers::readGif(readers::ByteView(data, size), fuzz::toolkitMinSide));
  return 0;
}
