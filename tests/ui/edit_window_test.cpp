// The edit window opened by "编　　辑" over a converted icon, driven with
// mouse and key events while it runs modally. Every drive fails its test
// when the window did not open.

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include <QApplication>
#include <QBitmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "icon/operations.h"
#include "support/pictures.h"
#include "support/scripted_dialogs.h"
#include "toolkit/colour.h"
#include "toolkit/files.h"
#include "ui/edit/edit_window.h"
#include "ui/main/main_window.h"

namespace {

using icon::Size;
using testing_support::ShownMessage;
using ui::EditWindow;

constexpr icon::Colour gridBackground = 0x00A75450;  // also the transparent colour
constexpr icon::Colour gridLines = 0x0080A080;
constexpr icon::Colour white = 0x00FFFFFF;
constexpr icon::Colour black = 0;
constexpr icon::Colour blue = 0x00FF0000;
constexpr icon::Colour red = 0x000000FF;

// The colour value of pattern pixel (x, y), y from the top.
icon::Colour patternAt(int x, int y) {
  const unsigned c = testing_support::patternColour(x, y);
  return icon::rgb(static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                   static_cast<std::uint8_t>(c));
}

icon::Colour pixelOf(const toolkit::CanvasWidget* canvas, int x, int y) {
  return toolkit::fromQRgb(canvas->canvas().image().pixel(x, y));
}

icon::Bytes workingIconOfPattern(Size size) {
  return *icon::workingIcon(size, testing_support::patternBlock(icon::side(size)));
}

// Mouse events on 画板1 take drawing-area positions; its sunken edge is 1 pixel.
QPoint onGrid(QPoint position) { return position + QPoint(1, 1); }

void press(EditWindow& window, QPoint position) {
  QTest::mousePress(window.画板1, Qt::LeftButton, {}, onGrid(position));
}
void release(EditWindow& window, QPoint position) {
  QTest::mouseRelease(window.画板1, Qt::LeftButton, {}, onGrid(position));
}
// The held buttons are stated, as a real move reports them.
void move(EditWindow& window, QPoint position, Qt::MouseButtons held) {
  const QPoint local = onGrid(position);
  QMouseEvent event(QEvent::MouseMove, local, window.画板1->mapToGlobal(local), Qt::NoButton, held, {});
  QApplication::sendEvent(window.画板1, &event);
}
void click(EditWindow& window, QPoint position) {
  press(window, position);
  release(window, position);
}
// A left-button stroke through cells; the moves hold the button.
void drag(EditWindow& window, std::initializer_list<QPoint> positions) {
  press(window, *positions.begin());
  for (QPoint position : positions) move(window, position, Qt::LeftButton);
  release(window, *std::prev(positions.end()));
}
// Through the window, as the platform delivers it, context menu included.
void rightClick(EditWindow& window, QPoint position) {
  QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, window.画板1->mapTo(&window, onGrid(position)));
}

// The middle of cell (column, row) of a grid of cells of side k.
QPoint cellAt(int k, int column, int row) { return {k * column + k / 2, k * row + k / 2}; }

// A key as the user types it: to the control that has the focus.
void type(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  focus->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), focus) << "the focus did not move";
  QTest::keyClick(focus, key, modifiers);
}
void undo(QWidget* focus) { type(focus, Qt::Key_Z, Qt::ControlModifier); }
void redo(QWidget* focus) { type(focus, Qt::Key_Y, Qt::ControlModifier); }

// Every place a cell of one size lives, as the edit window shows it.
struct Places {
  QImage grid;
  QImage preview;
  icon::ColourGrid colours;
  icon::Bytes icon;
};

Places placesOf(const EditWindow& window, const app::State& state, Size size) {
  const bool is16 = size == Size::x16;
  return {window.画板1->canvas().image(), (is16 ? window.画板2 : window.画板3)->canvas().image(),
          is16 ? state.colourGrid16 : state.colourGrid32, is16 ? state.workingIcon16 : state.workingIcon32};
}

void expectShows(const Places& have, const Places& want) {
  EXPECT_TRUE(have.grid == want.grid) << "grid display";
  EXPECT_TRUE(have.preview == want.preview) << "preview";
  EXPECT_TRUE(have.colours == want.colours) << "colour grid";
  EXPECT_TRUE(have.icon == want.icon) << "working icon";
}

// Through the window, so the press reaches the label the way Qt routes it.
void pressLabel(EditWindow& window, QWidget* label) {
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, label->mapTo(&window, label->rect().center()));
}

class EditWindowTest : public testing::Test {
 protected:
  app::State state;
  testing_support::ScriptedDialogs dialogs;
  ui::MainWindow main{state, dialogs, [](int) {}};
  icon::Bytes converted;

