// Micro-benchmarks of the library calls behind the two windows: decoding,
// the reductions of the main window, and the edit window's grid.
//
// Usage: quorvel_micro [benchmark flags] <inputs folder>, the folder that
// make_inputs and the runner filled.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "icon/operations.h"
#include "toolkit/canvas.h"
#include "toolkit/files.h"
#include "toolkit/picture.h"
#include "toolkit/readers/readers.h"

namespace {

using icon::Size;

// What toolkit::decodePicture asks the readers for.
constexpr int decodeMinSide = 2 * toolkit::largestDrawnSide;

std::string inputsFolder;

icon::Bytes input(const std::string& name) {
  std::ifstream in(inputsFolder + "/" + name, std::ios::binary);
  return icon::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const icon::Bytes& photoJpeg() {
  static const icon::Bytes bytes = input("photo.jpg");
  return bytes;
}

void decode(benchmark::State& state, const std::string& name, int minSide) {
  const icon::Bytes bytes = input(name);
  for (auto _ : state) {
    auto raster = readers::readPicture(bytes, minSide);
    if (!raster) {
      state.SkipWithError(("cannot decode " + name).c_str());
      return;
    }
    benchmark::DoNotOptimize(raster->argb.data());
  }
}

// What "选择图片" costs before any decoding: the 72 MB bitmap into memory.
void BM_ReadWholeFile(benchmark::State& state) {
  const QString path = QString::fromStdString(inputsFolder + "/photo.bmp");
  for (auto _ : state) {
    const icon::Bytes bytes = toolkit::readWholeFile(path, toolkit::largestPictureFile);
    if (bytes.empty()) {
      state.SkipWithError("cannot read photo.bmp");
      return;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
}

// The decoded JPEG is 750x500 (read at 1/8 scale), the BMP full size.
void drawScaled(benchmark::State& state, const std::string& name, int side) {
  const auto picture = toolkit::decodePicture(input(name));
  toolkit::Canvas canvas(QSize(side, side), true);
  for (auto _ : state) {
    canvas.drawPicture(*picture, 0, 0, side, side);
    benchmark::DoNotOptimize(canvas.image().constBits());
  }
}

void BM_CaptureAndSplice(benchmark::State& state) {
  const Size size = static_cast<Size>(state.range(0));
  toolkit::Canvas canvas(QSize(icon::side(size), icon::side(size)), true);
  icon::Bytes output = icon::blankIcon(icon::Layout::both);
  const std::size_t offset = icon::fileLayout(icon::Layout::both).images[size == Size::x16 ? 0 : 1].colourBitmap;
  for (auto _ : state) {
    const auto block = icon::pixelBlockFromCapture(canvas.capture(), size);
    if (!block || !icon::splice(output, offset, *block)) {
      state.SkipWithError("capture does not splice");
      return;
    }
  }
}
BENCHMARK(BM_CaptureAndSplice)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// A preview canvas renders its background again from its decoded picture
// whenever its picture, colour or mode changes: the reduction to 84x84.
void BM_PreviewRebuild(benchmark::State& state) {
  toolkit::Canvas preview(QSize(84, 84), false);
  preview.setBackgroundPicture(photoJpeg());
  for (auto _ : state) {
    preview.setPictureMode(toolkit::PictureMode::centredFit);
    benchmark::DoNotOptimize(preview.image().constBits());
  }
}
BENCHMARK(BM_PreviewRebuild)->Unit(benchmark::kMillisecond);

// The edit window's grid 画板1: 258x258 with a sunken edge, cells of 8
// pixels for the 32x32 image, each cell one rectangle one pixel larger so
// neighbouring outlines share a line.
constexpr int gridCell = 8;
constexpr int gridSide = 32;

toolkit::Canvas editGrid() {
  toolkit::Canvas grid(QSize(256, 256), true);
  grid.setBackgroundColour(icon::rgb(80, 84, 167));
  grid.setPen(toolkit::PenStyle::dotted, icon::rgb(128, 160, 128));
  grid.setBrush(toolkit::BrushStyle::solid, icon::rgb(255, 255, 255));
  return grid;
}

void drawCell(toolkit::Canvas& grid, int column, int row) {
  grid.drawRectangle(gridCell * column, gridCell * row, gridCell * column + gridCell + 1, gridCell * row + gridCell + 1);
}

icon::ColourGrid patternGrid() {
  icon::ColourGrid colours(Size::x32);
  for (int row = 0; row < gridSide; ++row)
    for (int column = 0; column < gridSide; ++column)
      colours.set(row, column, icon::rgb(static_cast<std::uint8_t>(row * 8), static_cast<std::uint8_t>(column * 8), 90));
  return colours;
}

void BM_GridRedraw32(benchmark::State& state) {
  toolkit::Canvas grid = editGrid();
  const icon::ColourGrid colours = patternGrid();
  for (auto _ : state) {
    for (int row = 0; row < gridSide; ++row)
      for (int column = 0; column < gridSide; ++column) {
        grid.setBrushColour(colours.at(gridSide - 1 - row, column));
        drawCell(grid, column, row);
      }
    benchmark::DoNotOptimize(grid.image().constBits());
  }
}
BENCHMARK(BM_GridRedraw32)->Unit(benchmark::kMicrosecond);

// One cell end to end, as a drag paints it: the grid cell, the colour grid,
// the actual-size preview pixel and the working icon.
void BM_PaintOneCell32(benchmark::State& state) {
  toolkit::Canvas grid = editGrid();
  toolkit::Canvas preview(QSize(32, 32), true);
  icon::ColourGrid colours = patternGrid();
  icon::Bytes workingIcon = icon::workingIcon(Size::x32, icon::Bytes(icon::colourBitmapLength(Size::x32), 0)).value();
  const icon::Colour colour = icon::rgb(200, 30, 60);
  grid.setBrushColour(colour);
  int cell = 0;
  for (auto _ : state) {
    const int column = cell % gridSide;
    const int row = cell / gridSide;
    cell = (cell + 1) % (gridSide * gridSide);
    drawCell(grid, column, row);
    colours.set(gridSide - 1 - row, column, colour);
    preview.setPixel(column, row, colour);
    if (!icon::paintPixel(workingIcon, Size::x32, column + 1, row + 1, colour)) {
      state.SkipWithError("working icon refused the cell");
      return;
    }
  }
}
BENCHMARK(BM_PaintOneCell32)->Unit(benchmark::kMicrosecond);

void registerDrawsScaled() {
  for (const char* name : {"photo.jpg", "photo.bmp"})
    for (const int side : {16, 32})
      benchmark::RegisterBenchmark(("BM_DrawPictureScaled/" + std::string(name) + "/" + std::to_string(side)).c_str(),
                                   drawScaled, name, side)
          ->Unit(benchmark::kMicrosecond);
}

void registerDecodes() {
  for (const char* name : {"small.bmp", "small.jpg", "small.gif", "small.png", "small.tif", "small.pcx", "small.ico"})
    benchmark::RegisterBenchmark((std::string("BM_Decode/") + name).c_str(), decode, name, decodeMinSide)
        ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_Decode/photo.jpg", decode, "photo.jpg", decodeMinSide)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_Decode/photo.jpg_full_size", decode, "photo.jpg", 0)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_Decode/photo.bmp", decode, "photo.bmp", decodeMinSide)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  // Gives Canvas the palette colour the program uses, without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [benchmark flags] <inputs folder>\n", argv[0]);
    return 2;
  }
  inputsFolder = argv[1];
  benchmark::RegisterBenchmark("BM_ReadWholeFile/photo.bmp", BM_ReadWholeFile)->Unit(benchmark::kMillisecond);
  registerDrawsScaled();
  registerDecodes();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
