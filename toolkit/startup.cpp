#include "toolkit/startup.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace toolkit {

void startToolkit() {
  QDir::setCurrent(QCoreApplication::applicationDirPath());
  // The program's own texts are Chinese whatever the locale, so the buttons
  // and dialogs Qt draws must be too.
  auto* translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  // The layouts were drawn for a 12-pixel Chinese dialog font; wider Latin
  // fonts would clip captions such as "16×16,32×32".
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), font.family()});
  font.setPixelSize(12);
  QApplication::setFont(font);
  // Group boxes draw their frame through the middle of the caption, so the
  // controls laid out just below the caption sit inside the frame.
  qApp->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; padding: 0 2px; }"));
}

}  // namespace toolkit
