// Painting cells: each painted cell changes the grid display, the colour
// grid, the preview and the working icon of the size being edited. The
// right button picks a cell's colour instead.

#include <algorithm>

#include "icon/operations.h"
#include "toolkit/colour.h"
#include "ui/edit/edit_window.h"

namespace ui {

bool EditWindow::onGrid(QPoint position) const {
  // The sunken edge, and anywhere the pointer is dragged to outside, lies
  // off the grid.
  return QRect(QPoint(0, 0), 画板1->canvas().drawingArea()).contains(position);
}

void EditWindow::pressedOnGrid(QPoint position, Qt::MouseButton button) {
  if (button == Qt::RightButton) {
    endStroke();
    pickColourAt(position);
    return;
  }
  if (button != Qt::LeftButton || !onGrid(position)) return;
  endStroke();
  state_.painting = true;
  stroke_ = OpenStroke{{state_.editSize, {}, {}}, workingIconOf(gridOf(state_.editSize).size)};
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
  // A release we never saw ends the stroke, and so does leaving the grid:
  // coming back with the button held paints nothing until the next press.
  if (!buttons.testFlag(Qt::LeftButton) || !onGrid(position)) endStroke();
  if (state_.painting) paintCellAt(position);
}

void EditWindow::releasedOnGrid(Qt::MouseButton button) {
  if (button == Qt::LeftButton) endStroke();
}

void EditWindow::paintCellAt(QPoint position) {
  toolkit::Canvas& canvas = 画板1->canvas();
  const Grid grid = gridOf(state_.editSize);
  const int column = position.x() / grid.cellSide;
  const int row = position.y() / grid.cellSide;
  const int gridRow = icon::side(grid.size) - 1 - row;
  icon::ColourGrid& colours = colourGridOf(grid.size);
  toolkit::Canvas& preview = previewOf(grid.size)->canvas();

  std::vector<Stroke::Cell>& touched = stroke_->stroke.cells;
  if (std::none_of(touched.begin(), touched.end(),
                   [&](const Stroke::Cell& cell) { return cell.column == column && cell.row == row; })) {
    const icon::Colour previewBefore = toolkit::fromQRgb(preview.image().pixel(column, row));
    touched.push_back({column, row, colours.at(gridRow, column), 0, previewBefore, 0});
  }

  drawCell(grid, column, row);
  colours.set(gridRow, column, canvas.brushColour());
  preview.setPixel(column, row, state_.previewColour);
  icon::Bytes& workingIcon = workingIconOf(grid.size);
  [[maybe_unused]] const bool patched =
      单选框1->isChecked() ? icon::makePixelTransparent(workingIcon, grid.size, column + 1, row + 1)
                           : icon::paintPixel(workingIcon, grid.size, column + 1, row + 1, state_.previewColour);
  Q_ASSERT_X(patched, "paintCellAt", "the opening builds a working icon for every size shown");
}

void EditWindow::pickColourAt(QPoint position) {
  if (!onGrid(position)) return;
  const Grid grid = gridOf(state_.editSize);
  const int column = position.x() / grid.cellSide;
  const int row = position.y() / grid.cellSide;
  // What the cell shows can be a colour over a set mask bit: the bit decides.
  if (icon::isPixelTransparent(workingIconOf(grid.size), grid.size, column + 1, row + 1).value_or(false)) {
    单选框1->setChecked(true);
    return;
  }
  单选框2->setChecked(true);
  paletteClicked();
  颜色选择器1->setColour(colourGridOf(grid.size).at(icon::side(grid.size) - 1 - row, column));
}

}  // namespace ui
