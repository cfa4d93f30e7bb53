#pragma once

#include "support/QtPrinters.h"

#include "app/Prompt.h"

#include <QList>
#include <QQueue>

namespace sf::test {

// Answers the program's questions from a script, so that no test ever waits on a modal dialog.
// A message with only an OK button is answered by itself; a question or a file dialog without a
// scripted answer fails the test. Everything shown is recorded.
class ScriptedPrompt final : public Prompt {
public:
    enum class Kind { Message, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString text; // the message, or the dialog's filter
        Buttons buttons = Buttons::Ok;
        FileDialog dialog;
    };

    void answerNext(Answer answer) { m_answers.enqueue(answer); }
    // The next file dialog returns this path; an empty path cancels it.
    void chooseFileNext(const QString& path) { m_files.enqueue(path); }

    Answer message(const QString& text, Buttons buttons, Icon icon) override;
    QString openFileName(const FileDialog& dialog) override;
    QString saveFileName(const FileDialog& dialog) override;

    const QList<Shown>& shown() const { return m_shown; }
    QStringList messages() const;
    int pendingAnswers() const { return static_cast<int>(m_answers.size() + m_files.size()); }
    void reset();

private:
    QString nextFile(Kind kind, const FileDialog& dialog);

    QQueue<Answer> m_answers;
    QQueue<QString> m_files;
    QList<Shown> m_shown;
};

// The prompt that the test main installs for every test.
ScriptedPrompt& scriptedPrompt();

} // namespace sf::test
