#pragma once

#include <QObject>
#include <QString>

class QLabel;

namespace sf {

class Inet;
class InetStatus;
class UpdateTab;
struct Component;
struct DownloadResult;

// The commands of the update tab: the online version check and "Update now!", which downloads the
// robot database, Renewkit and the help file as their versions differ, and for a new main program
// hands over to Renewkit and closes the program.
class UpdateCommands : public QObject {
    Q_OBJECT
public:
    explicit UpdateCommands(UpdateTab& tab);

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
    void showMessage(const QString& text, bool red, bool bold);
    bool differs(const QLabel* local, const QLabel* online) const;
    bool download(const Component& component);
    void reportFailure(const QString& target, const DownloadResult& result);
    void restartWithRenewkit();
    void showRefreshedVersions();
    void closeWindow();

    UpdateTab& m_tab;
    Inet* m_inet = nullptr;
    Inet* m_inet1 = nullptr;
    InetStatus* m_status = nullptr;
    bool m_updating = false;
    bool m_cancelled = false;
};

} // namespace sf