  // Leaves the state as "转　　换" does for the format, with pattern pictures.
  void convertAs(QRadioButton* format) {
    state = app::State();
    format->click();
    const bool holds16 = format != main.单选框2;
    const bool holds32 = format != main.单选框1;
    const icon::Layout layout =
        format == main.单选框1 ? icon::Layout::single16 : format == main.单选框2 ? icon::Layout::single32 : icon::Layout::both;
    converted = icon::blankIcon(layout);
    const auto& images = icon::fileLayout(layout).images;
    if (holds16) {
      state.pixelBlock16 = testing_support::patternBlock(16);
      ASSERT_TRUE(icon::splice(converted, images[0].colourBitmap, state.pixelBlock16));
    }
    if (holds32) {
      state.pixelBlock32 = testing_support::patternBlock(32);
      ASSERT_TRUE(icon::splice(converted, images[holds16 ? 1 : 0].colourBitmap, state.pixelBlock32));
    }
    state.outputIcon = converted;
  }

  struct Run {
    bool opened = false;
    bool closedByDrive = false;
  };

  // Presses "编　　辑" and drives the edit window while it runs; whatever the
  // drive leaves open is closed afterwards, so a failing test cannot hang.
  // The drive's checks only run in the window: a window that did not open
  // fails the test.
  Run edit(const std::function<void(EditWindow&)>& drive) {
    const Run run = pressEdit(drive);
    EXPECT_TRUE(run.opened) << "the edit window did not open";
    return run;
  }

  // For the refusals: whether the window opened is the result.
  Run pressEdit(const std::function<void(EditWindow&)>& drive = [](EditWindow&) {}) {
    Run run;
    QTimer driver;
    driver.setSingleShot(true);
    QObject::connect(&driver, &QTimer::timeout, [&] {
      auto* window = qobject_cast<EditWindow*>(QApplication::activeModalWidget());
      if (!window) return;
      run.opened = true;
      // Keys go to the focus, which only an active window has.
      EXPECT_TRUE(QTest::qWaitForWindowActive(window)) << "the edit window did not become active";
      drive(*window);
      run.closedByDrive = !window->isVisible();
      if (window->isVisible()) window->done(QDialog::Rejected);
    });
    driver.start(0);
    main.编辑->click();
    return run;
  }
};

struct FormatCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  int editSize;
  bool shows16;
  bool shows32;
};

TEST_F(EditWindowTest, OpensModallyOnTheGridOfItsFormatWithThePreviewsAtActualSize) {
  const FormatCase cases[] = {
      {"单16×16", &ui::MainWindow::单选框1, 1, true, false},
      {"单32×32", &ui::MainWindow::单选框2, 2, false, true},
      {"16×16,32×32", &ui::MainWindow::单选框3, 1, true, true},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    edit([&](EditWindow& window) {
      EXPECT_EQ(window.parentWidget(), &main);
      EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
      EXPECT_EQ(state.editSize, c.editSize);
      EXPECT_EQ(window.画板2->isVisible(), c.shows16);
      EXPECT_EQ(window.标签1->isVisible(), c.shows16);
      EXPECT_EQ(window.画板3->isVisible(), c.shows32);
      EXPECT_EQ(window.标签2->isVisible(), c.shows32);
      toolkit::ColourLabel* highlighted = c.editSize == 1 ? window.标签1 : window.标签2;
      toolkit::ColourLabel* plain = c.editSize == 1 ? window.标签2 : window.标签1;
      EXPECT_EQ(highlighted->backgroundColour(), blue);
      EXPECT_EQ(highlighted->textColour(), white);
      EXPECT_EQ(plain->backgroundColour(), icon::defaultColourMarker);
      EXPECT_EQ(plain->textColour(), black);
      if (c.shows16) {
        EXPECT_EQ(state.colourGrid16, icon::colourGridFromPixelBlock(state.pixelBlock16, Size::x16));
        EXPECT_EQ(state.workingIcon16, workingIconOfPattern(Size::x16));
        for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {7, 3}}) EXPECT_EQ(pixelOf(window.画板2, x, y), patternAt(x, y));
      }
      if (c.shows32) {
        EXPECT_EQ(state.colourGrid32, icon::colourGridFromPixelBlock(state.pixelBlock32, Size::x32));
        EXPECT_EQ(state.workingIcon32, workingIconOfPattern(Size::x32));
        for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {20, 9}}) EXPECT_EQ(pixelOf(window.画板3, x, y), patternAt(x, y));
      }
    });
  }
}

