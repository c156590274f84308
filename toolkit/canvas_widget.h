#pragma once
// A control that shows a Canvas, with its border, and reports the mouse in
// drawing-area coordinates.

#include <QWidget>

#include "toolkit/canvas.h"

namespace toolkit {

enum class Border {
  none,
  sunkenEdge,   // 1 pixel
  raisedFrame,  // 3 pixels
};

constexpr int borderWidth(Border border) {
  return border == Border::none ? 0 : border == Border::sunkenEdge ? 1 : 3;
}

class CanvasWidget : public QWidget {
  Q_OBJECT

 public:
  // The control is controlSize; its drawing area is that less the border.
  CanvasWidget(QWidget* parent, const QString& name, QRect geometry, Border border, bool keepsDrawing);

  Canvas& canvas() { return canvas_; }
  const Canvas& canvas() const { return canvas_; }

 signals:
  void pressed(QPoint position, Qt::MouseButton button);
  // buttons are those held while moving.
  void moved(QPoint position, Qt::MouseButtons buttons);
  void released(QPoint position, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPoint toDrawingArea(QPointF position) const;
  void paintBorder(QPainter& painter) const;

  Border border_;
  Canvas canvas_;
};

}  // namespace toolkit
