#pragma once

#include "gui/common/Prompt.h"

namespace sf {

// Message boxes and file dialogs shown with Qt's own dialogs, over the active window.
class QtPrompt final : public Prompt {
public:
    Answer message(const QString& text, Buttons buttons, Icon icon) override;
    QString openFileName(const FileDialog& dialog) override;
    QString saveFileName(const FileDialog& dialog) override;
    QString text(const QString& label, bool secret) override;
    int choose(const Choice& choice) override;
};

} // namespace sf
