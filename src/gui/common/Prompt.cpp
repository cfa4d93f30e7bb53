#include "gui/common/Prompt.h"

namespace sf {
namespace {

// Used until a window installs the real one: answers every question with its safest choice.
class SilentPrompt final : public Prompt {
public:
    Answer message(const QString&, Buttons buttons, Icon) override
    {
        return buttons == Buttons::Ok ? Answer::Ok
                                      : (buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
    }
    QString openFileName(const FileDialog&) override { return {}; }
    QString saveFileName(const FileDialog&) override { return {}; }
    QString text(const QString&, bool) override { return {}; }
    int choose(const Choice& choice) override { return choice.cancelButton; }
};

SilentPrompt g_silent;
Prompt* g_current = &g_silent;

} // namespace

Prompt& Prompt::instance()
{
    return *g_current;
}

void Prompt::setInstance(Prompt* prompt)
{
    g_current = prompt ? prompt : &g_silent;
}

} // namespace sf
