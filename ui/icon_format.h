#pragma once
// The icon formats and what each holds: its image sizes and the file layout
// it converts to. The main window reads the format from its radio buttons
// and hands it to the edit window when it opens.

#include <optional>

#include "icon/layout.h"

namespace ui {

enum class IconFormat { none, single16, single32, both };

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
