// The edit window's layout, its creation handler, the grid drawing and the
// switching between the 16x16 and the 32x32 grid.

#include "ui/edit/edit_window.h"

#include <QAction>

#include "icon/operations.h"
#include "toolkit/picture.h"
#include "ui/edit/pen_cursor.h"

namespace ui {
namespace {

using toolkit::placed;

// The layout was drawn for this outer size; the client area keeps its margins.
constexpr QSize outerSize(409, 300);
constexpr QSize clientSize(403, 273);

constexpr icon::Colour gridBackground = icon::rgb(80, 84, 167);
constexpr icon::Colour gridLines = icon::rgb(128, 160, 128);
constexpr icon::Colour black = icon::rgb(0, 0, 0);
constexpr icon::Colour white = icon::rgb(255, 255, 255);
constexpr icon::Colour highlightBackground = icon::rgb(0, 0, 255);

toolkit::CanvasWidget* preview(QWidget* parent, const char* name, QRect geometry, toolkit::BrushStyle brush) {
  auto* canvas =
      new toolkit::CanvasWidget(parent, QString::fromUtf8(name), geometry, toolkit::Border::raisedFrame, true);
  canvas->canvas().setPen(toolkit::PenStyle::solid, black);
  canvas->canvas().setBrush(brush, white);
  canvas->canvas().setPictureMode(toolkit::PictureMode::tiled);
  return canvas;
}

toolkit::ColourLabel* sizeLabel(QWidget* parent, const char* name, QRect geometry, const QString& text) {
  auto* label = new toolkit::ColourLabel(parent, QString::fromUtf8(name), geometry, text);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  // Two lines of the 12-pixel dialog font are 30 pixels high and the label
  // 24: at 11 pixels the digits above and "true" below are no longer cut.
  QFont font = label->font();
  font.setPixelSize(11);
  label->setFont(font);
  return label;
}

}  // namespace

EditWindow::EditWindow(app::State& state, IconFormat format, toolkit::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      state_(state),
      format_(format),
      dialogs_(dialogs) {
  buildLayout();
  created();
  toolkit::centreOnScreen(this, outerSize);
}

std::optional<EditedIcons> EditWindow::run() {
  if (exec() != QDialog::Accepted) return std::nullopt;
  return EditedIcons{holdsImage(format_, icon::Size::x16) ? state_.workingIcon16 : icon::Bytes(),
                     holdsImage(format_, icon::Size::x32) ? state_.workingIcon32 : icon::Bytes()};
}

void EditWindow::buildLayout() {
  toolkit::makeFixedWindow(this, QStringLiteral("图标编辑"), clientSize);

  画板1 = new toolkit::CanvasWidget(this, QStringLiteral("画板1"), {6, 6, 258, 258}, toolkit::Border::sunkenEdge, true);
  画板1->canvas().setBackgroundColour(gridBackground);
  画板1->canvas().setPen(toolkit::PenStyle::dotted, gridLines);
  画板1->canvas().setBrush(toolkit::BrushStyle::solid, white);
  画板1->canvas().setPictureMode(toolkit::PictureMode::tiled);
  画板1->setCursor(penNibCursor());
  画板1->setToolTip(QStringLiteral("左键：绘制　右键：取色　Ctrl+Z：撤销　Ctrl+Y：重做"));
  // The right button picks a colour; it opens no menu.
  画板1->setContextMenuPolicy(Qt::PreventContextMenu);

  外形框1 = new toolkit::ShapeBox(this, QStringLiteral("外形框1"), {270, 6, 126, 108});
  画板2 = preview(外形框1, "画板2", {18, 15, 22, 22}, toolkit::BrushStyle::solid);
  标签1 = sizeLabel(外形框1, "标签1", {60, 15, 46, 24}, QStringLiteral("16x16 true"));
  外形框2 = new toolkit::ShapeBox(外形框1, QStringLiteral("外形框2"), {7, 53, 113, 2});
  画板3 = preview(外形框1, "画板3", {12, 62, 38, 38}, toolkit::BrushStyle::none);
  标签2 = sizeLabel(外形框1, "标签2", {60, 70, 46, 24}, QStringLiteral("32x32 true"));

  分组框1 = placed(new QGroupBox(QStringLiteral("画笔颜色"), this), "分组框1", {270, 120, 126, 36});
  单选框1 = placed(new QRadioButton(QStringLiteral("透明色"), 分组框1), "单选框1", {6, 14, 56, 18});
  单选框2 = placed(new QRadioButton(QStringLiteral("调色板"), 分组框1), "单选框2", {66, 14, 56, 18});
  单选框1->setChecked(true);

  颜色选择器1 = new toolkit::ColourPicker(this, QStringLiteral("颜色选择器1"), {288, 162, 90, 24}, dialogs_);
  颜色选择器1->setColour(white);
  颜色选择器1->hide();

  按钮1 = placed(new QPushButton(QStringLiteral("确定"), this), "按钮1", {278, 232, 50, 24});
  按钮2 = placed(new QPushButton(QStringLiteral("取消"), this), "按钮2", {344, 232, 50, 24});
  // Enter is "确定" wherever the focus is: no button, the picker included,
  // takes the default role when it gets the focus.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
  按钮1->setDefault(true);

  // Window shortcuts: they work whichever control has the focus.
  auto* undoKey = new QAction(this);
  undoKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  auto* redoKey = new QAction(this);
  redoKey->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  addActions({undoKey, redoKey});
  connect(undoKey, &QAction::triggered, this, &EditWindow::undo);
  connect(redoKey, &QAction::triggered, this, &EditWindow::redo);

  connect(画板1, &toolkit::CanvasWidget::pressed, this, &EditWindow::pressedOnGrid);
  connect(画板1, &toolkit::CanvasWidget::moved, this, &EditWindow::movedOnGrid);
  connect(画板1, &toolkit::CanvasWidget::released, this,
          [this](QPoint, Qt::MouseButton button) { releasedOnGrid(button); });
  connect(标签1, &toolkit::ColourLabel::pressed, this, [this](Qt::MouseButton button) {
    if (button == Qt::LeftButton) selectSize(1);
  });
  connect(标签2, &toolkit::ColourLabel::pressed, this, [this](Qt::MouseButton button) {
    if (button == Qt::LeftButton) selectSize(2);
  });
  connect(单选框2, &QRadioButton::clicked, this, &EditWindow::paletteClicked);
  connect(按钮1, &QPushButton::clicked, this, &QDialog::accept);
  connect(按钮2, &QPushButton::clicked, this, &EditWindow::cancel);
}

void EditWindow::created() {
  state_.savedLabelColour = 标签1->backgroundColour();
  state_.transparentColour = 画板1->canvas().backgroundColour();

  const int editSize = format_ == IconFormat::single32 ? 2 : 1;
  drawGrid(editSize);
  highlightLabelOf(editSize);
  state_.editSize = editSize;

  const bool holds16 = holdsImage(format_, icon::Size::x16);
  const bool holds32 = holdsImage(format_, icon::Size::x32);
  画板2->setVisible(holds16);
  标签1->setVisible(holds16);
  画板3->setVisible(holds32);
  标签2->setVisible(holds32);

  if (holds16) {
    state_.workingIcon16 = icon::workingIcon(icon::Size::x16, state_.pixelBlock16).value_or(icon::Bytes());
    if (const auto picture = toolkit::decodePicture(state_.workingIcon16)) 画板2->canvas().drawPicture(*picture, 0, 0);
  }
  if (holds32) {
    state_.workingIcon32 = icon::workingIcon(icon::Size::x32, state_.pixelBlock32).value_or(icon::Bytes());
    画板3->canvas().setBackgroundPicture(state_.workingIcon32);
  }
}

EditWindow::Grid EditWindow::gridOf(int editSize) {
  return editSize == 2 ? Grid{icon::Size::x32, 8} : Grid{icon::Size::x16, 16};
}

void EditWindow::drawCell(const Grid& grid, int column, int row) {
  // One pixel wider and higher than a cell: neighbouring outlines overlap
  // into single grid lines.
  const int k = grid.cellSide;
  画板1->canvas().drawRectangle(k * column, k * row, k * column + k + 1, k * row + k + 1);
}

void EditWindow::drawGrid(int editSize) {
  const Grid grid = gridOf(editSize);
  const icon::ColourGrid& colours = colourGridOf(grid.size);
  const int side = icon::side(grid.size);
  // Screen row 0 shows the top image row, the last row of the grid.
  for (int row = 0; row < side; ++row) {
    for (int column = 0; column < side; ++column) {
      画板1->canvas().setBrushColour(colours.at(side - 1 - row, column));
      drawCell(grid, column, row);
    }
  }
}

void EditWindow::highlightLabelOf(int editSize) {
  toolkit::ColourLabel* chosen = editSize == 2 ? 标签2 : 标签1;
  toolkit::ColourLabel* other = editSize == 2 ? 标签1 : 标签2;
  chosen->setBackgroundColour(highlightBackground);
  chosen->setTextColour(white);
  other->setBackgroundColour(state_.savedLabelColour);
  other->setTextColour(black);
}

void EditWindow::selectSize(int editSize) {
  highlightLabelOf(editSize);
  // Only the two-image format switches between grids of different cells.
  if (format_ == IconFormat::both) 画板1->canvas().clear();
  drawGrid(editSize);
  state_.editSize = editSize;
}

void EditWindow::paletteClicked() {
  if (单选框2->isChecked()) 颜色选择器1->show();
}

toolkit::CanvasWidget* EditWindow::previewOf(icon::Size size) { return size == icon::Size::x16 ? 画板2 : 画板3; }

icon::Bytes& EditWindow::workingIconOf(icon::Size size) {
  return size == icon::Size::x16 ? state_.workingIcon16 : state_.workingIcon32;
}

QUndoStack& EditWindow::historyOf(int editSize) { return editSize == 2 ? history32_ : history16_; }

icon::ColourGrid& EditWindow::colourGridOf(icon::Size size) {
  return size == icon::Size::x16 ? state_.colourGrid16 : state_.colourGrid32;
}

}  // namespace ui
