// "确定" accepts the dialog: run() hands the working icons to the opener,
// which shows and keeps them. "取消" asks before dropping the edits; Esc and
// the close box reject the dialog as Qt does, dropping them without asking.

#include "ui/edit/edit_window.h"

namespace ui {

void EditWindow::cancel() {
  const toolkit::Answer answer = dialogs_.messageBox(QStringLiteral("真的放弃编辑成果？"),
                                                     toolkit::MessageKind::informationYesNo, QStringLiteral("信息"));
  if (answer == toolkit::Answer::yes) reject();
}

}  // namespace ui
