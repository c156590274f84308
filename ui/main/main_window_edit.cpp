// "编　　辑": builds the colour grids of the converted images and runs the
// edit window modally.

#include "icon/operations.h"
#include "ui/edit/edit_window.h"
#include "ui/main/icon_format.h"
#include "ui/main/main_window.h"

namespace ui {

void MainWindow::edit() {
  if (state_.outputIcon.empty()) {
    warn(QStringLiteral("还未进行转换！"));
    return;
  }
  // After converting, the format radio button may have been changed: the
  // output icon and pixel blocks must be those of the format shown now,
  // or "确定" would merge into a file of another layout.
  const IconFormat format = currentFormat();
  const bool holds16 = holdsImage(format, icon::Size::x16);
  const bool holds32 = holdsImage(format, icon::Size::x32);
  auto grid16 = holds16 ? icon::colourGridFromPixelBlock(state_.pixelBlock16, icon::Size::x16) : std::nullopt;
  auto grid32 = holds32 ? icon::colourGridFromPixelBlock(state_.pixelBlock32, icon::Size::x32) : std::nullopt;
  const auto layout = layoutOfFormat(format);
  if (!layout || icon::layoutOf(state_.outputIcon) != layout || (holds16 && !grid16) || (holds32 && !grid32)) {
    warn(QStringLiteral("图标格式已改变，请重新转换！"));
    return;
  }
  if (grid16) state_.colourGrid16 = std::move(*grid16);
  if (grid32) state_.colourGrid32 = std::move(*grid32);

  EditWindow window(state_, *this, dialogs_);
  window.exec();
}

}  // namespace ui
