#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace sf::test {

Prompt::Answer ScriptedPrompt::message(const QString& text, Buttons buttons, Icon)
{
    m_shown.append({Kind::Message, text, buttons, {}, {}});
    if (m_answers.isEmpty()) {
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return buttons == Buttons::YesNo || buttons == Buttons::Trust ? Answer::No : Answer::Cancel;
    }
    return m_answers.dequeue();
}

int ScriptedPrompt::choose(const Choice& choice)
{
    m_shown.append({Kind::Message, choice.text, Buttons::Ok, {}, choice});
    if (m_presses.isEmpty()) {
        ADD_FAILURE() << "unexpected question: " << choice.text.toStdString();
        return choice.cancelButton;
    }
    const QString caption = m_presses.dequeue();
    if (caption.isEmpty())
        return choice.defaultButton;
    const auto index = static_cast<int>(choice.buttons.indexOf(caption));
    if (index < 0)
        ADD_FAILURE() << "no button \"" << caption.toStdString() << "\" in: " << choice.text.toStdString();
    return index < 0 ? choice.cancelButton : index;
}

QString ScriptedPrompt::openFileName(const FileDialog& dialog)
{
    return nextFile(Kind::OpenFile, dialog);
}

QString ScriptedPrompt::saveFileName(const FileDialog& dialog)
{
    return nextFile(Kind::SaveFile, dialog);
}

QString ScriptedPrompt::text(const QString& label, bool)
{
    m_shown.append({Kind::Text, label, Buttons::Ok, {}, {}});
    if (m_texts.isEmpty()) {
        ADD_FAILURE() << "unexpected request for text: " << label.toStdString();
        return {};
    }
    return m_texts.dequeue();
}

QString ScriptedPrompt::nextFile(Kind kind, const FileDialog& dialog)
{
    m_shown.append({kind, dialog.filter, Buttons::Ok, dialog, {}});
    if (m_files.isEmpty()) {
        ADD_FAILURE() << "unexpected file dialog: " << dialog.filter.toStdString();
        return {};
    }
    return m_files.dequeue();
}

QStringList ScriptedPrompt::messages() const
{
    QStringList texts;
    for (const Shown& s : m_shown) {
        if (s.kind == Kind::Message)
            texts << s.text;
    }
    return texts;
}

void ScriptedPrompt::reset()
{
    m_answers.clear();
    m_files.clear();
    m_texts.clear();
    m_presses.clear();
    m_shown.clear();
}

ScriptedPrompt& scriptedPrompt()
{
    static ScriptedPrompt prompt;
    return prompt;
}

} // namespace sf::test
