// Undo and redo, one stroke at a time, with a history per grid size that
// lasts as long as the window.

#include <utility>

#include "toolkit/colour.h"
#include "ui/edit/edit_window.h"

namespace ui {

class EditWindow::StrokeCommand final : public QUndoCommand {
 public:
  StrokeCommand(EditWindow& window, Stroke stroke) : window_(window), stroke_(std::move(stroke)) {}

  // Pushing does it again: harmless, as every place already shows the end
  // of the stroke.
  void redo() override { window_.apply(stroke_, true); }
  void undo() override { window_.apply(stroke_, false); }

 private:
  EditWindow& window_;
  const Stroke stroke_;
};

void EditWindow::endStroke() {
  state_.painting = false;
  if (!stroke_) return;
  OpenStroke open = std::move(*stroke_);
  stroke_.reset();
  Stroke& stroke = open.stroke;
  if (stroke.cells.empty()) return;

  const Grid grid = gridOf(stroke.editSize);
  const icon::ColourGrid& colours = colourGridOf(grid.size);
  const toolkit::Canvas& preview = previewOf(grid.size)->canvas();
  for (Stroke::Cell& cell : stroke.cells) {
    cell.gridAfter = colours.at(icon::side(grid.size) - 1 - cell.row, cell.column);
    cell.previewAfter = toolkit::fromQRgb(preview.image().pixel(cell.column, cell.row));
  }
  // Mask bytes are shared by eight cells: keeping bytes, not cells, takes
  // back exactly the bits this stroke set.
  const icon::Bytes& icon = workingIconOf(grid.size);
  for (std::size_t i = 0; i < icon.size(); ++i)
    if (icon[i] != open.iconBefore[i]) stroke.iconBytes.push_back({i, open.iconBefore[i], icon[i]});
  historyOf(stroke.editSize).push(new StrokeCommand(*this, std::move(stroke)));
}

void EditWindow::undo() {
  endStroke();
  historyOf(state_.editSize).undo();
}

void EditWindow::redo() {
  endStroke();
  historyOf(state_.editSize).redo();
}

void EditWindow::apply(const Stroke& stroke, bool after) {
  const Grid grid = gridOf(stroke.editSize);
  icon::ColourGrid& colours = colourGridOf(grid.size);
  toolkit::Canvas& preview = previewOf(grid.size)->canvas();
  toolkit::Canvas& canvas = 画板1->canvas();
  for (const Stroke::Cell& cell : stroke.cells) {
    const icon::Colour colour = after ? cell.gridAfter : cell.gridBefore;
    colours.set(icon::side(grid.size) - 1 - cell.row, cell.column, colour);
    // As the grid is drawn: the outline dots fall where they always do.
    canvas.setBrushColour(colour);
    drawCell(grid, cell.column, cell.row);
    preview.setPixel(cell.column, cell.row, after ? cell.previewAfter : cell.previewBefore);
  }
  icon::Bytes& icon = workingIconOf(grid.size);
  for (const Stroke::Byte& byte : stroke.iconBytes) icon[byte.offset] = after ? byte.after : byte.before;
}

}  // namespace ui
