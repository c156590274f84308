// Starts like the program and ends as soon as the first window has been
// exposed and painted, so the runner can time start-up from outside.
// "main" opens the main window as app/main.cpp does; "empty" opens a bare
// QWidget instead, the baseline a Qt Widgets program cannot go below.

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/state.h"
#include "toolkit/dialogs.h"
#include "toolkit/startup.h"
#include "ui/main/main_window.h"

namespace {

// Ends the process after the first expose has been handled, which for a
// widget window includes painting it. _Exit leaves tear-down out of the time.
class EndAtFirstExpose : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && !queued_) {
      if (auto* window = qobject_cast<QWindow*>(watched); window && window->isExposed()) {
        queued_ = true;
        QTimer::singleShot(0, [] { std::_Exit(0); });
      }
    }
    return false;
  }

 private:
  bool queued_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const bool mainWindow = argc == 2 && std::strcmp(argv[1], "main") == 0;
  if (!mainWindow && !(argc == 2 && std::strcmp(argv[1], "empty") == 0)) {
    std::fprintf(stderr, "usage: %s main|empty\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  EndAtFirstExpose endAtFirstExpose;
  application.installEventFilter(&endAtFirstExpose);

  if (!mainWindow) {
    QWidget window;
    window.show();
    return QApplication::exec();
  }
  toolkit::startToolkit();
  app::State state;
  toolkit::QtDialogs dialogs;
  ui::MainWindow window(state, dialogs, [](int code) { QCoreApplication::exit(code); });
  window.open();
  return QApplication::exec();
}
