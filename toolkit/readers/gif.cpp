// GIF reader over giflib, reading records only up to the first image: an
// animation's later frames are never decoded.
//
// The picture is the logical screen, filled with the background colour, with
// the first frame drawn over it, every pixel opaque (a transparent index is
// drawn in its colour: icons get their mask later, from the user). The
// screen is never allocated for itself: the frame's rows and the background
// around the frame go to a RasterBuilder, which reduces a large picture as it
// arrives.
//
// Decisions: a background index outside the global colours, or no global
// colours at all, gives black. The part of a frame outside the screen is
// clipped away (some encoders write frames larger than their screen), but
// every pixel index is checked, clipped or not, against the frame's colours.
// A file that ends right after the first frame's pixels has lost at least its
// trailer and is refused as truncated.

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <vector>

#include <gif_lib.h>

#include "toolkit/readers/readers.h"
#include "toolkit/readers/reduce.h"

namespace readers {
namespace {

struct MemoryInput {
  ByteView bytes;
  std::size_t position = 0;
};

int readInput(GifFileType* gif, GifByteType* buffer, int wanted) {
  auto* input = static_cast<MemoryInput*>(gif->UserData);
  const std::size_t count =
      std::min(static_cast<std::size_t>(std::max(wanted, 0)), input->bytes.size() - input->position);
  std::copy_n(input->bytes.data() + input->position, count, buffer);
  input->position += count;
  return static_cast<int>(count);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

constexpr std::uint32_t opaqueBlack = 0xFF000000;

// Leaves giflib at the first image descriptor, skipping extensions.
bool seekFirstImage(GifFileType* gif) {
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return false;
    if (record == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_OK;
    if (record != EXTENSION_RECORD_TYPE) return false;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
  }
}

struct Palette {
  std::array<std::uint32_t, 256> argb{};
  int count = 0;
};

std::uint32_t toArgb(const GifColorType& c) {
  return opaqueBlack | std::uint32_t{c.Red} << 16 | std::uint32_t{c.Green} << 8 | c.Blue;
}

Palette toPalette(const ColorMapObject& map) {
  Palette palette;
  palette.count = std::clamp(map.ColorCount, 0, 256);
  for (int i = 0; i < palette.count; ++i) palette.argb[i] = toArgb(map.Colors[i]);
  return palette;
}

std::uint32_t backgroundColour(const GifFileType& gif) {
  const ColorMapObject* global = gif.SColorMap;
  if (global == nullptr || gif.SBackGroundColor < 0 || gif.SBackGroundColor >= global->ColorCount) return opaqueBlack;
  return toArgb(global->Colors[gif.SBackGroundColor]);
}

struct Pass {
  int firstRow;
  int step;
};
constexpr std::array<Pass, 1> sequentialRows{{{0, 1}}};
constexpr std::array<Pass, 4> interlacedRows{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};

}  // namespace

std::optional<Raster> readGif(ByteView bytes, int minSide) {
  MemoryInput input{bytes};
  int openError = 0;
  const GifHandle gif{DGifOpen(&input, readInput, &openError)};
  if (!gif || !acceptableSize(gif->SWidth, gif->SHeight)) return std::nullopt;
  if (!seekFirstImage(gif.get())) return std::nullopt;

  const GifImageDesc& frame = gif->Image;
  if (!acceptableSize(frame.Width, frame.Height)) return std::nullopt;
  const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr) return std::nullopt;
  const Palette palette = toPalette(*map);

  const int screenWidth = gif->SWidth;
  const int screenHeight = gif->SHeight;
  auto screen = RasterBuilder::create(screenWidth, screenHeight, PixelKind::Opaque, minSide);
  if (!screen) return std::nullopt;

  // The part of the frame that lands on the screen, and the background
  // around it: above, below, left and right.
  const int visibleWidth = std::clamp(screenWidth - frame.Left, 0, frame.Width);
  const int visibleHeight = std::clamp(screenHeight - frame.Top, 0, frame.Height);
  const std::uint32_t background = backgroundColour(*gif);
  if (visibleWidth == 0 || visibleHeight == 0) {
    screen->fill(0, 0, screenWidth, screenHeight, background);
  } else {
    const int bottom = frame.Top + visibleHeight;
    const int right = frame.Left + visibleWidth;
    screen->fill(0, 0, screenWidth, frame.Top, background);
    screen->fill(0, bottom, screenWidth, screenHeight - bottom, background);
    screen->fill(0, frame.Top, frame.Left, visibleHeight, background);
    screen->fill(right, frame.Top, screenWidth - right, visibleHeight, background);
  }

  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  std::vector<std::uint32_t> row(static_cast<std::size_t>(visibleWidth));
  const std::span<const Pass> passes = frame.Interlace ? std::span<const Pass>(interlacedRows) : sequentialRows;
  for (const Pass pass : passes) {
    for (int y = pass.firstRow; y < frame.Height; y += pass.step) {
      if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return std::nullopt;
      if (std::ranges::any_of(line, [&](GifPixelType index) { return index >= palette.count; })) return std::nullopt;
      if (y >= visibleHeight || visibleWidth == 0) continue;
      std::transform(line.begin(), line.begin() + visibleWidth, row.begin(),
                     [&](GifPixelType index) { return palette.argb[index]; });
      screen->put(frame.Top + y, row.data(), visibleWidth, frame.Left);
    }
  }
  if (input.position == bytes.size()) return std::nullopt;
  return std::move(*screen).finish();
}

}  // namespace readers
