#include "toolkit/readers/reduce.h"

#include <algorithm>
#include <cmath>

namespace readers {
namespace {

// A pixel's channel values as they are summed: r, g, b for an opaque
// picture; a, r·a, g·a, b·a otherwise.
struct Values {
  std::uint32_t v[4];
};

inline Values valuesOf(std::uint32_t argb, int channels) {
  const std::uint32_t r = (argb >> 16) & 0xFF;
  const std::uint32_t g = (argb >> 8) & 0xFF;
  const std::uint32_t b = argb & 0xFF;
  if (channels == 3) return {{r, g, b, 0}};
  const std::uint32_t a = argb >> 24;
  return {{a, r * a, g * a, b * a}};
}

// Length of [a0, a1) ∩ [b0, b1), or 0.
inline std::int64_t overlap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
  return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

}  // namespace

ReducedSize reducedSize(int width, int height, int minSide) {
  // Up to a million pixels (4 MiB) a picture is kept whole: reducing it
  // would save little, and a small picture's sides leave few multiples of 32
  // to keep its aspect ratio with.
  constexpr std::int64_t keptPixels = 1 << 20;
  constexpr int unit = 32;
  const int shorter = std::min(width, height);
  const int longer = std::max(width, height);
  const std::int64_t pixels = std::int64_t{width} * height;
  const ReducedSize whole{width, height};
  if (minSide <= 0 || shorter <= minSide || pixels <= keptPixels) return whole;
  // While decoding, a reduced pixel costs up to 32 bytes of sums and 4 of
  // result, a full-size one 4: a reduction must cost at most half of what
  // the full-size picture would.
  const std::int64_t mostReducedPixels = pixels * 4 / 2 / 36;
  // The shorter side in units of 32: from the fewest that reach minSide up to
  // 16 more, as the cost allows, the fewest that keep the aspect ratio within
  // 0.2 % (for the previews), else the closest.
  const int fewest = (minSide + unit - 1) / unit;
  const int most = std::min(fewest + 16, shorter / unit);
  const double ratio = static_cast<double>(longer) / shorter;
  ReducedSize best = whole;
  double bestError = 0;
  for (int m = fewest; m <= most; ++m) {
    const int k = std::clamp(static_cast<int>(std::lround(ratio * m)), m, longer / unit);
    if (std::int64_t{m} * k * unit * unit > mostReducedPixels) break;
    const double error = std::abs(static_cast<double>(k) / m / ratio - 1);
    if (best.width == width || error < bestError) {
      best = width <= height ? ReducedSize{m * unit, k * unit} : ReducedSize{k * unit, m * unit};
      bestError = error;
    }
    if (bestError <= 0.002) break;
  }
  return best;
}

std::optional<RasterBuilder> RasterBuilder::create(int width, int height, PixelKind kind, int minSide) {
  if (!acceptableSize(width, height)) return std::nullopt;
  return RasterBuilder(width, height, kind, reducedSize(width, height, minSide));
}

std::optional<RasterBuilder> RasterBuilder::create(int width, int height, PixelKind kind, ReducedSize size) {
  if (!acceptableSize(width, height) || size.width < 1 || size.width > width || size.height < 1 ||
      size.height > height)
    return std::nullopt;
  return RasterBuilder(width, height, kind, size);
}

RasterBuilder::RasterBuilder(int width, int height, PixelKind kind, ReducedSize out)
    : width_(width), height_(height), kind_(kind), out_(out), channels_(kind == PixelKind::Opaque ? 3 : 4) {
  if (!reduces()) {
    full_.width = width;
    full_.height = height;
    full_.kind = kind;
    full_.argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return;
  }
  columns_ = shares(width, out_.width);
  rows_ = shares(height, out_.height);
  sums_.resize(static_cast<std::size_t>(out_.width) * static_cast<std::size_t>(out_.height) *
               static_cast<std::size_t>(channels_));
  rowSums_.resize(static_cast<std::size_t>(out_.width) * static_cast<std::size_t>(channels_));
}

// Source index s covers [s·reduced, (s+1)·reduced) and reduced index i covers
// [i·source, (i+1)·source), both in units of 1/(source·reduced) of the side:
// every weight is an integer, a source pixel's weights add up to `reduced`
// and a reduced pixel's to `source`. As reduced <= source, a source pixel
// reaches at most two reduced ones.
std::vector<RasterBuilder::Share> RasterBuilder::shares(int source, int reduced) {
  std::vector<Share> result(static_cast<std::size_t>(source));
  for (std::int64_t s = 0; s < source; ++s) {
    const std::int64_t start = s * reduced;
    const std::int64_t first = start / source;
    const std::int64_t weight = std::min(start + reduced, (first + 1) * source) - start;
    result[static_cast<std::size_t>(s)] = {static_cast<std::int32_t>(first), static_cast<std::int32_t>(weight)};
  }
  return result;
}

void RasterBuilder::put(int y, const std::uint32_t* pixels, int count, int firstX, int stepX) {
  if (count <= 0 || y < 0 || y >= height_ || firstX < 0 || firstX >= width_ || stepX < 1 ||
      std::int64_t{count - 1} * stepX >= width_ - firstX)
    return;
  if (!reduces()) {
    std::uint32_t* row = full_.argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    if (stepX == 1) {
      std::copy_n(pixels, count, row + firstX);
    } else {
      for (int i = 0; i < count; ++i) row[firstX + i * stepX] = pixels[i];
    }
    return;
  }

  const int channels = channels_;
  const std::uint32_t whole = static_cast<std::uint32_t>(out_.width);
  std::uint32_t* sums = rowSums_.data();
  const Share* column = columns_.data() + firstX;
  for (int i = 0; i < count; ++i, column += stepX) {
    const Values v = valuesOf(pixels[i], channels);
    const auto weight = static_cast<std::uint32_t>(column->weight);
    std::uint32_t* at = sums + static_cast<std::ptrdiff_t>(column->first) * channels;
    for (int c = 0; c < channels; ++c) at[c] += weight * v.v[c];
    if (weight != whole) {
      at += channels;
      for (int c = 0; c < channels; ++c) at[c] += (whole - weight) * v.v[c];
    }
  }
  rowFirst_ = columns_[static_cast<std::size_t>(firstX)].first;
  rowLast_ = std::min(out_.width - 1, columns_[static_cast<std::size_t>(firstX + (count - 1) * stepX)].first + 1);
  addRow(y);
}

// Moves the row sums into the reduced rows that source row y reaches.
void RasterBuilder::addRow(int y) {
  const Share row = rows_[static_cast<std::size_t>(y)];
  const auto whole = static_cast<std::uint64_t>(out_.height);
  const auto weight = static_cast<std::uint64_t>(row.weight);
  const std::size_t stride = static_cast<std::size_t>(out_.width) * static_cast<std::size_t>(channels_);
  const std::size_t from = static_cast<std::size_t>(rowFirst_) * static_cast<std::size_t>(channels_);
  const std::size_t to = static_cast<std::size_t>(rowLast_ + 1) * static_cast<std::size_t>(channels_);
  std::uint64_t* first = sums_.data() + static_cast<std::size_t>(row.first) * stride;
  for (std::size_t k = from; k < to; ++k) first[k] += weight * rowSums_[k];
  if (weight != whole) {
    std::uint64_t* next = first + stride;
    for (std::size_t k = from; k < to; ++k) next[k] += (whole - weight) * rowSums_[k];
  }
  std::fill(rowSums_.begin() + static_cast<std::ptrdiff_t>(from), rowSums_.begin() + static_cast<std::ptrdiff_t>(to),
            0u);
}

void RasterBuilder::fill(int x, int y, int width, int height, std::uint32_t argb) {
  const int x0 = std::max(x, 0);
  const int y0 = std::max(y, 0);
  const int x1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + width, width_));
  const int y1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + height, height_));
  if (x0 >= x1 || y0 >= y1) return;
  if (!reduces()) {
    for (int row = y0; row < y1; ++row) {
      std::uint32_t* at = full_.argb.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width_);
      std::fill(at + x0, at + x1, argb);
    }
    return;
  }
  // The rectangle covers [x0·outW, x1·outW) across; reduced column i covers
  // [i·W, (i+1)·W). Likewise down.
  const Values v = valuesOf(argb, channels_);
  const int firstColumn = columns_[static_cast<std::size_t>(x0)].first;
  const int lastColumn = std::min(out_.width - 1, columns_[static_cast<std::size_t>(x1 - 1)].first + 1);
  const int firstRow = rows_[static_cast<std::size_t>(y0)].first;
  const int lastRow = std::min(out_.height - 1, rows_[static_cast<std::size_t>(y1 - 1)].first + 1);
  for (int j = firstRow; j <= lastRow; ++j) {
    const std::int64_t down = overlap(std::int64_t{y0} * out_.height, std::int64_t{y1} * out_.height,
                                      std::int64_t{j} * height_, std::int64_t{j + 1} * height_);
    for (int i = firstColumn; i <= lastColumn; ++i) {
      const std::int64_t across = overlap(std::int64_t{x0} * out_.width, std::int64_t{x1} * out_.width,
                                          std::int64_t{i} * width_, std::int64_t{i + 1} * width_);
      const auto weight = static_cast<std::uint64_t>(down * across);
      std::uint64_t* at = sums_.data() + (static_cast<std::size_t>(j) * static_cast<std::size_t>(out_.width) +
                                          static_cast<std::size_t>(i)) *
                                             static_cast<std::size_t>(channels_);
      for (int c = 0; c < channels_; ++c) at[c] += weight * v.v[c];
    }
  }
}

