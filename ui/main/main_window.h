#pragma once
// The main window: format choice, picture choice and preview, conversion,
// editing, saving, clearing and quitting. Members carry the control names.

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/state.h"
#include "toolkit/canvas_widget.h"
#include "toolkit/dialogs.h"
#include "toolkit/picture.h"
#include "ui/icon_format.h"

namespace ui {

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // exitProgram ends the program with the given code; "退　　出" calls it.
  MainWindow(app::State& state, toolkit::Dialogs& dialogs, std::function<void(int)> exitProgram);

  // The first checked format radio button, read afresh on every call.
  IconFormat currentFormat() const;

  // Places the window centred and shows it.
  void open();

  // Handlers of the six buttons.
  void choosePicture();
  void convert();
  void edit();
  void save();
  void clear();
  void exit();
  // Ctrl+V: a picture from the clipboard, taken as if chosen by "选择图片".
  void paste();

  QPushButton* 选择图片;
  QPushButton* 转换;
  QPushButton* 编辑;
  QPushButton* 保存;
  QPushButton* 清除;
  QPushButton* 退出;
  QGroupBox* 分组框2;
  toolkit::CanvasWidget* 位图画板1;
  toolkit::CanvasWidget* 位图画板2;
  QGroupBox* 分组框3;
  toolkit::CanvasWidget* 图标画板1;
  QLabel* 标签1;
  toolkit::CanvasWidget* 图标画板2;
  QLabel* 标签2;
  QGroupBox* 分组框1;
  QRadioButton* 单选框1;
  QRadioButton* 单选框2;
  QRadioButton* 单选框3;
  toolkit::FileDialog 通用对话框1;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A local file dropped on the window is taken as if chosen by "选择图片".
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildLayout();
  // Runs before the window is first shown.
  void created();
  void warn(const QString& text);
  // False, after saying so, when no format radio button is checked.
  bool requireFormat();
  // Runs the open dialog and takes the chosen file into a preview.
  void loadPreview(toolkit::CanvasWidget* preview);
  // The one way a picture reaches a preview, whether chosen, dropped or
  // pasted: what is no picture is refused and the earlier picture stays.
  void takePicture(std::optional<toolkit::PictureBytes> picture, toolkit::CanvasWidget* preview);
  void takePictureBytes(icon::Bytes bytes, toolkit::CanvasWidget* preview);
  void takePictureFile(const QString& path, toolkit::CanvasWidget* preview);
  // The other preview's picture: one file chosen for both sizes is decoded once.
  const toolkit::PictureBytes& otherPreview(const toolkit::CanvasWidget* preview) const;
  // 位图画板2 when the point lies on it in the two-image format, else 位图画板1.
  toolkit::CanvasWidget* previewAt(QPoint globalPosition) const;
  // What "保存图标" and "清    除" both empty.
  void reset();
  void reduceOnto(const toolkit::CanvasWidget* preview, toolkit::CanvasWidget* iconCanvas, icon::Size size);

  app::State& state_;
  toolkit::Dialogs& dialogs_;
  std::function<void(int)> exitProgram_;
};

}  // namespace ui
