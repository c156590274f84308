#pragma once
// Conversions between the program's colour values (0x00BBGGRR, with the
// default-colour marker) and Qt's colours.

#include <QColor>
#include <QRgb>

#include "icon/types.h"

namespace toolkit {

using icon::Colour;
using icon::defaultColourMarker;

inline QRgb toQRgb(Colour colour) { return qRgb(icon::redOf(colour), icon::greenOf(colour), icon::blueOf(colour)); }
inline Colour fromQRgb(QRgb rgb) {
  return icon::rgb(static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                   static_cast<std::uint8_t>(qBlue(rgb)));
}

// The colour the marker stands for: the palette's window (dialog) colour.
QColor defaultColour();

// The colour to paint for a stored value, the marker resolved.
inline QColor paintColour(Colour colour) {
  return colour == defaultColourMarker ? defaultColour() : QColor(toQRgb(colour));
}

}  // namespace toolkit
