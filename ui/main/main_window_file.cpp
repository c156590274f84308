// "选择图片", "保存图标" and "清    除", and the step that takes a picture
// into a preview, which drag and drop and paste share.

#include "toolkit/files.h"
#include "toolkit/picture.h"
#include "ui/main/main_window.h"

namespace ui {

void MainWindow::takePicture(std::optional<toolkit::PictureBytes> picture, toolkit::CanvasWidget* preview) {
  // Refused before it reaches the preview: the earlier picture stays.
  if (!picture) {
    warn(QStringLiteral("无法识别的图像文件！"));
    return;
  }
  preview->canvas().setDecodedBackgroundPicture(std::move(*picture));
}

const toolkit::PictureBytes& MainWindow::otherPreview(const toolkit::CanvasWidget* preview) const {
  return (preview == 位图画板1 ? 位图画板2 : 位图画板1)->canvas().backgroundPictureWithDecoded();
}

void MainWindow::takePictureBytes(icon::Bytes bytes, toolkit::CanvasWidget* preview) {
  takePicture(toolkit::decodePictureBytes(std::move(bytes), otherPreview(preview)), preview);
}

void MainWindow::takePictureFile(const QString& path, toolkit::CanvasWidget* preview) {
  takePicture(toolkit::readPictureFile(path, otherPreview(preview)), preview);
}

void MainWindow::loadPreview(toolkit::CanvasWidget* preview) {
  if (const auto path = 通用对话框1.run(dialogs_)) takePictureFile(*path, preview);
}

void MainWindow::choosePicture() {
  通用对话框1.request.filter =
      QStringLiteral("图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png|所有文件(*.*)|*.*");
  通用对话框1.request.kind = toolkit::FileDialogKind::open;
  通用对话框1.request.defaultExtension.clear();

  if (!requireFormat()) return;
  if (currentFormat() == IconFormat::both) {
    dialogs_.messageBox(QStringLiteral("即将打开欲转换为16x16格式的图像文件。"), toolkit::MessageKind::informationOk,
                        QStringLiteral("打开文件"));
    loadPreview(位图画板1);
    dialogs_.messageBox(QStringLiteral("即将打开欲转换为32x32格式的图像文件。"), toolkit::MessageKind::informationOk,
                        QStringLiteral("打开文件"));
    loadPreview(位图画板2);
  } else {
    loadPreview(位图画板1);
  }
}

void MainWindow::reset() {
  位图画板1->canvas().setBackgroundPicture({});
  位图画板2->canvas().setBackgroundPicture({});
  图标画板1->canvas().clear();
  图标画板2->canvas().clear();
  state_.outputIcon = icon::Bytes();
  state_.pixelBlock16 = icon::Bytes();
  state_.pixelBlock32 = icon::Bytes();
  标签1->hide();
  标签2->hide();
}

void MainWindow::save() {
  if (state_.outputIcon.empty()) {
    warn(QStringLiteral("输出图标为空，不能被保存！"));
    return;
  }
  通用对话框1.request.kind = toolkit::FileDialogKind::save;
  通用对话框1.request.filter = QStringLiteral("图标文件|*.ico");
  通用对话框1.request.fileName.clear();
  通用对话框1.request.defaultExtension = QStringLiteral("ico");

  // Until the icon is safely on disk nothing of the user's work is dropped:
  // a cancelled dialog, an empty name or a failed write leave everything.
  const auto path = 通用对话框1.run(dialogs_);
  if (!path) return;
  if (path->isEmpty()) {
    warn(QStringLiteral("文件名称不能为空！"));
    return;
  }
  if (!toolkit::writeWholeFile(*path, state_.outputIcon)) {
    warn(QStringLiteral("图标文件保存失败！"));
    return;
  }
  // Pictures the edit window put on the icon canvases stay after a save.
  reset();
}

void MainWindow::clear() {
  图标画板1->canvas().setBackgroundPicture({});
  图标画板2->canvas().setBackgroundPicture({});
  reset();
}

}  // namespace ui
