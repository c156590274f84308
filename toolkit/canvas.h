#pragma once
// The drawing model of a canvas, usable without any widget: a drawing area
// of fixed pixel size with a background (colour and picture), a pen, a brush
// and, when it keeps its drawing, an off-screen image that every drawing goes
// into. CanvasWidget shows one of these on screen.

#include <QImage>
#include <QRect>
#include <functional>

#include "icon/types.h"
#include "toolkit/picture.h"

namespace toolkit {

using icon::Bytes;
using icon::Colour;

enum class PictureMode {
  topLeft = 0,      // one copy at the top-left, natural size
  tiled = 1,        // tiled from the top-left, natural size
  centredFit = 2,   // centred; shrunk to fit, keeping the aspect ratio, when larger
};

enum class PenStyle { solid, dotted };
enum class BrushStyle { solid, none };

class Canvas {
 public:
  explicit Canvas(QSize drawingArea, bool keepsDrawing);

  QSize drawingArea() const { return area_; }
  bool keepsDrawing() const { return keepsDrawing_; }

  Colour backgroundColour() const { return backgroundColour_; }
  void setBackgroundColour(Colour colour);

  // The stored file bytes, exactly as set. Bytes that do not decode are
  // dropped: this reads back empty.
  const Bytes& backgroundPicture() const { return picture_.bytes; }
  void setBackgroundPicture(Bytes bytes);
  // Bytes already decoded, as a file the user chose is.
  void setDecodedBackgroundPicture(PictureBytes picture);
  // What backgroundPicture() decodes to, drawn by repaints and conversion;
  // null when there is no picture.
  const PictureRef& decodedPicture() const { return picture_.picture; }
  // Both at once, to hand to decodePictureBytes as what is known already.
  const PictureBytes& backgroundPictureWithDecoded() const { return picture_; }
  PictureMode pictureMode() const { return pictureMode_; }
  void setPictureMode(PictureMode mode);

  void setPen(PenStyle style, Colour colour) { penStyle_ = style, penColour_ = colour; }
  Colour penColour() const { return penColour_; }
  void setBrush(BrushStyle style, Colour colour) { brushStyle_ = style, brushColour_ = colour; }
  void setBrushColour(Colour colour) { brushColour_ = colour; }
  Colour brushColour() const { return brushColour_; }

  // Paints the whole drawing area with the background.
  void clear();
  // Covers columns x1..x2-1 and rows y1..y2-1 after normalising the corners:
  // the outermost pixels with the pen, the inside with the brush.
  void drawRectangle(int x1, int y1, int x2, int y2);
  void setPixel(int x, int y, Colour colour);
  // At natural size, or stretched to width x height (area-averaged when
  // reducing). Icons leave the canvas unchanged under their mask; pictures
  // with alpha are composited over it.
  void drawPicture(const Picture& picture, int x, int y);
  void drawPicture(const Picture& picture, int x, int y, int width, int height);
  // The drawing area as a 24-bit bottom-up bitmap file.
  Bytes capture() const;

  // What the canvas shows now. A canvas that does not keep its drawing shows
  // its drawings only until repaint() is called.
  const QImage& image() const { return image_; }
  // What a repaint does: a canvas that does not keep its drawing goes back
  // to its background, and undecodable picture bytes are dropped.
  void repaint();

  // Called with the changed part of the drawing area after every change.
  std::function<void(const QRect&)> changed;

 private:
  void rebuild();
  QImage renderBackground();
  void notify(const QRect& rect);

  QSize area_;
  bool keepsDrawing_;
  Colour backgroundColour_ = icon::defaultColourMarker;
  PictureBytes picture_;
  PictureMode pictureMode_ = PictureMode::tiled;
  PenStyle penStyle_ = PenStyle::solid;
  Colour penColour_ = 0;
  BrushStyle brushStyle_ = BrushStyle::solid;
  Colour brushColour_ = 0x00FFFFFF;
  QImage background_;  // rendered background, kept until colour or picture change
  QImage image_;       // Format_RGB32, exactly the drawing area's pixel size
};

}  // namespace toolkit
