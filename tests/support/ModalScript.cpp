#include "support/ModalScript.h"

#include "gui/common/ModalRunner.h"

#include <gtest/gtest.h>

namespace sf::test {

ModalScript::ModalScript()
{
    setModalRunner([this](QDialog& dialog) { return run(dialog); });
}

ModalScript::~ModalScript()
{
    setModalRunner(unscriptedModal);
    EXPECT_TRUE(m_steps.isEmpty()) << m_steps.size() << " scripted modal windows never opened";
}

int ModalScript::run(QDialog& dialog)
{
    m_opened << dialog.windowTitle();
    dialog.setResult(0);
    dialog.show();
    if (m_steps.isEmpty()) {
        ADD_FAILURE() << "modal window \"" << dialog.windowTitle().toStdString() << "\" opened unexpectedly";
    } else {
        const Step step = m_steps.dequeue();
        step(dialog);
    }
    if (dialog.isVisible())
        dialog.reject();
    if (dialog.isVisible()) {
        ADD_FAILURE() << "modal window \"" << dialog.windowTitle().toStdString() << "\" refused to close";
        dialog.hide();
    }
    return dialog.result();
}

void ModalScript::failWrongWindow(const QDialog& dialog, const char* expected)
{
    ADD_FAILURE() << "expected a " << expected << ", got \"" << dialog.windowTitle().toStdString() << "\"";
}

int unscriptedModal(QDialog& dialog)
{
    ADD_FAILURE() << "modal window \"" << dialog.windowTitle().toStdString() << "\" opened without a script";
    return QDialog::Rejected;
}

} // namespace sf::test
