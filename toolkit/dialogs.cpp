#include "toolkit/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "toolkit/colour.h"

namespace toolkit {

QStringList qtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");  // also names without a dot
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
  }
  return filters;
}

Answer QtDialogs::messageBox(const QString& text, MessageKind kind, const QString& title) {
  const bool warning = kind == MessageKind::warningOk;
  const bool yesNo = kind == MessageKind::informationYesNo;
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information, title, text,
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, QApplication::activeWindow());
  box.setWindowModality(Qt::ApplicationModal);
  const int answer = box.exec();
  if (!yesNo) return Answer::ok;
  return answer == QMessageBox::Yes ? Answer::yes : Answer::no;
}

std::optional<QString> QtDialogs::chooseFile(const FileRequest& request) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setWindowModality(Qt::ApplicationModal);
  const bool save = request.kind == FileDialogKind::save;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(qtNameFilters(request.filter));
  dialog.setDefaultSuffix(request.defaultExtension);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<icon::Colour> QtDialogs::chooseColour(icon::Colour initial) {
  const QColor chosen = QColorDialog::getColor(QColor(toQRgb(initial)), QApplication::activeWindow());
  if (!chosen.isValid()) return std::nullopt;
  return fromQRgb(chosen.rgb());
}

std::optional<QString> FileDialog::run(Dialogs& dialogs) {
  auto chosen = dialogs.chooseFile(request);
  if (chosen) request.fileName = *chosen;
  return chosen;
}

}  // namespace toolkit
