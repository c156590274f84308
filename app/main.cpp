// Start-up and end of the program.

#include <QApplication>
#include <QIcon>

#include "app/state.h"
#include "toolkit/dialogs.h"
#include "toolkit/startup.h"
#include "ui/main/main_window.h"

namespace {

// Releases the state's buffers once, however the event loop ended.
class ExitRoutine {
 public:
  explicit ExitRoutine(app::State& state) : state_(state) {}
  ExitRoutine(const ExitRoutine&) = delete;
  ExitRoutine& operator=(const ExitRoutine&) = delete;
  ~ExitRoutine() { state_.releaseBuffers(); }

 private:
  app::State& state_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvel.png")));
  toolkit::startToolkit();
  app::State state;
  const ExitRoutine exitRoutine(state);
  toolkit::QtDialogs dialogs;
  ui::MainWindow window(state, dialogs, [](int code) { QCoreApplication::exit(code); });
  window.open();
  return QApplication::exec();
}
