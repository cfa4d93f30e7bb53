#pragma once

#include <QDialog>
#include <QQueue>
#include <QStringList>

#include <functional>

namespace sf::test {

// Runs the program's modal windows without a nested event loop. Each window the program opens
// modally is shown and handed to the next scripted step, which works with it as a user would (and
// lets pending events run when it needs them); afterwards the window is closed as Escape would
// close it, unless the step closed it already. A window opened with no step left fails the test.
class ModalScript {
public:
    using Step = std::function<void(QDialog&)>;

    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    void next(Step step) { m_steps.enqueue(std::move(step)); }
    // A step for a window of a known class; the test fails when another kind of window opens.
    template <typename Window> void next(std::function<void(Window&)> step)
    {
        next([step](QDialog& dialog) {
            auto* window = qobject_cast<Window*>(&dialog);
            if (!window) {
                failWrongWindow(dialog, Window::staticMetaObject.className());
                return;
            }
            step(*window);
        });
    }

    // The titles of the windows opened so far, in order.
    const QStringList& opened() const { return m_opened; }
    int pendingSteps() const { return static_cast<int>(m_steps.size()); }

private:
    int run(QDialog& dialog);
    static void failWrongWindow(const QDialog& dialog, const char* expected);

    QQueue<Step> m_steps;
    QStringList m_opened;
};

// The runner the test main installs: a modal window that no script expects fails the test at once.
int unscriptedModal(QDialog& dialog);

} // namespace sf::test