TEST_F(EditWindowTest, StartsAsLaidOut) {
  convertAs(main.单选框1);
  edit([&](EditWindow& window) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("图标编辑"));
    EXPECT_EQ(window.size(), QSize(403, 273));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags().testAnyFlags(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.画板1->canvas().drawingArea(), QSize(256, 256));
    EXPECT_TRUE(window.单选框1->isChecked());
    EXPECT_FALSE(window.颜色选择器1->isVisible());
    EXPECT_EQ(window.颜色选择器1->colour(), white);
    EXPECT_TRUE(window.按钮1->isDefault());
    EXPECT_EQ(window.画板1->toolTip(), QStringLiteral("左键：绘制　右键：取色　Ctrl+Z：撤销　Ctrl+Y：重做"));
    EXPECT_EQ(window.标签1->text(), QStringLiteral("16x16 true"));
    EXPECT_TRUE(window.标签1->wordWrap());
    EXPECT_EQ(state.transparentColour, gridBackground);
    EXPECT_EQ(state.savedLabelColour, icon::defaultColourMarker);
  });
}

TEST_F(EditWindowTest, PenNibCursorHasItsTipAtTheHotSpot) {
  convertAs(main.单选框1);
  edit([&](EditWindow& window) {
    const QCursor cursor = window.画板1->cursor();
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    const QImage shape = cursor.bitmap().toImage();
    const QImage shown = cursor.mask().toImage();
    ASSERT_EQ(shape.size(), QSize(32, 32));
    auto isBlack = [&](int x, int y) { return shown.pixel(x, y) == qRgb(0, 0, 0) && shape.pixel(x, y) == qRgb(0, 0, 0); };
    auto isWhite = [&](int x, int y) { return shown.pixel(x, y) == qRgb(0, 0, 0) && shape.pixel(x, y) == qRgb(255, 255, 255); };
    auto isClear = [&](int x, int y) { return shown.pixel(x, y) == qRgb(255, 255, 255); };
    EXPECT_TRUE(isBlack(0, 0));
    EXPECT_TRUE(isWhite(1, 1));
    EXPECT_TRUE(isClear(0, 2));
    EXPECT_TRUE(isClear(2, 0));
    EXPECT_TRUE(isWhite(16, 10));
    EXPECT_TRUE(isBlack(18, 11));
    EXPECT_TRUE(isBlack(12, 19));
    for (int y = 20; y < 32; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_TRUE(isClear(x, y)) << x << "," << y;
  });
}

struct GridCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  int side;
  int cellSide;
};

TEST_F(EditWindowTest, GridShowsTheTopImageRowFirstBetweenSingleDottedLines) {
  for (const GridCase& c : {GridCase{"16x16", &ui::MainWindow::单选框1, 16, 16},
                            GridCase{"32x32", &ui::MainWindow::单选框2, 32, 8}}) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    edit([&](EditWindow& window) {
      const int k = c.cellSide;
      for (int row = 0; row < c.side; ++row)
        for (int column = 0; column < c.side; ++column) {
          ASSERT_EQ(pixelOf(window.画板1, k * column + k / 2, k * row + k / 2), patternAt(column, row))
              << "cell " << column << "," << row;
          // The fill reaches right up to the next grid line.
          ASSERT_EQ(pixelOf(window.画板1, k * column + k - 1, k * row + 1), patternAt(column, row));
        }
      for (int line = 0; line < c.side; ++line) {
        const int at = k * line;
        // Dots on even pixels of every line; the gaps show the background.
        EXPECT_EQ(pixelOf(window.画板1, at, 2), gridLines);
        EXPECT_EQ(pixelOf(window.画板1, at, 1), gridBackground);
        EXPECT_EQ(pixelOf(window.画板1, 2, at), gridLines);
        EXPECT_EQ(pixelOf(window.画板1, 1, at), gridBackground);
      }
      // The outline after the last cell falls outside the drawing area.
      EXPECT_EQ(pixelOf(window.画板1, 255, 255), patternAt(c.side - 1, c.side - 1));
    });
  }
}

struct SwitchCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  std::vector<int> labelsPressed;
  bool clears;
};

