#include "toolkit/canvas.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "icon/bitmap_file.h"
#include "toolkit/colour.h"

namespace toolkit {

QColor defaultColour() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return QGuiApplication::palette().color(QPalette::Window);
  return QColor(0xEF, 0xEF, 0xEF);
}

namespace {

QImage scaledTo(const QImage& image, QSize size) {
  if (image.size() == size) return image;
  // Smooth scaling of a QImage averages every source pixel when reducing.
  return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The picture as a background shows it: an icon's transparent pixels black,
// other pictures over the background colour.
QImage flattened(const Picture& picture, const QColor& underneath) {
  if (!picture.hasTransparency) return picture.image;
  QImage flat(picture.size(), QImage::Format_RGB32);
  flat.fill(picture.isIcon ? QColor(Qt::black) : underneath);
  QPainter painter(&flat);
  painter.drawImage(0, 0, picture.image);
  return flat;
}

}  // namespace

Canvas::Canvas(QSize drawingArea, bool keepsDrawing) : area_(drawingArea), keepsDrawing_(keepsDrawing) { rebuild(); }

void Canvas::setBackgroundColour(Colour colour) {
  backgroundColour_ = colour;
  rebuild();
}

void Canvas::setBackgroundPicture(Bytes bytes) {
  setDecodedBackgroundPicture(decodePictureBytes(std::move(bytes)).value_or(PictureBytes()));
}

void Canvas::setDecodedBackgroundPicture(PictureBytes picture) {
  picture_ = std::move(picture);
  rebuild();
}

void Canvas::setPictureMode(PictureMode mode) {
  pictureMode_ = mode;
  rebuild();
}

QImage Canvas::renderBackground() {
  QImage background(area_, QImage::Format_RGB32);
  const QColor colour = paintColour(backgroundColour_);
  background.fill(colour);
  if (!picture_.picture) return background;
  const QImage flat = flattened(*picture_.picture, colour);
  QPainter painter(&background);
  switch (pictureMode_) {
    case PictureMode::topLeft:
      painter.drawImage(0, 0, flat);
      break;
    case PictureMode::tiled:
      for (int y = 0; y < area_.height(); y += flat.height())
        for (int x = 0; x < area_.width(); x += flat.width()) painter.drawImage(x, y, flat);
      break;
    case PictureMode::centredFit: {
      const QSize shown = flat.width() > area_.width() || flat.height() > area_.height()
                              ? flat.size().scaled(area_, Qt::KeepAspectRatio).expandedTo(QSize(1, 1))
                              : flat.size();
      painter.drawImage((area_.width() - shown.width()) / 2, (area_.height() - shown.height()) / 2,
                        scaledTo(flat, shown));
      break;
    }
  }
  return background;
}

void Canvas::rebuild() {
  background_ = renderBackground();
  image_ = background_;
  notify(image_.rect());
}

void Canvas::repaint() {
  if (keepsDrawing_) return;
  image_ = background_;
}

void Canvas::clear() {
  image_ = background_;
  notify(image_.rect());
}

void Canvas::drawRectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const QRect area = QRect(x1, y1, x2 - x1, y2 - y1).intersected(image_.rect());
  if (area.isEmpty()) return;
  const QRgb brush = toQRgb(brushColour_);
  const QRgb pen = toQRgb(penColour_);
  const bool dotted = penStyle_ == PenStyle::dotted;
  const int right = x2 - 1;
  const int bottom = y2 - 1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    const bool edgeRow = y == y1 || y == bottom;
    for (int x = area.left(); x <= area.right(); ++x) {
      if (edgeRow || x == x1 || x == right) {
        // A dot every other pixel, counted from the rectangle's own corner;
        // the gaps leave what lies underneath.
        const int along = edgeRow ? x - x1 : y - y1;
        if (!dotted || along % 2 == 0) line[x] = pen;
      } else if (brushStyle_ == BrushStyle::solid) {
        line[x] = brush;
      }
    }
  }
  notify(area);
}

void Canvas::setPixel(int x, int y, Colour colour) {
  if (!image_.rect().contains(x, y)) return;
  image_.setPixel(x, y, toQRgb(colour));
  notify(QRect(x, y, 1, 1));
}

void Canvas::drawPicture(const Picture& picture, int x, int y) {
  drawPicture(picture, x, y, picture.size().width(), picture.size().height());
}

void Canvas::drawPicture(const Picture& picture, int x, int y, int width, int height) {
  if (picture.image.isNull() || width <= 0 || height <= 0) return;
  QPainter painter(&image_);
  painter.drawImage(x, y, scaledTo(picture.image, QSize(width, height)));
  notify(QRect(x, y, width, height).intersected(image_.rect()));
}

Bytes Canvas::capture() const {
  const int width = image_.width();
  const int height = image_.height();
  Bytes file = icon::blankBitmapFile24(width, height);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(height - 1 - y));
    std::uint8_t* out = file.data() + icon::bitmapFileHeadersLength + icon::bitmapRowStride(width) * y;
    for (int x = 0; x < width; ++x) {
      *out++ = static_cast<std::uint8_t>(qBlue(line[x]));
      *out++ = static_cast<std::uint8_t>(qGreen(line[x]));
      *out++ = static_cast<std::uint8_t>(qRed(line[x]));
    }
  }
  return file;
}

void Canvas::notify(const QRect& rect) {
  if (changed && !rect.isEmpty()) changed(rect);
}

}  // namespace toolkit
