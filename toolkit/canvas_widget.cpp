#include "toolkit/canvas_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace toolkit {

CanvasWidget::CanvasWidget(QWidget* parent, const QString& name, QRect geometry, Border border, bool keepsDrawing)
    : QWidget(parent),
      border_(border),
      canvas_(geometry.size() - QSize(2, 2) * borderWidth(border), keepsDrawing) {
  setObjectName(name);
  setGeometry(geometry);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  canvas_.changed = [this](const QRect& rect) {
    const int b = borderWidth(border_);
    update(rect.translated(b, b));
  };
}

QPoint CanvasWidget::toDrawingArea(QPointF position) const {
  const int b = borderWidth(border_);
  return QPoint(static_cast<int>(std::floor(position.x())) - b, static_cast<int>(std::floor(position.y())) - b);
}

void CanvasWidget::paintBorder(QPainter& painter) const {
  const QRect r = rect();
  const QPalette& p = palette();
  auto bevel = [&](QRect box, const QColor& topLeft, const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
  };
  switch (border_) {
    case Border::none:
      break;
    case Border::sunkenEdge:
      bevel(r, p.color(QPalette::Dark), p.color(QPalette::Light));
      break;
    case Border::raisedFrame:
      painter.fillRect(r, p.color(QPalette::Button));
      bevel(r, p.color(QPalette::Light), p.color(QPalette::Shadow));
      bevel(r.adjusted(1, 1, -1, -1), p.color(QPalette::Midlight), p.color(QPalette::Dark));
      bevel(r.adjusted(2, 2, -2, -2), p.color(QPalette::Dark), p.color(QPalette::Light));
      break;
  }
}

void CanvasWidget::paintEvent(QPaintEvent*) {
  canvas_.repaint();
  QPainter painter(this);
  paintBorder(painter);
  const int b = borderWidth(border_);
  // Logical coordinates: on a high-density screen Qt enlarges the image while
  // the image itself stays at its pixel size.
  painter.drawImage(QRect(QPoint(b, b), canvas_.drawingArea()), canvas_.image());
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) { emit pressed(toDrawingArea(event->position()), event->button()); }

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) { emit moved(toDrawingArea(event->position()), event->buttons()); }

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  emit released(toDrawingArea(event->position()), event->button());
}

}  // namespace toolkit
