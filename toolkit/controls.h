#pragma once
// The controls the windows are built from beyond Qt's own push buttons,
// radio buttons and group boxes, and the window placement helpers.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "icon/types.h"

namespace toolkit {

class Dialogs;

// A label whose text and background colours are program colour values; the
// default-colour marker as background means no background of its own.
class ColourLabel : public QLabel {
  Q_OBJECT

 public:
  ColourLabel(QWidget* parent, const QString& name, QRect geometry, const QString& text);

  icon::Colour textColour() const { return textColour_; }
  void setTextColour(icon::Colour colour);
  icon::Colour backgroundColour() const { return backgroundColour_; }
  void setBackgroundColour(icon::Colour colour);

 signals:
  void pressed(Qt::MouseButton button);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void applyColours();

  icon::Colour textColour_ = 0;
  icon::Colour backgroundColour_ = icon::defaultColourMarker;
};

// An etched rectangle: a white outline one pixel right and down under a
// black one, no fill. Two pixels high it is a sunken line. Controls placed
// in it get the mouse as anywhere else.
class ShapeBox : public QWidget {
  Q_OBJECT

 public:
  ShapeBox(QWidget* parent, const QString& name, QRect geometry);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A button showing a colour; clicking offers a small palette and the
// colour dialog. It never holds the default-colour marker.
class ColourPicker : public QPushButton {
  Q_OBJECT

 public:
  ColourPicker(QWidget* parent, const QString& name, QRect geometry, Dialogs& dialogs);

  icon::Colour colour() const { return colour_; }
  void setColour(icon::Colour colour);

 signals:
  void colourChanged(icon::Colour colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void offerColours();

  Dialogs& dialogs_;
  icon::Colour colour_ = 0x00FFFFFF;
};

// Gives a new control its name and its place in its parent.
template <typename Widget>
Widget* placed(Widget* widget, const char* name, QRect geometry) {
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(geometry);
  return widget;
}

// Fixes a top-level window's client size and title.
void makeFixedWindow(QWidget* window, const QString& title, QSize clientSize);

// Centres a window by its outer size: the real frame once the window
// manager has given it one, else the outer size the layout was drawn for.
void centreOnScreen(QWidget* window, QSize nominalOuterSize);

}  // namespace toolkit
