#include "toolkit/controls.h"

#include <QGridLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QWidgetAction>

#include "toolkit/colour.h"
#include "toolkit/dialogs.h"

namespace toolkit {

ColourLabel::ColourLabel(QWidget* parent, const QString& name, QRect geometry, const QString& text)
    : QLabel(text, parent) {
  setObjectName(name);
  setGeometry(geometry);
  applyColours();
}

void ColourLabel::setTextColour(icon::Colour colour) {
  textColour_ = colour;
  applyColours();
}

void ColourLabel::setBackgroundColour(icon::Colour colour) {
  backgroundColour_ = colour;
  applyColours();
}

void ColourLabel::applyColours() {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, paintColour(textColour_));
  const bool ownBackground = backgroundColour_ != defaultColourMarker;
  if (ownBackground) colours.setColor(QPalette::Window, paintColour(backgroundColour_));
  setPalette(colours);
  setAutoFillBackground(ownBackground);
}

void ColourLabel::mousePressEvent(QMouseEvent* event) {
  emit pressed(event->button());
  QLabel::mousePressEvent(event);
}

ShapeBox::ShapeBox(QWidget* parent, const QString& name, QRect geometry) : QWidget(parent) {
  setObjectName(name);
  setGeometry(geometry);
}

void ShapeBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), defaultColour());
  // An outline covering the pixels of a w x h box from its corner.
  auto outline = [&](int x, int y, const QColor& colour) {
    painter.setPen(colour);
    painter.drawRect(x, y, width() - 2, height() - 2);
  };
  outline(1, 1, Qt::white);
  outline(0, 0, Qt::black);
}

namespace {

// The palette offered before the colour dialog: the classic sixteen.
constexpr icon::Colour paletteColours[] = {
    icon::rgb(0, 0, 0),       icon::rgb(128, 0, 0),   icon::rgb(0, 128, 0),   icon::rgb(128, 128, 0),
    icon::rgb(0, 0, 128),     icon::rgb(128, 0, 128), icon::rgb(0, 128, 128), icon::rgb(192, 192, 192),
    icon::rgb(128, 128, 128), icon::rgb(255, 0, 0),   icon::rgb(0, 255, 0),   icon::rgb(255, 255, 0),
    icon::rgb(0, 0, 255),     icon::rgb(255, 0, 255), icon::rgb(0, 255, 255), icon::rgb(255, 255, 255),
};

}  // namespace

ColourPicker::ColourPicker(QWidget* parent, const QString& name, QRect geometry, Dialogs& dialogs)
    : QPushButton(parent), dialogs_(dialogs) {
  setObjectName(name);
  setGeometry(geometry);
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, &ColourPicker::offerColours);
}

void ColourPicker::setColour(icon::Colour colour) {
  colour_ = colour & 0x00FFFFFF;
  update();
  emit colourChanged(colour_);
}

void ColourPicker::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  const QRect swatch = rect().adjusted(6, 5, -20, -5);
  painter.fillRect(swatch, QColor(toQRgb(colour_)));
  painter.setPen(Qt::black);
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));
  // A small arrow: the button opens a choice.
  const int x = rect().right() - 13;
  const int y = rect().center().y() - 1;
  painter.setBrush(Qt::black);
  painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + 6, y), QPoint(x + 3, y + 3)}));
}

void ColourPicker::offerColours() {
  QMenu menu(this);
  auto* grid = new QWidget(&menu);
  auto* layout = new QGridLayout(grid);
  layout->setSpacing(2);
  layout->setContentsMargins(4, 4, 4, 4);
  int index = 0;
  for (icon::Colour colour : paletteColours) {
    auto* swatch = new QToolButton(grid);
    swatch->setFixedSize(18, 18);
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #606060;")
                              .arg(QColor(toQRgb(colour)).name()));
    connect(swatch, &QToolButton::clicked, &menu, [this, &menu, colour] {
      menu.close();
      setColour(colour);
    });
    layout->addWidget(swatch, index / 8, index % 8);
    ++index;
  }
  auto* swatches = new QWidgetAction(&menu);
  swatches->setDefaultWidget(grid);
  menu.addAction(swatches);
  menu.addSeparator();
  QAction* other = menu.addAction(QStringLiteral("其他颜色…"));
  if (menu.exec(mapToGlobal(rect().bottomLeft())) == other)
    if (const auto chosen = dialogs_.chooseColour(colour_)) setColour(*chosen);
}

void makeFixedWindow(QWidget* window, const QString& title, QSize clientSize) {
  window->setWindowTitle(title);
  window->setFixedSize(clientSize);
}

void centreOnScreen(QWidget* window, QSize nominalOuterSize) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  const QRect frame = window->frameGeometry();
  const QSize outer = frame.size() != window->size() ? frame.size() : nominalOuterSize;
  const QRect available = screen->geometry();
  window->move(available.x() + (available.width() - outer.width()) / 2,
               available.y() + (available.height() - outer.height()) / 2);
}

}  // namespace toolkit