TEST_F(EditWindowTest, SelectingASizeRedrawsItsGridClearingOnlyInTheTwoImageFormat) {
  const SwitchCase cases[] = {
      {"both, to 32x32", &ui::MainWindow::单选框3, {2}, true},
      {"both, back to 16x16", &ui::MainWindow::单选框3, {2, 1}, true},
      {"16x16 again", &ui::MainWindow::单选框1, {1}, false},
      {"32x32 again", &ui::MainWindow::单选框2, {2}, false},
  };
  constexpr icon::Colour mark = 0x00123456;
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    edit([&](EditWindow& window) {
      for (int label : c.labelsPressed) {
        // A gap of the first dotted line: only clearing reaches it.
        window.画板1->canvas().setPixel(1, 0, mark);
        pressLabel(window, label == 1 ? window.标签1 : window.标签2);
      }
      const int editSize = c.labelsPressed.back();
      EXPECT_EQ(state.editSize, editSize);
      EXPECT_EQ(pixelOf(window.画板1, 1, 0), c.clears ? gridBackground : mark);
      toolkit::ColourLabel* chosen = editSize == 1 ? window.标签1 : window.标签2;
      toolkit::ColourLabel* other = editSize == 1 ? window.标签2 : window.标签1;
      EXPECT_EQ(chosen->backgroundColour(), blue);
      EXPECT_EQ(chosen->textColour(), white);
      EXPECT_EQ(other->backgroundColour(), icon::defaultColourMarker);
      EXPECT_EQ(other->textColour(), black);
      const int k = editSize == 1 ? 16 : 8;
      EXPECT_EQ(pixelOf(window.画板1, 2 * k + k / 2, 4 * k + k / 2), patternAt(2, 4));
    });
  }
}

struct CellCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  bool switchTo32;
  QPoint position;
  Size size;
  int column;
  int row;
};

TEST_F(EditWindowTest, TransparentClickPaintsTheCellUnderThePointerInFourPlaces) {
  const CellCase cases[] = {
      {"16x16 at (17, 33)", &ui::MainWindow::单选框1, false, {17, 33}, Size::x16, 1, 2},
      {"16x16 at (255, 255)", &ui::MainWindow::单选框1, false, {255, 255}, Size::x16, 15, 15},
      {"32x32 at (17, 33)", &ui::MainWindow::单选框2, false, {17, 33}, Size::x32, 2, 4},
      {"32x32 at (255, 255)", &ui::MainWindow::单选框2, false, {255, 255}, Size::x32, 31, 31},
      {"both, switched to 32x32, at (17, 33)", &ui::MainWindow::单选框3, true, {17, 33}, Size::x32, 2, 4},
  };
  for (const CellCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    edit([&](EditWindow& window) {
      if (c.switchTo32) pressLabel(window, window.标签2);
      const bool is16 = c.size == Size::x16;
      const int side = icon::side(c.size);
      const int k = 256 / side;
      toolkit::CanvasWidget* preview = is16 ? window.画板2 : window.画板3;
      const QImage gridBefore = window.画板1->canvas().image();
      const QImage previewBefore = preview->canvas().image();
      icon::ColourGrid wantGrid = is16 ? state.colourGrid16 : state.colourGrid32;

      click(window, c.position);

      const QRect cell(k * c.column, k * c.row, k + 1, k + 1);
      const QImage& grid = window.画板1->canvas().image();
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
          const bool inside = cell.adjusted(1, 1, -1, -1).contains(x, y);
          if (cell.contains(x, y) && !inside) continue;  // the outline, checked below
          const QRgb want = inside ? toolkit::toQRgb(gridBackground) : gridBefore.pixel(x, y);
          ASSERT_EQ(grid.pixel(x, y), want) << x << "," << y;
        }
      EXPECT_EQ(toolkit::fromQRgb(grid.pixel(cell.topLeft())), gridLines);

      wantGrid.set(side - 1 - c.row, c.column, gridBackground);
      EXPECT_EQ(is16 ? state.colourGrid16 : state.colourGrid32, wantGrid);

      QImage wantPreview = previewBefore;
      wantPreview.setPixel(c.column, c.row, qRgb(255, 255, 255));
      EXPECT_EQ(preview->canvas().image(), wantPreview);

      icon::Bytes wantIcon = workingIconOfPattern(c.size);
      ASSERT_TRUE(icon::makePixelTransparent(wantIcon, c.size, c.column + 1, c.row + 1));
      EXPECT_EQ(is16 ? state.workingIcon16 : state.workingIcon32, wantIcon);
    });
  }
}

