#pragma once
// The edit window: the converted icon as an enlarged grid of cells to
// repaint or make transparent, with actual-size previews. Members carry the
// control names.
//
// Constructing it builds the controls and runs the creation handler, which
// reads the colour grids and pixel blocks of the state: the opener builds the
// grids first, then calls run(). The working icons are rebuilt from the pixel
// blocks at every opening, and each opening starts with empty histories.

#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QUndoStack>
#include <optional>
#include <vector>

#include "app/state.h"
#include "toolkit/canvas_widget.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "ui/icon_format.h"

namespace ui {

// What "确定" keeps: the working icons of the sizes the format holds; the
// other stays empty.
struct EditedIcons {
  icon::Bytes icon16;
  icon::Bytes icon32;
};

class EditWindow : public QDialog {
  Q_OBJECT

 public:
  // The format is the opener's at opening; it cannot change while the
  // window runs modally.
  EditWindow(app::State& state, IconFormat format, toolkit::Dialogs& dialogs, QWidget* parent);

  // Runs the window modally. The working icons when "确定" closed it,
  // nothing when the edits were dropped.
  std::optional<EditedIcons> run();

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

  // What one stroke changed in the grid of one size: enough to take it back
  // and to do it again.
  struct Stroke {
    struct Cell {
      int column;
      int row;
      icon::Colour gridBefore, gridAfter;
      icon::Colour previewBefore, previewAfter;
    };
    struct Byte {
      std::size_t offset;
      std::uint8_t before, after;
    };
    int editSize;
    std::vector<Cell> cells;
    std::vector<Byte> iconBytes;
  };
  // A stroke being painted: its cells, and the working icon as it was.
  struct OpenStroke {
    Stroke stroke;
    icon::Bytes iconBefore;
  };
  class StrokeCommand;

  void buildLayout();
  void created();
  void drawGrid(int editSize);
  void drawCell(const Grid& grid, int column, int row);
  // The label of that size blue on white, the other as it was at opening.
  void highlightLabelOf(int editSize);
  void selectSize(int editSize);
  void paletteClicked();

  // Qt grabs the mouse for the canvas pressed, so its moves and release
  // come back here wherever they happen.
  void pressedOnGrid(QPoint position, Qt::MouseButton button);
  void movedOnGrid(QPoint position, Qt::MouseButtons buttons);
  void releasedOnGrid(Qt::MouseButton button);
  void paintCellAt(QPoint position);
  void pickColourAt(QPoint position);
  bool onGrid(QPoint position) const;

  // Painting flag false; a stroke that painted a cell becomes one step of
  // the history of its size.
  void endStroke();
  void undo();
  void redo();
  // Every place a stroke's cells live shows them as before or after it.
  void apply(const Stroke& stroke, bool after);
  QUndoStack& historyOf(int editSize);

  void cancel();

  toolkit::CanvasWidget* previewOf(icon::Size size);
  icon::Bytes& workingIconOf(icon::Size size);
  icon::ColourGrid& colourGridOf(icon::Size size);

  app::State& state_;
  const IconFormat format_;
  toolkit::Dialogs& dialogs_;
  std::optional<OpenStroke> stroke_;
  QUndoStack history16_;
  QUndoStack history32_;
};

}  // namespace ui
