#pragma once

namespace toolkit {

// Called once the QApplication exists: makes the program's own folder the
// working folder, so file dialogs without a folder open there, and puts
// Qt's own buttons and dialogs into Chinese.
void startToolkit();

}  // namespace toolkit
