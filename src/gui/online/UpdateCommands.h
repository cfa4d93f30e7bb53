#pragma once

#include "online/UpdateCheck.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QEventLoop;

namespace sf {

class Inet;
class InetStatus;
struct Component;

// What the update commands need of their tab: the versions it shows, the message, the transfer
// status, the progress and its two commands, and the windows an update closes.
class UpdateView {
public:
    virtual ~UpdateView() = default;

    // The versions of the program, the robot list and Renewkit here, and as announced online.
    virtual ComponentVersions localVersions() const = 0;
    virtual ComponentVersions onlineVersions() const = 0;
    virtual void setOnlineVersions(const ComponentVersions& online) = 0;
    // The robot list's and Renewkit's versions after a download.
    virtual void setInstalledVersions(const QString& robotList, const QString& renewkit) = 0;
    virtual void showMessage(const QString& text, bool red, bool bold) = 0;
    virtual void setTransferStatus(const QString& text) = 0;
    virtual void setCheckEnabled(bool enabled) = 0;
    virtual void setUpdateEnabled(bool enabled) = 0;
    virtual void setProgressMaximum(int kilobytes) = 0;
    virtual void setProgress(int kilobytes) = 0;
    // Closing the main window may be refused (its save question); false then.
    virtual bool closeMainWindow() = 0;
    virtual void closeOptionsWindow() = 0;
};

// The commands of the update tab: the online version check and "Update now!", which downloads the
// robot database, Renewkit and the help file as their versions differ, and for a new main program
// hands over to Renewkit and closes the program.
class UpdateCommands : public QObject {
    Q_OBJECT
public:
    UpdateCommands(UpdateView& view, QObject* parent);

    // "Check online for update".
    void CheckOnline_Click();
    // "Update now!".
    void Command1_Click();
    // The options window closes: both transfers stop, and a running update ends without a word.
    void cancelTransfer();

    // The transfer controls: "Inet" for the version page (its states show in InetMsg), "Inet1" for
    // the downloads.
    Inet* inet() const { return m_inet; }
    Inet* inet1() const { return m_inet1; }

signals:
    // The robot database may have changed: the robot lists of the options window and of the main
    // window read it again (RobotListVersion follows).
    void reloadRobotLists();

private:
    bool download(const Component& component, bool failureStops = true);
    bool pause(int milliseconds);
    void reportFailure(const QString& target, const Result<void>& result, bool closes = true);
    void restartWithRenewkit();
    void showRefreshedVersions();
    void closeWindow();

    UpdateView& m_view;
    Inet* m_inet = nullptr;
    Inet* m_inet1 = nullptr;
    InetStatus* m_status = nullptr;
    std::optional<VersionPage> m_page; // of the last check
    QPointer<QEventLoop> m_pause;
    bool m_updating = false;
    bool m_cancelled = false;
};

} // namespace sf
