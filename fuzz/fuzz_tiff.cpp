// TIFF reader on arbitrary bytes, asked for the size the toolkit asks for:
// pictures larger than that take the reducing path, smaller ones are kept
// whole. At full size a few kilobytes of valid LZW can make a 256 MiB
// picture, which is what the limit on memory would report.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::requireSound(readers::readTiff(readers::ByteView(data, size), fuzz::toolkitMinSide));
  return 0;
}
