// The whole job of the main window for one picture file, without the window,
// so it can be timed against other whole processes: read the file, decode
// it, show it in the 84x84 preview, convert it onto the icon canvases,
// build the icon and write it. The same library calls as "选择图片",
// "转　　换" and "保存图标", in the same order; in the two-image format the
// one file is chosen for both previews. Prints the milliseconds from the file
// chosen to the first preview shown, and those of "转　　换".

#include <chrono>
#include <cstdio>
#include <cstring>

#include "icon/operations.h"
#include "toolkit/canvas.h"
#include "toolkit/files.h"
#include "toolkit/picture.h"

namespace {

using icon::Size;

constexpr QSize previewArea(84, 84);

struct Job {
  icon::Layout layout;
  bool makes16;
  bool makes32;
};

std::optional<Job> jobFor(const char* format) {
  if (std::strcmp(format, "16") == 0) return Job{icon::Layout::single16, true, false};
  if (std::strcmp(format, "32") == 0) return Job{icon::Layout::single32, false, true};
  if (std::strcmp(format, "both") == 0) return Job{icon::Layout::both, true, true};
  return std::nullopt;
}

// The main window's canvases are all made alike.
toolkit::Canvas mainWindowCanvas(QSize area, bool keepsDrawing) {
  toolkit::Canvas canvas(area, keepsDrawing);
  canvas.setPictureMode(toolkit::PictureMode::centredFit);
  canvas.setPen(toolkit::PenStyle::solid, 0);
  canvas.setBrush(toolkit::BrushStyle::solid, 0x00FFFFFF);
  return canvas;
}

// `other` is the other preview, as the main window passes it.
bool loadPreview(toolkit::Canvas& preview, const QString& path, const toolkit::Canvas& other) {
  auto picture = toolkit::readPictureFile(path, other.backgroundPictureWithDecoded());
  if (!picture) return false;
  preview.setDecodedBackgroundPicture(std::move(*picture));
  return true;
}

std::optional<icon::Bytes> reduceOnto(const toolkit::Canvas& preview, toolkit::Canvas& iconCanvas, Size size) {
  if (const auto& picture = preview.decodedPicture())
    iconCanvas.drawPicture(*picture, 0, 0, icon::side(size), icon::side(size));
  return icon::pixelBlockFromCapture(iconCanvas.capture(), size);
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const auto job = argc == 4 ? jobFor(argv[2]) : std::nullopt;
  if (!job) {
    std::fprintf(stderr, "usage: %s <picture> 16|32|both <output.ico>\n", argv[0]);
    return 2;
  }
  const QString picturePath = QString::fromLocal8Bit(argv[1]);

  toolkit::Canvas preview1 = mainWindowCanvas(previewArea, false);
  toolkit::Canvas preview2 = mainWindowCanvas(previewArea, false);
  const auto chosen = std::chrono::steady_clock::now();
  const bool loaded = loadPreview(preview1, picturePath, preview2);
  const double previewShown = millisecondsSince(chosen);
  if (!loaded || (job->layout == icon::Layout::both && !loadPreview(preview2, picturePath, preview1))) {
    std::fprintf(stderr, "%s: not a picture this program reads\n", argv[1]);
    return 1;
  }
  const toolkit::Canvas& source32 = job->layout == icon::Layout::both ? preview2 : preview1;

  // "转　　换": from the decoded previews to the spliced icon.
  const auto converting = std::chrono::steady_clock::now();
  icon::Bytes output = icon::blankIcon(job->layout);
  const auto& images = icon::fileLayout(job->layout).images;
  toolkit::Canvas icon16 = mainWindowCanvas(QSize(16, 16), true);
  toolkit::Canvas icon32 = mainWindowCanvas(QSize(32, 32), true);
  bool spliced = true;
  if (job->makes16) {
    const auto block = reduceOnto(preview1, icon16, Size::x16);
    spliced = block && icon::splice(output, images[0].colourBitmap, *block);
  }
  if (spliced && job->makes32) {
    const auto block = reduceOnto(source32, icon32, Size::x32);
    spliced = block && icon::splice(output, images[job->makes16 ? 1 : 0].colourBitmap, *block);
  }
  const double converted = millisecondsSince(converting);
  if (!spliced || !toolkit::writeWholeFile(QString::fromLocal8Bit(argv[3]), output)) {
    std::fprintf(stderr, "%s: cannot write the icon\n", argv[3]);
    return 1;
  }
  std::printf("preview_ms %.3f\nconvert_ms %.3f\n", previewShown, converted);
  return 0;
}
