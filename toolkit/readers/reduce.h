#pragma once
// Collects a picture's pixels as a reader decodes them, and reduces a picture
// larger than its caller needs while they arrive, so that the full-size
// raster of a large picture never exists.
//
// Reduction is an exact area average: each reduced pixel is the mean of the
// source area it covers, partly covered source pixels weighted by the part
// they lend it (integer weights, no rounding before the end). Pictures with
// alpha are averaged premultiplied, so a transparent pixel lends no colour.

#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/readers/raster.h"

namespace readers {

// The size a width x height picture is kept at when its sides need only be
// minSide. Unchanged when minSide <= 0, when the shorter side is not above
// minSide, or when keeping the picture whole costs little or no more than
// reducing it would. Otherwise both sides become multiples of 32, the shorter one at
// least minSide, with the aspect ratio kept as closely as such sides allow:
// the icons are 16 and 32 pixels, so each icon pixel then covers whole
// reduced pixels, and drawing the reduced picture at icon size averages the
// same source pixels, with the same weights, as drawing the full-size one.
// (With other sides a reduced pixel that straddles two icon pixels smears a
// sharp edge across both, by up to a sixth of its contrast.)
struct ReducedSize {
  int width = 0;
  int height = 0;
};
ReducedSize reducedSize(int width, int height, int minSide);

class RasterBuilder {
 public:
  // Nothing when acceptableSize(width, height) refuses the size. `kind` is
  // what the reader promises of the pixels it puts; a reduced picture that is
  // not opaque comes out as PixelKind::Alpha, since averaging a mask makes
  // partial alpha.
  static std::optional<RasterBuilder> create(int width, int height, PixelKind kind, int minSide);
  // The same with the reduced size given; nothing when it is not within
  // 1..width x 1..height.
  static std::optional<RasterBuilder> create(int width, int height, PixelKind kind, ReducedSize size);

  // The source (full) size the pixels are addressed in.
  int width() const { return width_; }
  int height() const { return height_; }
  // True when the result is smaller than the source.
  bool reduces() const { return out_.width != width_ || out_.height != height_; }

  // Pixels 0xAARRGGBB of source row y, at x = firstX + i * stepX for
  // i < count (stepX > 1 for an interlaced pass, a partial row for a tile).
  // Rows and pixels may arrive in any order; each source pixel is put at
  // most once, and one never put counts as transparent black. A call that
  // reaches outside the picture is dropped whole.
  void put(int y, const std::uint32_t* pixels, int count, int firstX = 0, int stepX = 1);
  // Every pixel of a rectangle of source pixels is `argb`; the rectangle is
  // clipped to the picture.
  void fill(int x, int y, int width, int height, std::uint32_t argb);

  Raster finish() &&;

 private:
  RasterBuilder(int width, int height, PixelKind kind, ReducedSize out);

  // Where source column or row s lands: the first reduced index it covers
  // and the weight it gives that one; the rest of its weight (the reduced
  // size in all) goes to the next.
  struct Share {
    std::int32_t first = 0;
    std::int32_t weight = 0;
  };
  static std::vector<Share> shares(int source, int reduced);

  void addRow(int y);

  int width_ = 0;
  int height_ = 0;
  PixelKind kind_ = PixelKind::Opaque;
  ReducedSize out_;
  int channels_ = 3;  // 3 for opaque pictures (r, g, b), else 4 (a, ra, ga, ba)

  Raster full_;  // the pixels themselves, when nothing is reduced

  std::vector<Share> columns_;
  std::vector<Share> rows_;
  // Per reduced pixel and channel, the weighted sum of what has arrived.
  std::vector<std::uint64_t> sums_;
  // The horizontal sums of the row being put, over reduced columns
  // [rowFirst_, rowLast_]; kept zero elsewhere.
  std::vector<std::uint32_t> rowSums_;
  int rowFirst_ = 0;
  int rowLast_ = -1;
};

}  // namespace readers
