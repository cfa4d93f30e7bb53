#pragma once

#include "gui/online/UpdateCommands.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace sf {

// The " Update Spiderfence" tab of the options window: the local and online versions of the
// program, the robot list and Renewkit, the message and transfer status, the download progress and
// the two commands. Its commands see it as an UpdateView. In a packaged install it says that updates
// come through the package manager, offers neither command and shows no Renewkit row.
class UpdateTab : public QWidget, public UpdateView {
    Q_OBJECT
public:
    explicit UpdateTab(QWidget* parent = nullptr);

    // The texts the tab shows when the window opens: nothing checked, nothing to update.
    void setInitialTexts();
    void setProgramVersion(const QString& version);

    // "Check online for update": asks the web service for the current versions.
    void CheckOnline_Click();
    // Clicks "Check online for update" once the window's events run, so that the user sees it work.
    void checkWhenShown();
    // "Update now!": downloads every component whose version differs.
    void Command1_Click();
    // The window closes: a running download stops.
    void cancelTransfer();

    ComponentVersions localVersions() const override;
    ComponentVersions onlineVersions() const override;
    void setOnlineVersions(const ComponentVersions& online) override;
    void setInstalledVersions(const QString& robotList, const QString& renewkit) override;
    void showMessage(const QString& text, bool red, bool bold) override;
    void setTransferStatus(const QString& text) override;
    void setCheckEnabled(bool enabled) override;
    void setUpdateEnabled(bool enabled) override;
    void setProgressMaximum(int kilobytes) override;
    void setProgress(int kilobytes) override;
    bool closeMainWindow() override;
    void closeOptionsWindow() override;

    UpdateCommands* commands() const { return m_commands; }

signals:
    // After an update the robot database may have changed: the robot lists read it again.
    void reloadRobotLists();

private:
    QLabel* valueLabel(const char* name);
    void createVersionGrid();
    void createButtons();

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

    UpdateCommands* m_commands = nullptr;
    const bool m_packaged;
};

} // namespace sf
