// JPEG reader over libjpeg-turbo's IJG interface.
//
// libjpeg reports errors by calling error_exit, which must not return; ours
// longjmps back to decodeGuarded. Everything between that setjmp and a
// longjmp runs in decode(), which holds no object with a destructor, so the
// jump skips nothing that needed cleaning up. The caller destroys the
// decompressor on every path.
//
// Accepted: 8-bit greyscale, YCbCr and RGB, baseline, progressive or
// arithmetic-coded. Refused: CMYK and YCCK, other precisions, files that end
// before their last scan (libjpeg would pad them with grey and only warn),
// more than maxScans scans, pictures too large at the decoded scale.

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include "toolkit/readers/readers.h"

#if !defined(JCS_ALPHA_EXTENSIONS)
#error "the JPEG reader decodes straight to BGRA, which needs libjpeg-turbo"
#endif

namespace readers {
namespace {

// BGRA bytes read as a little-endian uint32 are 0xAARRGGBB.
static_assert(std::endian::native == std::endian::little, "JCS_EXT_BGRA output assumes a little-endian host");

// A progressive file may repeat scans, each one costing a pass over the whole
// picture; real encoders write a dozen or so.
constexpr int maxScans = 200;

// Progressive decoding keeps every coefficient of the full-size picture,
// whatever the output scale. Past this libjpeg fails instead of allocating.
constexpr long maxDecoderMemory = 512L * 1024 * 1024;
// Within that, the coefficients must be ones the file can hold: a block of
// 64 (128 bytes) costs at least a bit in each scan with Huffman coding.
// Arithmetic coding can go below that; only a picture of almost nothing but
// flat colour does, and it is refused.
constexpr long decoderMemoryPerFileByte = 8 * 128;
constexpr long decoderMemoryForAnyFile = 16L * 1024 * 1024;

long decoderMemoryFor(ByteView bytes) {
  const auto size = static_cast<long>(std::min<std::size_t>(bytes.size(), maxDecoderMemory));
  return std::min(maxDecoderMemory, decoderMemoryForAnyFile + decoderMemoryPerFileByte * size);
}

// Decoding does the full-size picture's work whatever the output scale, and
// an arithmetic-coded scan that meets a marker is padded without a warning:
// a few hundred bytes could otherwise ask for 65535 x 65535 and take minutes.
// At this size such a file takes a few seconds.
constexpr std::int64_t maxSourcePixels = 4 * maxPixels;

// The most scanlines asked for in one call; libjpeg hands out at most its
// rec_outbuf_height (usually 1 or 2, at most 4) anyway.
constexpr JDIMENSION maxRowsPerCall = 16;

struct Session {
  jpeg_error_mgr errors{};
  jpeg_progress_mgr progress{};
  std::jmp_buf jump{};
};

[[noreturn]] void abandon(j_common_ptr cinfo) {
  std::longjmp(static_cast<Session*>(cinfo->client_data)->jump, 1);
}

// Warnings are quiet, except that running out of scan data is a failure:
// at the end of the file (JWRN_JPEG_EOF) or at a marker, such as the end of
// image right after a cut (JWRN_HIT_MARKER). Both would be padded with grey.
void emitMessage(j_common_ptr cinfo, int level) {
  const int code = cinfo->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) abandon(cinfo);
}

void discardMessage(j_common_ptr) {}

void limitScans(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > maxScans) abandon(cinfo);
}

// The largest reduction (1/8, 1/4, 1/2) that keeps both sides at least
// minSide; full size when none does or minSide is 0.
void chooseScale(jpeg_decompress_struct& cinfo, int minSide) {
  cinfo.scale_num = 1;
  if (minSide > 0) {
    const auto wanted = static_cast<JDIMENSION>(minSide);
    for (const unsigned denominator : {8u, 4u, 2u}) {
      cinfo.scale_denom = denominator;
      jpeg_calc_output_dimensions(&cinfo);
      if (cinfo.output_width >= wanted && cinfo.output_height >= wanted) return;
    }
  }
  cinfo.scale_denom = 1;
  jpeg_calc_output_dimensions(&cinfo);
}