Raster RasterBuilder::finish() && {
  if (!reduces()) return std::move(full_);
  Raster r;
  r.width = out_.width;
  r.height = out_.height;
  r.kind = kind_ == PixelKind::Opaque ? PixelKind::Opaque : PixelKind::Alpha;
  r.argb.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height));
  // Every reduced pixel's weights add up to W·H.
  const std::uint64_t total = std::uint64_t(width_) * std::uint64_t(height_);
  const std::uint64_t* at = sums_.data();
  for (std::uint32_t& pixel : r.argb) {
    if (channels_ == 3) {
      const auto level = [&](int c) { return static_cast<std::uint32_t>((at[c] + total / 2) / total); };
      pixel = 0xFF000000u | level(0) << 16 | level(1) << 8 | level(2);
    } else {
      // at[0] sums weight·alpha; the colours divide by it to undo the
      // premultiplication.
      const std::uint64_t alphaSum = at[0];
      const auto alpha = static_cast<std::uint32_t>((alphaSum + total / 2) / total);
      if (alpha == 0) {
        pixel = 0;
      } else {
        const auto level = [&](int c) {
          return static_cast<std::uint32_t>(std::min<std::uint64_t>(255, (at[c] + alphaSum / 2) / alphaSum));
        };
        pixel = alpha << 24 | level(1) << 16 | level(2) << 8 | level(3);
      }
    }
    at += channels_;
  }
  return r;
}

}  // namespace readers
