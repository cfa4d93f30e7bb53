#pragma once

#include "support/QtPrinters.h"

#include "gui/common/Prompt.h"

#include <QList>
#include <QQueue>

namespace sf::test {

// Answers the program's questions from a script, so that no test ever waits on a modal dialog.
// A message with only an OK button is answered by itself; a question, a file dialog or a text without a
// scripted answer fails the test. Everything shown is recorded.
class ScriptedPrompt final : public Prompt {
public:
    enum class Kind { Message, OpenFile, SaveFile, Text };
    struct Shown {
        Kind kind;
        QString text; // the message, the dialog's filter, or the label of a text asked for
        Buttons buttons = Buttons::Ok;
        FileDialog dialog;
        Choice choice; // for a question with named buttons
    };

    void answerNext(Answer answer) { m_answers.enqueue(answer); }
    // The next file dialog returns this path; an empty path cancels it.
    void chooseFileNext(const QString& path) { m_files.enqueue(path); }
    // The next request for a line of text gets this; a null text cancels it.
    void typeNext(const QString& typed) { m_texts.enqueue(typed); }
    // The next question with named buttons is answered with the button of that caption; an empty
    // caption presses the default button, as Enter does.
    void pressNext(const QString& caption) { m_presses.enqueue(caption); }

    Answer message(const QString& text, Buttons buttons, Icon icon) override;
    QString openFileName(const FileDialog& dialog) override;
    QString saveFileName(const FileDialog& dialog) override;
    QString text(const QString& label, bool secret) override;
    int choose(const Choice& choice) override;

    const QList<Shown>& shown() const { return m_shown; }
    QStringList messages() const;
    int pendingAnswers() const
    {
        return static_cast<int>(m_answers.size() + m_files.size() + m_texts.size() + m_presses.size());
    }
    void reset();

private:
    QString nextFile(Kind kind, const FileDialog& dialog);

    QQueue<Answer> m_answers;
    QQueue<QString> m_files;
    QQueue<QString> m_texts;
    QQueue<QString> m_presses;
    QList<Shown> m_shown;
};

// The prompt that the test main installs for every test.
ScriptedPrompt& scriptedPrompt();

} // namespace sf::test