TEST_F(EditWindowTest, PaletteColourPaintsAndACellMadeTransparentKeepsItsMaskBit) {
  convertAs(main.单选框1);
  edit([&](EditWindow& window) {
    const QPoint bottomLeftCell(5, 250);  // working-icon pixel x 1, y 16: bytes 62..64, mask byte 830
    click(window, bottomLeftCell);
    ASSERT_EQ(state.workingIcon16[830], 0x80);
    EXPECT_EQ(pixelOf(window.画板2, 0, 15), white);

    QTest::mouseClick(window.单选框2, Qt::LeftButton);
    EXPECT_TRUE(window.颜色选择器1->isVisible());
    QTest::mouseClick(window.单选框1, Qt::LeftButton);
    EXPECT_TRUE(window.颜色选择器1->isVisible()) << "nothing hides the picker again";
    QTest::mouseClick(window.单选框2, Qt::LeftButton);
    window.颜色选择器1->setColour(red);

    click(window, bottomLeftCell);
    click(window, bottomLeftCell + QPoint(16, 0));
    EXPECT_EQ(pixelOf(window.画板1, 8, 248), red);
    EXPECT_EQ(state.colourGrid16.at(0, 0), red);
    EXPECT_EQ(pixelOf(window.画板2, 0, 15), red);
    EXPECT_EQ(icon::Bytes(state.workingIcon16.begin() + 62, state.workingIcon16.begin() + 68),
              (icon::Bytes{0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(state.workingIcon16[830], 0x80) << "the transparent cell keeps its bit, the other gets none";
  });
}

struct ExitCase {
  const char* name;
  QPoint outside;
};

TEST_F(EditWindowTest, LeavingTheGridWithTheButtonHeldEndsTheStrokeUntilTheNextPress) {
  const ExitCase cases[] = {
      {"over the window", {300, 8}},
      {"onto the sunken edge", {256, 8}},
      {"onto the left edge", {-1, 8}},
      {"off the window", {-40, -40}},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.单选框1);
    edit([&](EditWindow& window) {
      auto painted = [&](int column) { return state.colourGrid16.at(15, column) == gridBackground; };
      const Places before = placesOf(window, state, Size::x16);
      press(window, cellAt(16, 0, 0));
      move(window, cellAt(16, 1, 0), Qt::LeftButton);
      move(window, c.outside, Qt::LeftButton);
      EXPECT_FALSE(state.painting);
      const Places stroke = placesOf(window, state, Size::x16);
      move(window, cellAt(16, 2, 0), Qt::LeftButton);
      move(window, cellAt(16, 3, 0), Qt::LeftButton);
      release(window, cellAt(16, 3, 0));
      EXPECT_TRUE(painted(0) && painted(1));
      EXPECT_FALSE(painted(2) || painted(3)) << "coming back with the button held paints nothing";
      expectShows(placesOf(window, state, Size::x16), stroke);

      undo(window.按钮1);
      expectShows(placesOf(window, state, Size::x16), before);
      // The press starts again.
      drag(window, {cellAt(16, 2, 0), cellAt(16, 3, 0)});
      EXPECT_TRUE(painted(2) && painted(3));
    });
  }
}

TEST_F(EditWindowTest, MovingPaintsOnlyWhileTheLeftButtonIsHeld) {
  convertAs(main.单选框1);
  edit([&](EditWindow& window) {
    auto painted = [&](int column) { return state.colourGrid16.at(15, column) == gridBackground; };
    click(window, cellAt(16, 0, 0));
    move(window, cellAt(16, 1, 0), Qt::NoButton);
    EXPECT_FALSE(painted(1)) << "moving without the button paints nothing";

    // A release the grid never saw: the next plain move ends painting.
    press(window, cellAt(16, 3, 0));
    move(window, cellAt(16, 4, 0), Qt::NoButton);
    move(window, cellAt(16, 5, 0), Qt::LeftButton);
    EXPECT_TRUE(painted(3));
    EXPECT_FALSE(painted(4));
    EXPECT_FALSE(painted(5));
    EXPECT_FALSE(state.painting);
  });
}

struct HistoryCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  Size size;
};

TEST_F(EditWindowTest, UndoAndRedoTakeWholeStrokesBackAndForthInEveryPlaceACellLives) {
  for (const HistoryCase& c : {HistoryCase{"16x16", &ui::MainWindow::单选框1, Size::x16},
                               HistoryCase{"32x32", &ui::MainWindow::单选框2, Size::x32}}) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    edit([&](EditWindow& window) {
      const int k = 256 / icon::side(c.size);
      auto cell = [&](int column, int row) { return cellAt(k, column, row); };
      auto shown = [&] { return placesOf(window, state, c.size); };
      auto transparent = [&](int column, int row) {
        const icon::Bytes& working = c.size == Size::x16 ? state.workingIcon16 : state.workingIcon32;
        return icon::isPixelTransparent(working, c.size, column + 1, row + 1).value();
      };

      const Places opened = shown();
      click(window, cell(1, 1));  // "透明色" is checked at opening
      const Places afterClick = shown();
      // A drag that comes back over a cell it painted is still one stroke.
      drag(window, {cell(2, 1), cell(3, 1), cell(3, 2), cell(2, 1)});
      const Places afterDrag = shown();
      QTest::mouseClick(window.单选框2, Qt::LeftButton);
      window.颜色选择器1->setColour(red);
      // Red over the transparent cell keeps its mask bit.
      drag(window, {cell(1, 1), cell(4, 1)});
      const Places afterRed = shown();
      ASSERT_TRUE(transparent(1, 1) && transparent(3, 2));

      // The keys work whichever control has the focus.
      undo(window.按钮2);
      expectShows(shown(), afterDrag);
      undo(window.单选框1);
      expectShows(shown(), afterClick);
      EXPECT_FALSE(transparent(3, 2)) << "undo clears the mask bits the stroke set";
      EXPECT_TRUE(transparent(1, 1));
      redo(window.颜色选择器1);
      expectShows(shown(), afterDrag);
      type(window.按钮1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      expectShows(shown(), afterRed);
      redo(window.按钮1);
      expectShows(shown(), afterRed);

      for (int step = 0; step < 4; ++step) undo(window.单选框2);
      expectShows(shown(), opened);
      EXPECT_FALSE(transparent(1, 1));

      // A new stroke drops what could still be redone.
      redo(window.单选框2);
      expectShows(shown(), afterClick);
      click(window, cell(5, 5));
      const Places afterNew = shown();
      redo(window.单选框2);
      expectShows(shown(), afterNew);
      undo(window.单选框2);
      expectShows(shown(), afterClick);
    });
  }
}

TEST_F(EditWindowTest, EachSizeKeepsItsOwnHistoryAcrossSwitches) {
  convertAs(main.单选框3);
  edit([&](EditWindow& window) {
    const Places opened16 = placesOf(window, state, Size::x16);
    click(window, cellAt(16, 2, 2));
    const Places painted16 = placesOf(window, state, Size::x16);
    pressLabel(window, window.标签2);
    const Places opened32 = placesOf(window, state, Size::x32);
    click(window, cellAt(8, 5, 5));
    const Places painted32 = placesOf(window, state, Size::x32);

    undo(window.按钮1);
    undo(window.按钮1);  // nothing more in the 32x32 history
    expectShows(placesOf(window, state, Size::x32), opened32);
    EXPECT_EQ(state.workingIcon16, painted16.icon);

    pressLabel(window, window.标签1);
    expectShows(placesOf(window, state, Size::x16), painted16);
    undo(window.按钮1);
    expectShows(placesOf(window, state, Size::x16), opened16);
    redo(window.按钮1);
    expectShows(placesOf(window, state, Size::x16), painted16);

    pressLabel(window, window.标签2);
    redo(window.按钮1);
    expectShows(placesOf(window, state, Size::x32), painted32);
  });
}

TEST_F(EditWindowTest, HistoryKeepsAThousandStrokes) {
  convertAs(main.单选框1);
  edit([&](EditWindow& window) {
    const Places opened = placesOf(window, state, Size::x16);
    for (int stroke = 0; stroke < 1000; ++stroke) click(window, cellAt(16, stroke % 16, stroke / 16 % 16));
    for (int step = 0; step < 1000; ++step) undo(window.按钮1);
    expectShows(placesOf(window, state, Size::x16), opened);
  });
}

struct PickCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  // What happens to the cell at (3, 4) before the pick; either radio button
  // may be left checked.
  std::function<void(EditWindow&, QPoint)> before;
  bool picksTransparent;
  icon::Colour picked;
};

