#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace sf {

class UpdateCommands;

// The " Update Spiderfence" tab of the options window: the local and online versions of the
// program, the robot list and Renewkit, the message and transfer status, the download progress and
// the two commands.
class UpdateTab : public QWidget {
    Q_OBJECT
public:
    explicit UpdateTab(QWidget* parent = nullptr);

    // The texts the tab shows when the window opens: nothing checked, nothing to update.
    void setInitialTexts();

    // "Check online for update": asks the web service for the current versions.
    void CheckOnline_Click();
    // "Update now!": downloads every component whose version differs.
    void Command1_Click();
    // The window closes: a running download stops.
    void cancelTransfer();

    // Controls, named as the program names them.
    QGroupBox* Frame1 = nullptr;  // "Online information"
    QLabel* versionSF = nullptr;  // the program's version
    QLabel* versionSFO = nullptr; // ... online
    QLabel* Label4 = nullptr;     // the robot list's version
    QLabel* versionRol = nullptr; // ... online
    QLabel* Label11 = nullptr;    // Renewkit's version
    QLabel* Label13 = nullptr;    // ... online
    QLabel* Label7 = nullptr;     // the message
    QLabel* InetMsg = nullptr;    // the transfer status
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* CheckOnline = nullptr;
    QPushButton* Command1 = nullptr;

    UpdateCommands* commands() const { return m_commands; }

signals:
    // After an update the robot database may have changed: the robot lists read it again.
    void reloadRobotLists();

private:
    QLabel* valueLabel(const char* name);

    UpdateCommands* m_commands = nullptr;
};

} // namespace sf
