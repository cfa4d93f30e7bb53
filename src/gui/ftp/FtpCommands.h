#pragma once

#include "base/Result.h"
#include "ftp/cFTP.h"
#include "gui/ftp/FtpWindow.h"
#include "gui/ftp/PromptTrustDecider.h"
#include "gui/ftp/RemoteBrowser.h"
#include "history/PublishHistory.h"

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

    // Connects and shows the folder. A failure is shown in a message box while the window is on the
    // screen; with `reportInStatusBar` (the connect at start-up) only in the status bar.
    bool ConnectFtp(bool reportInStatusBar = false);
    void DisconnectFtp();
    void RefreshRemoteList();
    void lv_DblClick(QTreeWidgetItem* row);
    void UploadRobotsFile();
    // Publishes a kept version of robots.txt as an upload publishes the grid's: asked about first
    // (setKeptCheck), recorded, then told and checked on the live site.
    void RestoreRobotsFile(const QByteArray& text);
    // Reads "robots.txt" of the folder shown, in binary so that its bytes arrive as they are; a
    // failure carries the session's message (none when busy or not connected).
    Result<void> downloadRobotsFile(QByteArray& bytes);
    // Asked before every upload; returning false stops the upload before anything is sent.
    void setUploadCheck(std::function<bool()> check) { m_uploadCheck = std::move(check); }
    // Asked before a kept version is published, with its bytes.
    void setKeptCheck(std::function<bool(const QByteArray&)> check) { m_keptCheck = std::move(check); }
    // Where publishes are recorded (history/PublishHistory.h): the login connected to (or, without a
    // connection, the one in the window's fields) and the site folder.
    history::Place historyPlace();
    QString remoteDirectory();
    // Whether the folder shown was listed whole: false after a cut listing.
    bool listingComplete() const { return m_browser.outcome() == cFTP::Listing::Complete; }
    // A failure's reason as the user reads it: the error text, or a word that there was none.
    static QString reasonText(const QString& error);

    // The site (see rules/SiteFolder.h): Connect opens the project's site folder, and robots.txt is
    // read from and uploaded to its top whatever folder is shown.
    QString siteFolder() const;
    // The folder robots.txt goes into: the site folder, or the folder shown when none is set.
    QString uploadFolder();
    // Without a site folder, whether a file for the top of the site may go into the folder shown
    // when that is not the login folder: the user's answer to `question` (%1: the folder). True at
    // once with a site folder or in the login folder.
    bool confirmFolderShown(const QString& question);
    // A site folder typed without its leading "/" becomes the absolute folder below the one the
    // server logged in to (rules/SiteFolder.h), stored in the project, which is then modified; while
    // connected only, as that folder is known then.
    void makeSiteFolderAbsolute();
    // Told the bytes sent after every successful upload.
    void setAfterUpload(std::function<void(const QByteArray&)> after) { m_afterUpload = std::move(after); }
    // Reads robots.txt at a path of the server (in binary, as downloadRobotsFile does).
    Result<void> downloadFile(const QString& remotePath, QByteArray& bytes);

    // Transfer options: the project's flag, the session's mode, and the modified mark.
    void optActive_Click();
    void optPassive_Click();
    void optAscii_Click();
    void optBin_Click();
    // Sets the session's modes without marking anything (new and opened projects).
    void setSessionModes(bool active, bool binary);

    // "Upload complete in 1,234.50 seconds." with the user's separators.
    static QString uploadCompleteText(double seconds);
    // Where the file went, then how long it took.
    static QString uploadedText(const QString& folder, double seconds);
    // The line that says how robots.txt reached the server, and the size the server confirmed (-1:
    // it told none).
    static QString publishMethodText(cFTP::PublishMethod method, qint64 checkedSize);

private:
    // Where a connection starts: FTP at "/", SFTP in the login's home; then the site folder when one
    // is set (a missing one is reported once the connect is over).
    void enterStartFolder(ftp::Protocol protocol);
    void afterConnect();
    // Asks whether the one folder of the login folder named like a web root is the site folder.
    void offerSiteFolder();
    QString siteFolderCandidate();
    QString matchLiveFile(const QStringList& candidates);
    // Without a site folder, whether the folder shown is another than the login folder: a file for
    // the top of the site may then be in the wrong place.
    bool folderShownMayMissTheTop();
    // Without a site folder, asks before robots.txt goes into a folder below the login folder.
    bool confirmUploadFolder();
    bool publishToSite(const QString& local, cFTP::PublishMethod* method);
    void returnToShownFolder();
    void tellUploaded(const QString& local);
    bool askForMissingPassword(ConnectionFields& fields);
    Result<void> writeTemporaryFile(const QString& path, const QByteArray* kept);
    // The grid's robots.txt, or the kept version given.
    void publishRobots(const QByteArray* kept);
    bool publishAndTell(const QString& temp, const QString& folder);
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
    std::function<bool(const QByteArray&)> m_keptCheck;
    std::function<void(const QByteArray&)> m_afterUpload;
    bool m_reportInStatusBar = false;   // the connect running reports only in the status bar
    QString m_entryFolder;              // the folder the server logged in to
    QString m_loginFolder;              // where the connection started
    QString m_missingSiteFolder;        // the site folder that could not be opened at connect
    QString m_returnFolder;             // the folder shown before an upload entered the site folder
    ConnectionFields m_connectedFields; // the login of the connection
    QString m_recordError;              // why the last publish was not recorded; empty when it was
};

} // namespace sf