TEST_F(EditWindowTest, RightButtonPicksTheCellsColourForTheNextStroke) {
  const auto palette = [](EditWindow& window, icon::Colour colour) {
    QTest::mouseClick(window.单选框2, Qt::LeftButton);
    window.颜色选择器1->setColour(colour);
  };
  const PickCase cases[] = {
      {"converted cell", &ui::MainWindow::单选框1, [](EditWindow&, QPoint) {}, false, patternAt(3, 4)},
      {"converted cell, 32x32", &ui::MainWindow::单选框2, [](EditWindow&, QPoint) {}, false, patternAt(3, 4)},
      {"painted cell", &ui::MainWindow::单选框1,
       [&](EditWindow& window, QPoint cell) {
         palette(window, red);
         click(window, cell);
         window.颜色选择器1->setColour(white);
         QTest::mouseClick(window.单选框1, Qt::LeftButton);
       },
       false, red},
      {"transparent cell", &ui::MainWindow::单选框1,
       [&](EditWindow& window, QPoint cell) {
         click(window, cell);
         palette(window, red);
       },
       true, 0},
      {"transparent cell painted red", &ui::MainWindow::单选框1,
       [&](EditWindow& window, QPoint cell) {
         click(window, cell);
         palette(window, red);
         click(window, cell);
       },
       true, 0},
  };
  for (const PickCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    edit([&](EditWindow& window) {
      const Size size = c.format == &ui::MainWindow::单选框2 ? Size::x32 : Size::x16;
      const int k = 256 / icon::side(size);
      c.before(window, cellAt(k, 3, 4));
      const Places before = placesOf(window, state, size);
      const icon::Colour pickerBefore = window.颜色选择器1->colour();

      rightClick(window, cellAt(k, 3, 4));
      expectShows(placesOf(window, state, size), before);
      EXPECT_FALSE(state.painting);
      EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no menu opens";
      EXPECT_EQ(window.单选框1->isChecked(), c.picksTransparent);
      EXPECT_EQ(window.单选框2->isChecked(), !c.picksTransparent);
      if (!c.picksTransparent) {
        EXPECT_TRUE(window.颜色选择器1->isVisible());
        EXPECT_EQ(window.颜色选择器1->colour(), c.picked);
      } else {
        EXPECT_EQ(window.颜色选择器1->colour(), pickerBefore);
      }
      click(window, cellAt(k, 6, 6));
      const icon::ColourGrid& colours = size == Size::x16 ? state.colourGrid16 : state.colourGrid32;
      const int side = icon::side(size);
      EXPECT_EQ(colours.at(side - 1 - 6, 6), c.picksTransparent ? gridBackground : c.picked);
      EXPECT_EQ(pixelOf(window.画板1, k * 6 + k / 2, k * 6 + k / 2), c.picksTransparent ? gridBackground : c.picked);
    });
  }
}

