#pragma once

#include "base/Result.h"
#include "ftp/cFTP.h"
#include "gui/ftp/FtpWindow.h"
#include "gui/ftp/PromptTrustDecider.h"
#include "gui/ftp/RemoteBrowser.h"

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace sf {

// The main window's FTP commands: connect, disconnect, refresh, navigate and upload, and the four
// transfer options. Owns the window's one FTP session; shows the server's folder in the window's list.
class FtpCommands {
public:
    FtpCommands(FtpWindow& window, QTreeWidget* lv);

    cFTP& session() { return m_session; }
    const cFTP& session() const { return m_session; }

    bool ConnectFtp();
    void DisconnectFtp();
    void RefreshRemoteList();
    void lv_DblClick(QTreeWidgetItem* row);
    void UploadRobotsFile();
    // Reads "robots.txt" of the folder shown, in binary so that its bytes arrive as they are; a
    // failure carries the session's message (none when busy or not connected).
    Result<void> downloadRobotsFile(QByteArray& bytes);
    // Asked before every upload; returning false stops the upload before anything is sent.
    void setUploadCheck(std::function<bool()> check) { m_uploadCheck = std::move(check); }
    QString remoteDirectory();

    // Transfer options: the project's flag, the session's mode, and the modified mark.
    void optActive_Click();
    void optPassive_Click();
    void optAscii_Click();
    void optBin_Click();
    // Sets the session's modes without marking anything (new and opened projects).
    void setSessionModes(bool active, bool binary);

    // "Upload complete in 1,234.50 seconds." with the user's separators.
    static QString uploadCompleteText(double seconds);
    // The line that says how robots.txt reached the server.
    static QString publishMethodText(cFTP::PublishMethod method);

private:
    bool askForMissingPassword(ConnectionFields& fields);
    bool writeTemporaryFile(const QString& path);
    void showFolder(const QString& status);
    // The window's controls follow the session; without a connection the remote list is emptied.
    void showConnectedState(bool connected);
    // The last operation ended because a Disconnect or Close Project stopped it.
    bool stoppedByUser() const;
    void showError();

    FtpWindow& m_window;
    PromptTrustDecider m_trustDecider; // before the session, which asks it
    cFTP m_session;
    RemoteBrowser m_browser;
    std::function<bool()> m_uploadCheck;
};

} // namespace sf
