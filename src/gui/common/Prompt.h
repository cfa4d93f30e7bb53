#pragma once

#include <QString>
#include <QStringList>

namespace sf {

// The one seam through which the program asks the user something: message boxes, file dialogs and a
// line of text.
// The program installs a widget-based implementation; tests install one that answers from a script.
class Prompt {
public:
    // Trust: "Always", "This time" and "No", for a certificate or host key met for the first time.
    enum class Buttons { Ok, YesNo, YesNoCancel, Trust };
    enum class Answer { Ok, Yes, No, Cancel, Always, ThisTime };
    enum class Icon { None, Information, Question, Warning, Critical };

    struct FileDialog {
        QString caption;
        QString filter;      // in the form "Spiderfence Project (*.sfp)"
        QString initialPath; // file name or whole path offered first
        bool confirmOverwrite = false;
    };

    // A question with buttons named for what they do. Enter presses the default button; Escape, or
    // closing the box, the cancel button.
    struct Choice {
        QString text;
        QStringList buttons;
        int defaultButton = 0;
        int cancelButton = 0;
        Icon icon = Icon::Question;
    };

    virtual ~Prompt() = default;
    // Shows a message box titled with the program's name.
    virtual Answer message(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // Returns the chosen path, or an empty text when the dialog was cancelled.
    virtual QString openFileName(const FileDialog& dialog) = 0;
    virtual QString saveFileName(const FileDialog& dialog) = 0;
    // Asks for a line of text, shown as dots when secret; a null text when the user cancelled.
    virtual QString text(const QString& label, bool secret) = 0;
    // Returns the index of the button pressed.
    virtual int choose(const Choice& choice) = 0;

    static Prompt& instance();
    // Installs the implementation in use; the caller keeps ownership. nullptr restores the silent default.
    static void setInstance(Prompt* prompt);
};

inline Prompt& prompts()
{
    return Prompt::instance();
}

} // namespace sf
