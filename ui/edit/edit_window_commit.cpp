// "确定" keeps the edits, "取消" asks before dropping them. Esc and the close
// box reject the dialog as Qt does, dropping the edits without asking.

#include "icon/operations.h"
#include "ui/edit/edit_window.h"
#include "ui/main/main_window.h"

namespace ui {

void EditWindow::commit() {
  switch (mainWindow_.currentFormat()) {
    case IconFormat::single16:
      mainWindow_.图标画板1->canvas().setBackgroundPicture(state_.workingIcon16);
      state_.outputIcon = state_.workingIcon16;
      break;
    case IconFormat::single32:
      mainWindow_.图标画板2->canvas().setBackgroundPicture(state_.workingIcon32);
      state_.outputIcon = state_.workingIcon32;
      break;
    case IconFormat::both: {
      mainWindow_.图标画板1->canvas().setBackgroundPicture(state_.workingIcon16);
      mainWindow_.图标画板2->canvas().setBackgroundPicture(state_.workingIcon32);
      // The converted file keeps its own header and directory.
      icon::Bytes merged = state_.outputIcon;
      if (icon::merge(merged, state_.workingIcon16, state_.workingIcon32)) state_.outputIcon = std::move(merged);
      break;
    }
    case IconFormat::none:
      break;
  }
  accept();
}

void EditWindow::cancel() {
  const toolkit::Answer answer = dialogs_.messageBox(QStringLiteral("真的放弃编辑成果？"),
                                                     toolkit::MessageKind::informationYesNo, QStringLiteral("信息"));
  if (answer == toolkit::Answer::yes) reject();
}

}  // namespace ui
