// "编　　辑": builds the colour grids of the converted images, runs the edit
// window modally and keeps what "确定" hands back.

#include "icon/operations.h"
#include "ui/edit/edit_window.h"
#include "ui/icon_format.h"
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

  EditWindow window(state_, format, dialogs_, this);
  const std::optional<EditedIcons> edited = window.run();
  if (!edited) return;
  switch (format) {
    case IconFormat::single16:
      图标画板1->canvas().setBackgroundPicture(edited->icon16);
      state_.outputIcon = edited->icon16;
      break;
    case IconFormat::single32:
      图标画板2->canvas().setBackgroundPicture(edited->icon32);
      state_.outputIcon = edited->icon32;
      break;
    case IconFormat::both: {
      图标画板1->canvas().setBackgroundPicture(edited->icon16);
      图标画板2->canvas().setBackgroundPicture(edited->icon32);
      // The converted file keeps its own header and directory.
      icon::Bytes merged = state_.outputIcon;
      if (icon::merge(merged, edited->icon16, edited->icon32)) state_.outputIcon = std::move(merged);
      break;
    }
    case IconFormat::none:
      break;
  }
}

}  // namespace ui
