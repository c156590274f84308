#pragma once
// The one application state: everything the window handlers read and
// replace. It owns its buffers; a handler stores a new buffer by moving it in,
// which releases the one it replaces.

#include "icon/types.h"

namespace app {

struct State {
  icon::Bytes outputIcon;  // what "保存图标" writes; empty = nothing to save or edit
  icon::Bytes pixelBlock16;
  icon::Bytes pixelBlock32;
  icon::ColourGrid colourGrid16;
  icon::ColourGrid colourGrid32;
  icon::Colour savedLabelColour = 0;
  int editSize = 0;  // 1 = the 16x16 grid, 2 = the 32x32 grid
  icon::Bytes workingIcon16;
  icon::Bytes workingIcon32;
  bool painting = false;
  icon::Colour transparentColour = 0;
  icon::Colour previewColour = 0;

  // Releases every buffer and grid; the exit routine calls it once.
  void releaseBuffers();
};

}  // namespace app
