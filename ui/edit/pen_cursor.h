#pragma once
// The pen-nib mouse pointer of the edit grid.

#include <QCursor>

namespace ui {

// 32x32, black and white, pointing up and to the left; its hot spot is the
// nib's tip at the top-left pixel.
QCursor penNibCursor();

}  // namespace ui
