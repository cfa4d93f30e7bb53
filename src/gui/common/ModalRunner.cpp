#include "gui/common/ModalRunner.h"

#include <QDialog>

namespace sf {
namespace {

ModalRunner& currentRunner()
{
    static ModalRunner runner;
    return runner;
}

} // namespace

int runModal(QDialog& dialog)
{
    // Copied, so that a runner may install another one while its window is shown.
    const ModalRunner runner = currentRunner();
    if (runner)
        return runner(dialog);
    return dialog.exec();
}

void setModalRunner(ModalRunner runner)
{
    currentRunner() = std::move(runner);
}

} // namespace sf
