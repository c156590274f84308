#pragma once
// The edit window: the converted icon as an enlarged grid of cells to
// repaint or make transparent, with actual-size previews. Members carry the
// control names.
//
// Constructing it builds the controls and runs the creation handler, which
// reads the colour grids and pixel blocks of the state: MainWindow::edit()
// builds the grids first and then runs the window with exec(). The working
// icons are rebuilt from the pixel blocks at every opening; only "确定"
// writes them into the output icon.

#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/state.h"
#include "toolkit/canvas_widget.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"

namespace ui {

class MainWindow;

class EditWindow : public QDialog {
  Q_OBJECT

 public:
  EditWindow(app::State& state, MainWindow& mainWindow, toolkit::Dialogs& dialogs);

  toolkit::CanvasWidget* 画板1;
  toolkit::ShapeBox* 外形框1;
  toolkit::CanvasWidget* 画板2;
  toolkit::ColourLabel* 标签1;
  toolkit::ShapeBox* 外形框2;
  toolkit::CanvasWidget* 画板3;
  toolkit::ColourLabel* 标签2;
  QGroupBox* 分组框1;
  QRadioButton* 单选框1;
  QRadioButton* 单选框2;
  toolkit::ColourPicker* 颜色选择器1;
  QPushButton* 按钮1;
  QPushButton* 按钮2;

 private:
  // Edit size 1 is the 16x16 image in cells of 16 pixels, 2 the 32x32
  // image in cells of 8.
  struct Grid {
    icon::Size size;
    int cellSide;
  };
  static Grid gridOf(int editSize);

  void buildLayout();
  void created();
  void drawGrid(int editSize);
  void drawCell(const Grid& grid, int column, int row);
  // The label of that size blue on white, the other as it was at opening.
  void highlightLabelOf(int editSize);
  void selectSize(int editSize);
  void paletteClicked();

  // Qt grabs the mouse for the canvas pressed, so its release comes back
  // here wherever it happens; the window's background needs no handler.
  void pressedOnGrid(QPoint position, Qt::MouseButton button);
  void movedOnGrid(QPoint position, Qt::MouseButtons buttons);
  void releasedOnGrid(Qt::MouseButton button);
  void paintCellAt(QPoint position);

  void commit();
  void cancel();

  toolkit::CanvasWidget* previewOf(icon::Size size);
  icon::Bytes& workingIconOf(icon::Size size);
  icon::ColourGrid& colourGridOf(icon::Size size);

  app::State& state_;
  MainWindow& mainWindow_;
  toolkit::Dialogs& dialogs_;
};

}  // namespace ui
