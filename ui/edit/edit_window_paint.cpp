// Painting cells: each painted cell changes the grid display, the colour
// grid, the preview and the working icon of the size being edited.

#include "icon/operations.h"
#include "ui/edit/edit_window.h"

namespace ui {

void EditWindow::pressedOnGrid(QPoint position, Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  state_.painting = true;
  toolkit::Canvas& grid = 画板1->canvas();
  if (单选框1->isChecked()) {
    grid.setBrushColour(state_.transparentColour);
    state_.previewColour = ~state_.savedLabelColour;
  } else {
    grid.setBrushColour(颜色选择器1->colour());
    state_.previewColour = 颜色选择器1->colour();
  }
  paintCellAt(position);
}

void EditWindow::movedOnGrid(QPoint position, Qt::MouseButtons buttons) {
  // A release we never saw ends painting too: plain movement never paints.
  if (!buttons.testFlag(Qt::LeftButton)) state_.painting = false;
  if (state_.painting) paintCellAt(position);
}

void EditWindow::releasedOnGrid(Qt::MouseButton button) {
  if (button == Qt::LeftButton) state_.painting = false;
}

void EditWindow::paintCellAt(QPoint position) {
  toolkit::Canvas& canvas = 画板1->canvas();
  // The sunken edge, and anywhere the pointer is dragged to outside, lies
  // off the grid.
  if (!QRect(QPoint(0, 0), canvas.drawingArea()).contains(position)) return;
  const Grid grid = gridOf(state_.editSize);
  const int column = position.x() / grid.cellSide;
  const int row = position.y() / grid.cellSide;

  drawCell(grid, column, row);
  colourGridOf(grid.size).set(icon::side(grid.size) - 1 - row, column, canvas.brushColour());
  previewOf(grid.size)->canvas().setPixel(column, row, state_.previewColour);
  icon::Bytes& workingIcon = workingIconOf(grid.size);
  [[maybe_unused]] const bool patched =
      单选框1->isChecked() ? icon::makePixelTransparent(workingIcon, grid.size, column + 1, row + 1)
                           : icon::paintPixel(workingIcon, grid.size, column + 1, row + 1, state_.previewColour);
  Q_ASSERT_X(patched, "paintCellAt", "the opening builds a working icon for every size shown");
}

}  // namespace ui