// An arithmetic-coded scan that meets a marker is padded with zeros, without
// a warning: that is legal, as the decoder reads a little past the end of
// its data. A single scan that meets one (other than a restart marker) with
// more than that left to decode has run out of data, like a cut file.
// (Multiple scans are read whole before any row comes out.)
bool scanDataEndedEarly(jpeg_decompress_struct& cinfo) {
  const int marker = cinfo.unread_marker;
  if (!cinfo.arith_code || marker == 0 || (marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7) ||
      jpeg_has_multiple_scans(&cinfo))
    return false;
  // Decoding runs up to two rows of MCUs ahead of the rows handed out,
  // for the smoothing of subsampled colours.
  const auto mcuRow = static_cast<JDIMENSION>(cinfo.max_v_samp_factor * cinfo.min_DCT_scaled_size);
  return cinfo.output_height - cinfo.output_scanline > 3 * mcuRow;
}

struct Job {
  jpeg_decompress_struct& cinfo;
  Session& session;
  ByteView bytes;
  int minSide;
  Raster& raster;
};

bool decode(Job& job) {
  jpeg_decompress_struct& cinfo = job.cinfo;
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &job.session.progress;
  cinfo.mem->max_memory_to_use = decoderMemoryFor(job.bytes);
  jpeg_mem_src(&cinfo, job.bytes.data(), job.bytes.size());
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;

  if (cinfo.data_precision != 8) return false;
  if (std::int64_t{cinfo.image_width} * cinfo.image_height > maxSourcePixels) return false;
  if (cinfo.jpeg_color_space != JCS_GRAYSCALE && cinfo.jpeg_color_space != JCS_YCbCr &&
      cinfo.jpeg_color_space != JCS_RGB)
    return false;
  cinfo.out_color_space = JCS_EXT_BGRA;
  chooseScale(cinfo, job.minSide);
  if (!acceptableSize(cinfo.output_width, cinfo.output_height)) return false;

  Raster& raster = job.raster;
  raster.width = static_cast<int>(cinfo.output_width);
  raster.height = static_cast<int>(cinfo.output_height);

  jpeg_start_decompress(&cinfo);
  // The raster grows as rows arrive: a short file claiming a large picture
  // runs out of data, and is refused, long before the picture is allocated.
  const std::size_t pixels = static_cast<std::size_t>(raster.width) * raster.height;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[maxRowsPerCall];
    const JDIMENSION count = std::min(maxRowsPerCall, cinfo.output_height - cinfo.output_scanline);
    const std::size_t filled = std::size_t{cinfo.output_scanline + count} * cinfo.output_width;
    if (filled > raster.argb.capacity())
      raster.argb.reserve(std::min(pixels, std::max(filled, 2 * raster.argb.capacity())));
    raster.argb.resize(filled);
    for (JDIMENSION i = 0; i < count; ++i) {
      const std::size_t y = cinfo.output_scanline + i;
      rows[i] = reinterpret_cast<JSAMPROW>(raster.argb.data() + y * cinfo.output_width);
    }
    jpeg_read_scanlines(&cinfo, rows, count);
    if (scanDataEndedEarly(cinfo)) return false;
  }
  // Reads up to the end-of-image marker, so a file cut after its pixel data
  // still counts as truncated.
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool decodeGuarded(Job& job) {
  if (setjmp(job.session.jump)) return false;
  return decode(job);
}

struct DecompressorCleanup {
  jpeg_decompress_struct& cinfo;
  ~DecompressorCleanup() { jpeg_destroy_decompress(&cinfo); }
};

}  // namespace

std::optional<Raster> readJpeg(ByteView bytes, int minSide) {
  Session session;
  jpeg_decompress_struct cinfo{};
  cinfo.err = jpeg_std_error(&session.errors);
  session.errors.error_exit = abandon;
  session.errors.emit_message = emitMessage;
  session.errors.output_message = discardMessage;
  session.progress.progress_monitor = limitScans;
  cinfo.client_data = &session;
  DecompressorCleanup cleanup{cinfo};

  Raster raster;
  Job job{cinfo, session, bytes, minSide, raster};
  if (!decodeGuarded(job)) return std::nullopt;
  return raster;
}

}  // namespace readers