struct CommitCase {
  const char* name;
  QRadioButton* ui::MainWindow::*format;
  bool byEnter;
};

TEST_F(EditWindowTest, CommitMakesTheWorkingIconsTheOutputIconThatSaveWrites) {
  const CommitCase cases[] = {
      {"单16×16 by 确定", &ui::MainWindow::单选框1, false},
      {"单32×32 by Enter", &ui::MainWindow::单选框2, true},
      {"16×16,32×32 by 确定", &ui::MainWindow::单选框3, false},
  };
  QTemporaryDir dir;
  for (const CommitCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.format);
    const bool holds16 = !state.pixelBlock16.empty();
    const bool holds32 = !state.pixelBlock32.empty();
    // A mark in the directory shows whose header the two-image file keeps.
    if (holds16 && holds32) state.outputIcon[9] = converted[9] = 0x5A;
    const Run run = edit([&](EditWindow& window) {
      click(window, {0, 0});
      click(window, {40, 40});
      undo(window.按钮1);  // only what remains is kept
      if (holds16 && holds32) {
        pressLabel(window, window.标签2);
        click(window, {0, 0});
      }
      if (c.byEnter) QTest::keyClick(&window, Qt::Key_Return);
      else window.按钮1->click();
    });
    ASSERT_TRUE(run.closedByDrive);

    icon::Bytes want16 = workingIconOfPattern(Size::x16);
    icon::Bytes want32 = workingIconOfPattern(Size::x32);
    ASSERT_TRUE(icon::makePixelTransparent(want16, Size::x16, 1, 1));
    ASSERT_TRUE(icon::makePixelTransparent(want32, Size::x32, 1, 1));
    icon::Bytes want;
    if (!holds32) want = want16;
    else if (!holds16) want = want32;
    else {
      ASSERT_EQ(state.outputIcon.size(), 4150u);
      want = converted;
      std::copy(want16.begin() + 22, want16.end(), want.begin() + 38);
      std::copy(want32.begin() + 22, want32.end(), want.begin() + 910);
    }
    EXPECT_EQ(state.outputIcon, want);

    // The main window shows the edited icons, the transparent cell black.
    if (holds16) {
      EXPECT_EQ(pixelOf(main.图标画板1, 0, 0), black);
      EXPECT_EQ(pixelOf(main.图标画板1, 1, 0), patternAt(1, 0));
    }
    if (holds32) {
      EXPECT_EQ(pixelOf(main.图标画板2, 0, 0), black);
      EXPECT_EQ(pixelOf(main.图标画板2, 1, 0), patternAt(1, 0));
    }

    const QString path = dir.filePath(QString::fromUtf8(c.name) + QStringLiteral(".ico"));
    dialogs.files = {path};
    main.保存->click();
    EXPECT_EQ(toolkit::readWholeFile(path), want);
  }
}

struct EnterCase {
  const char* name;
  std::function<QWidget*(EditWindow&)> focus;
};

