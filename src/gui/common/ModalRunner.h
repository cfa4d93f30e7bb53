#pragma once

#include <functional>

class QDialog;

namespace sf {

// Every modal window of the program is shown through this one function, so that the way a modal
// window runs can be replaced: the program runs QDialog::exec(); tests install a runner that works
// with the shown window and closes it, without a nested event loop waiting for a user.
using ModalRunner = std::function<int(QDialog& dialog)>;

// Shows the dialog modally and returns its result code once it is closed.
int runModal(QDialog& dialog);

// Installs the runner in use; an empty runner restores QDialog::exec().
void setModalRunner(ModalRunner runner);

} // namespace sf
