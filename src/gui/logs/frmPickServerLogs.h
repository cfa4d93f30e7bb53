#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class cFTP;

namespace sf {

// "Logs on the server": the folder of the main window's FTP session, browsed as the main window
// browses it (a folder opens on a double-click, ".." goes up), its files chosen and downloaded in
// binary into a local folder. Runs modally, so that nothing else starts a transfer meanwhile; the
// session's own transfers keep the windows painted. The session is left in the folder it was in.
class frmPickServerLogs : public QDialog {
    Q_OBJECT
public:
    // downloadFolder: an existing local folder the chosen files are written into.
    frmPickServerLogs(cFTP& session, QString downloadFolder, QWidget* parent = nullptr);
    ~frmPickServerLogs() override;

    // Lists the session's current folder.
    void refresh();
    // The local copies of the files downloaded, in the order chosen.
    const QStringList& downloaded() const { return m_downloaded; }
    // One line per file that could not be downloaded: its path on the server and the reason.
    const QStringList& failures() const { return m_failures; }

private:
    void openRow(const QListWidgetItem* row); // a folder (or "..") entered
    void downloadChosen();
    void updateButtons();

    cFTP& m_session;
    QString m_downloadFolder;
    QString m_startFolder; // the folder the session was in when the window opened
    QListWidget* m_list = nullptr;
    QLabel* m_folder = nullptr;
    QPushButton* m_download = nullptr;
    QStringList m_downloaded;
    QStringList m_failures;
};

} // namespace sf
