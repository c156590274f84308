#pragma once
// Picture readers, one per file format, and the sniffing entry point the
// toolkit calls. See raster.h for the contract every reader keeps.

#include "toolkit/readers/raster.h"

namespace readers {

enum class Format { Unknown, Bmp, Jpeg, Icon, Cursor, Gif, Pcx, Png, Tiff };

// Recognises the format from the first bytes only.
Format sniff(ByteView bytes);

// BMP, PCX, GIF, PNG and TIFF: minSide > 0 has a larger picture
// area-averaged while it is decoded, to the size reducedSize() gives
// (reduce.h).
std::optional<Raster> readBmp(ByteView bytes, int minSide = 0);
// Icons (type 1) and cursors (type 2). Takes the first image whose width
// byte is 32 and colour-count byte at least 16, else the last image. minSide
// applies to a PNG image only.
std::optional<Raster> readIcon(ByteView bytes, int minSide = 0);
std::optional<Raster> readPcx(ByteView bytes, int minSide = 0);
std::optional<Raster> readGif(ByteView bytes, int minSide = 0);
// JPEG decodes at a reduced DCT scale, as long as both sides stay at least
// minSide (or the full size when that is smaller).
std::optional<Raster> readJpeg(ByteView bytes, int minSide = 0);
std::optional<Raster> readPng(ByteView bytes, int minSide = 0);
std::optional<Raster> readTiff(ByteView bytes, int minSide = 0);

// Sniffs the format and calls its reader.
std::optional<Raster> readPicture(ByteView bytes, int minSide = 0);

}  // namespace readers
