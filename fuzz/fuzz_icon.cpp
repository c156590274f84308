// ICO and CUR reader on arbitrary bytes, PNG entries included, at the
// toolkit's minSide as the program reads them.

#include "fuzz/raster_check.h"
#include "toolkit/readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto raster = readers::readIcon(readers::ByteView(data, size), fuzz::toolkitMinSide);
  if (raster && !raster->isIcon) std::abort();
  fuzz::requireSound(raster);
  return 0;
}