TEST_F(EditWindowTest, CancelAnsweredNoKeepsEditingAndEnterThenCommits) {
  const EnterCase cases[] = {
      {"focus stays on 取消", [](EditWindow& window) -> QWidget* { return window.按钮2; }},
      {"focus on the picker", [](EditWindow& window) -> QWidget* { return window.颜色选择器1; }},
      {"focus on 调色板", [](EditWindow& window) -> QWidget* { return window.单选框2; }},
  };
  for (const EnterCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.单选框1);
    dialogs.messages.clear();
    dialogs.answers = {toolkit::Answer::no};
    icon::Bytes edited;
    const Run run = edit([&](EditWindow& window) {
      QTest::mouseClick(window.单选框2, Qt::LeftButton);  // shows the picker
      QTest::mouseClick(window.单选框1, Qt::LeftButton);
      click(window, {8, 8});
      edited = state.workingIcon16;
      QTest::mouseClick(window.按钮2, Qt::LeftButton);
      EXPECT_EQ(dialogs.messages, (std::vector<ShownMessage>{{QStringLiteral("真的放弃编辑成果？"),
                                                              toolkit::MessageKind::informationYesNo, QStringLiteral("信息")}}));
      ASSERT_TRUE(window.isVisible());
      EXPECT_EQ(state.workingIcon16, edited);
      EXPECT_EQ(pixelOf(window.画板1, 8, 8), gridBackground);
      EXPECT_EQ(pixelOf(window.画板2, 0, 0), white);

      type(c.focus(window), Qt::Key_Return);
    });
    EXPECT_TRUE(run.closedByDrive);
    EXPECT_EQ(dialogs.messages.size(), 1u) << "Enter asked nothing";
    EXPECT_EQ(state.outputIcon, edited);
  }
}

struct DiscardCase {
  const char* name;
  std::function<void(EditWindow&)> close;
  std::size_t questions;
};

TEST_F(EditWindowTest, CancelAnsweredYesEscAndTheCloseBoxLeaveTheOutputIconAsItWas) {
  const DiscardCase cases[] = {
      {"取消, Yes", [](EditWindow& window) { window.按钮2->click(); }, 1},
      {"Esc", [](EditWindow& window) { QTest::keyClick(&window, Qt::Key_Escape); }, 0},
      {"close box", [](EditWindow& window) { window.close(); }, 0},
  };
  for (const DiscardCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.单选框3);
    dialogs.messages.clear();
    dialogs.answers = {toolkit::Answer::yes};
    const QImage icon16Before = main.图标画板1->canvas().image();
    const Run run = edit([&](EditWindow& window) {
      click(window, {8, 8});
      c.close(window);
    });
    EXPECT_TRUE(run.closedByDrive);
    EXPECT_EQ(dialogs.messages.size(), c.questions);
    EXPECT_EQ(state.outputIcon, converted);
    EXPECT_EQ(main.图标画板1->canvas().image(), icon16Before);
  }
}

TEST_F(EditWindowTest, ReopeningStartsAgainFromTheConvertedPixels) {
  convertAs(main.单选框1);
  edit([&](EditWindow& window) {
    click(window, {8, 8});
    window.按钮1->click();
  });
  edit([&](EditWindow& window) {
    EXPECT_EQ(state.workingIcon16, workingIconOfPattern(Size::x16));
    EXPECT_EQ(pixelOf(window.画板1, 8, 8), patternAt(0, 0));
    EXPECT_EQ(pixelOf(window.画板2, 0, 0), patternAt(0, 0));
    const Places opened = placesOf(window, state, Size::x16);
    undo(window.按钮1);  // the history starts empty
    expectShows(placesOf(window, state, Size::x16), opened);
  });
}

struct StaleCase {
  const char* name;
  QRadioButton* ui::MainWindow::*converted;
  QRadioButton* ui::MainWindow::*checkedNow;
};

TEST_F(EditWindowTest, RefusesWhenNothingIsConvertedOrTheFormatChangedSince) {
  const Run nothing = pressEdit();
  EXPECT_FALSE(nothing.opened);
  EXPECT_EQ(dialogs.messages,
            (std::vector<ShownMessage>{
                {QStringLiteral("还未进行转换！"), toolkit::MessageKind::warningOk, QStringLiteral("警告")}}));

  const StaleCase cases[] = {
      {"16x16 converted, 32x32 checked", &ui::MainWindow::单选框1, &ui::MainWindow::单选框2},
      {"16x16 converted, both checked", &ui::MainWindow::单选框1, &ui::MainWindow::单选框3},
      {"both converted, 16x16 checked", &ui::MainWindow::单选框3, &ui::MainWindow::单选框1},
      {"32x32 converted, both checked", &ui::MainWindow::单选框2, &ui::MainWindow::单选框3},
  };
  for (const StaleCase& c : cases) {
    SCOPED_TRACE(c.name);
    convertAs(main.*c.converted);
    (main.*c.checkedNow)->click();
    dialogs.messages.clear();
    const Run run = pressEdit();
    EXPECT_FALSE(run.opened);
    EXPECT_EQ(dialogs.messages, (std::vector<ShownMessage>{{QStringLiteral("图标格式已改变，请重新转换！"),
                                                            toolkit::MessageKind::warningOk, QStringLiteral("警告")}}));
    EXPECT_TRUE(state.colourGrid16.empty() && state.colourGrid32.empty());
    EXPECT_EQ(state.outputIcon, converted);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
