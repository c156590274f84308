#pragma once
// What each icon format holds: its image sizes and the file layout it
// converts to. The format is read from the main window's radio buttons.

#include <optional>

#include "icon/layout.h"
#include "ui/main/main_window.h"

namespace ui {

constexpr bool holdsImage(IconFormat format, icon::Size size) {
  switch (format) {
    case IconFormat::single16: return size == icon::Size::x16;
    case IconFormat::single32: return size == icon::Size::x32;
    case IconFormat::both: return true;
    case IconFormat::none: break;
  }
  return false;
}

constexpr std::optional<icon::Layout> layoutOfFormat(IconFormat format) {
  switch (format) {
    case IconFormat::single16: return icon::Layout::single16;
    case IconFormat::single32: return icon::Layout::single32;
    case IconFormat::both: return icon::Layout::both;
    case IconFormat::none: break;
  }
  return std::nullopt;
}

}  // namespace ui
