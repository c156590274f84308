#include "toolkit/startup.h"

#include <QApplication>
#include <QDir>
#include <QFont>

namespace toolkit {

void startToolkit() {
  QDir::setCurrent(QCoreApplication::applicationDirPath());
  // The layouts were drawn for a 12-pixel Chinese dialog font; wider Latin
  // fonts would clip captions such as "16×16,32×32".
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), font.family()});
  font.setPixelSize(12);
  QApplication::setFont(font);
}

}  // namespace toolkit
