// "转　　换": each preview picture is drawn scaled onto the icon canvas of
// its size and the canvas captured; the captured pixels go into a fresh
// blank icon file.

#include "icon/operations.h"
#include "toolkit/picture.h"
#include "ui/icon_format.h"
#include "ui/main/main_window.h"

namespace ui {

using icon::Size;

void MainWindow::reduceOnto(const toolkit::CanvasWidget* preview, toolkit::CanvasWidget* iconCanvas, Size size) {
  toolkit::Canvas& target = iconCanvas->canvas();
  // The icon canvas is not cleared first: where the picture is transparent,
  // or missing, what the canvas showed before becomes part of the icon.
  if (const auto& picture = preview->canvas().decodedPicture())
    target.drawPicture(*picture, 0, 0, icon::side(size), icon::side(size));
  // A capture of a canvas this size always holds a block of this size.
  (size == Size::x16 ? state_.pixelBlock16 : state_.pixelBlock32) =
      icon::pixelBlockFromCapture(target.capture(), size).value_or(icon::Bytes());
}

void MainWindow::convert() {
  if (位图画板1->canvas().backgroundPicture().empty()) {
    warn(QStringLiteral("你还未载入图像文件！"));
    return;
  }
  图标画板1->hide();
  图标画板2->hide();
  标签1->hide();
  标签2->hide();

  const IconFormat format = currentFormat();
  const auto layout = layoutOfFormat(format);
  if (!layout) return;
  const bool makes16 = holdsImage(format, Size::x16);
  const bool makes32 = holdsImage(format, Size::x32);
  // In the two-image format the second preview gives the 32x32 image.
  const toolkit::CanvasWidget* source32 = format == IconFormat::both ? 位图画板2 : 位图画板1;

  icon::Bytes output = icon::blankIcon(*layout);
  const auto& images = icon::fileLayout(*layout).images;
  if (makes16) {
    reduceOnto(位图画板1, 图标画板1, Size::x16);
    if (!icon::splice(output, images[0].colourBitmap, state_.pixelBlock16)) return;
  }
  if (makes32) {
    reduceOnto(source32, 图标画板2, Size::x32);
    if (!icon::splice(output, images[makes16 ? 1 : 0].colourBitmap, state_.pixelBlock32)) return;
  }
  state_.outputIcon = std::move(output);
  if (makes16) {
    图标画板1->show();
    标签1->show();
  }
  if (makes32) {
    图标画板2->show();
    标签2->show();
  }
}

}  // namespace ui
