#include "toolkit/startup.h"

#include <QCoreApplication>
#include <QDir>

namespace toolkit {

void startToolkit() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

}  // namespace toolkit
