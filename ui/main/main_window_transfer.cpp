// Pictures brought by drag and drop and by Ctrl+V. Both end in the same
// step as a picture chosen with "选择图片", with the same refusals.

#include <QClipboard>
#include <QCursor>
#include <QDropEvent>
#include <QGuiApplication>
#include <QTimer>

#include "toolkit/transfer.h"
#include "ui/main/main_window.h"

namespace ui {

toolkit::CanvasWidget* MainWindow::previewAt(QPoint globalPosition) const {
  const bool onSecond = 位图画板2->rect().contains(位图画板2->mapFromGlobal(globalPosition));
  return currentFormat() == IconFormat::both && onSecond ? 位图画板2 : 位图画板1;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  // Left ignored, the drag shows the no-drop cursor.
  if (toolkit::firstLocalFile(*event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const auto path = toolkit::firstLocalFile(*event->mimeData());
  if (!path) return;
  event->acceptProposedAction();
  toolkit::CanvasWidget* preview = previewAt(mapToGlobal(event->position().toPoint()));
  // After the drop has returned: a message box opened inside it would keep
  // the program the file came from waiting for the drop to finish.
  QTimer::singleShot(0, this, [this, path = *path, preview] {
    if (requireFormat()) takePictureFile(path, preview);
  });
}

void MainWindow::paste() {
  if (!requireFormat()) return;
  toolkit::CanvasWidget* preview = previewAt(QCursor::pos());
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data) {
    // A copied file is read as it is; image data goes in as PNG bytes.
    if (const auto path = toolkit::firstLocalFile(*data)) {
      takePictureFile(*path, preview);
      return;
    }
    if (icon::Bytes png = toolkit::imageDataAsPng(*data); !png.empty()) {
      takePictureBytes(std::move(png), preview);
      return;
    }
  }
  warn(QStringLiteral("剪贴板中没有图像！"));
}

}  // namespace ui
