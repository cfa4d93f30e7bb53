#pragma once

#include "logs/AccessLogReader.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace sf {

// "Read the server's logs…": access logs read against the grid's robots.txt, on a thread of their
// own so that the window stays live, with a progress bar and Cancel. The table shows per robot what
// it asked for and what robots.txt refuses it, the worst offenders on top; "Block in robots.txt" and
// "Enforce at the web server…" hand the chosen robots' tokens on.
class frmReadLogs : public QDialog {
    Q_OBJECT
public:
    // robotsTxt: the robots.txt in force; robotDatabase: the robots.rbd whose robots are told apart.
    frmReadLogs(QByteArray robotsTxt, QString robotDatabase, QWidget* parent = nullptr);
    ~frmReadLogs() override;

    // Where "Add files on the server…" gets local copies of the server's logs; the button is off
    // while nothing is set.
    void setServerFiles(std::function<QStringList()> fetch);
    void addLogs(const QStringList& paths);
    void startReading();
    bool isReading() const { return m_worker.joinable(); }
    // The last reading's counts, when one ended well.
    const std::optional<logs::AuditReport>& report() const { return m_report; }

signals:
    void blockRequested(const QStringList& tokens);
    void enforceRequested(const QStringList& tokens);

private:
    void createControls();
    void addLocalFile();
    void poll();
    void showReport(const logs::AuditReport& report);
    void updateButtons();
    QStringList chosenTokens() const;

    QByteArray m_robotsTxt;
    QString m_robotDatabase;
    std::function<QStringList()> m_serverFiles;
    QListWidget* m_logList = nullptr;
    QPushButton *m_addLocal = nullptr, *m_addServer = nullptr, *m_read = nullptr, *m_cancel = nullptr;
    QPushButton *m_block = nullptr, *m_enforce = nullptr;
    QComboBox* m_reader = nullptr;
    QProgressBar* m_progress = nullptr;
    QTreeWidget* m_table = nullptr;
    QLabel* m_visitors = nullptr;
    QTimer* m_poll = nullptr;

    // What the reading thread uses and gives back; the thread is joined before they are touched.
    struct Run;
    std::unique_ptr<Run> m_run;
    std::thread m_worker;
    std::optional<logs::AuditReport> m_report;
};

} // namespace sf
