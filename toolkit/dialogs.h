#pragma once
// Message boxes, file dialogs and the colour dialog, behind one interface so
// the window handlers can be driven by a script in tests.

#include <QString>
#include <optional>

#include "icon/types.h"

namespace toolkit {

// A message box's icon and buttons, and the button that closed it.
enum class MessageKind { warningOk, informationOk, informationYesNo };
enum class Answer { ok, yes, no };

enum class FileDialogKind { open, save };

struct FileRequest {
  FileDialogKind kind = FileDialogKind::open;
  QString filter;            // "description|pattern|description|pattern"; patterns split by ';'
  QString fileName;          // initial file name, maybe a full path
  QString defaultExtension;  // appended to a saved name that has none
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal for the whole program.
  virtual Answer messageBox(const QString& text, MessageKind kind, const QString& title) = 0;
  // The chosen full path, or nothing when cancelled.
  virtual std::optional<QString> chooseFile(const FileRequest& request) = 0;
  // A colour, never the default-colour marker; nothing when cancelled.
  virtual std::optional<icon::Colour> chooseColour(icon::Colour initial) = 0;
};

// The real dialogs.
class QtDialogs final : public Dialogs {
 public:
  Answer messageBox(const QString& text, MessageKind kind, const QString& title) override;
  std::optional<QString> chooseFile(const FileRequest& request) override;
  std::optional<icon::Colour> chooseColour(icon::Colour initial) override;
};

// A file dialog control: its settings persist between uses, and the path
// chosen last becomes the file name the next use starts with.
class FileDialog {
 public:
  FileRequest request;

  std::optional<QString> run(Dialogs& dialogs);
};

// "desc|*.a;*.b|desc2|*.*" as Qt's name filters: "desc (*.a *.b)", "desc2 (*)".
QStringList qtNameFilters(const QString& filter);

}  // namespace toolkit
