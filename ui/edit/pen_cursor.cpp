#include "ui/edit/pen_cursor.h"

#include <QBitmap>
#include <QPainter>
#include <string_view>

namespace ui {
namespace {

constexpr int cursorSide = 32;

// B black, W white, '.' and everything not listed transparent.
constexpr std::string_view penNibRows[] = {
    "BB",
    "BWBB",
    ".BWBBB",
    ".BBWBBBB",
    "..BBWBBBBBBB",
    "..BBBWBBWWWWBB",
    "...BBBWBWWWWWB",
    "...BBBBWWWWWWB",
    "....BWWWBWWWWWB",
    "....BWWWWBWWWWWBB",
    "....BWWWWWBWWWBWWB",
    "....BWWWWWWWWBWWWWB",
    ".....BWWWWWWBWWWWWWB",
    ".....BBBWWWBWWWWWWB",
    "........BWBWWWWWWB",
    ".........BWWWWWWB",
    ".........BWWWWWB",
    "..........BWWWB",
    "...........BWB",
    "............B",
};

}  // namespace

QCursor penNibCursor() {
  // Qt's two-colour cursors: bitmap bit set = black, clear = white, where
  // the mask bit is set; transparent where it is clear.
  QBitmap bitmap(cursorSide, cursorSide);
  QBitmap mask(cursorSide, cursorSide);
  bitmap.fill(Qt::color0);
  mask.fill(Qt::color0);
  {
    QPainter black(&bitmap);
    QPainter shown(&mask);
    black.setPen(Qt::color1);
    shown.setPen(Qt::color1);
    int y = 0;
    for (std::string_view row : penNibRows) {
      for (int x = 0; x < static_cast<int>(row.size()); ++x) {
        if (row[x] == '.') continue;
        shown.drawPoint(x, y);
        if (row[x] == 'B') black.drawPoint(x, y);
      }
      ++y;
    }
  }
  return QCursor(bitmap, mask, 0, 0);
}

}  // namespace ui
