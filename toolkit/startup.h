#pragma once

namespace toolkit {

// Called once the QApplication exists: makes the program's own folder the
// working folder, so file dialogs without a folder open there.
void startToolkit();

}  // namespace toolkit
