#pragma once

#include "base/Protocol.h"
#include "ftp/SiteTree.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QThread;
class QTimer;

namespace sf::ftp {

// How the scan logs in: each of its connections is a session of its own with these values.
struct ScanLogin {
    QString server;
    QString user;
    QString password; // or the key file's passphrase
    int port = 0;     // outside 1..65535: the protocol's default
    Protocol protocol = Protocol::Ftp;
    TrustPolicy trust = TrustPolicy::Ask;
    QString keyFile;
    bool passive = true;

    // From the values a project or the main window holds: the names without their spaces, the port
    // as its text reads for the protocol, passive unless the project's active mode is -1 (on).
    static ScanLogin of(const QString& server, const QString& user, const QString& password,
                        const QString& port, Protocol protocol, TrustPolicy trust, const QString& keyFile,
                        int activeMode);
};

struct ScanLimits {
    int depth = 32;                  // folders this deep are kept but not listed
    std::uint32_t entries = 1000000; // the scan stops when the tree holds this many
    int connections = 4;             // at most; fewer when the server refuses more; one in active mode
};

struct ScanProgress {
    std::uint32_t foldersDone = 0;
    std::uint32_t entries = 0;
    qint64 elapsedMs = 0;
    int connections = 0;
};

// A folder the server would not list, or a link the scan did not follow, and why.
struct ScanProblem {
    enum class Kind { Unlisted, LinkOutside, LinkLoop, LinkRepeated, LinkUnknown };
    Kind kind = Kind::Unlisted;
    QByteArray path; // below the scanned folder, the server's bytes
    QString message; // the server's reply, for a folder it did not list
};

struct ScanOutcome {
    QString failure;        // no connection could be made: nothing was listed
    QString connectionLost; // the server dropped the connection mid-scan: the tree is incomplete
    bool cancelled = false;
    bool depthLimit = false;
    bool entryLimit = false;
    int connections = 0; // the most that were open at once
    QList<ScanProblem> problems;
    int leftWaiting = 0; // folders a dropped connection left unlisted

    // Folders the scan found and could not list: refused by the server (also after trying again),
    // or left by a connection that dropped. Their entries are missing from the tree.
    int foldersNotListed() const;
    // Whether every folder (other than those a link limit left out) was listed.
    bool complete() const
    {
        return failure.isEmpty() && connectionLost.isEmpty() && !cancelled && !depthLimit && !entryLimit &&
               foldersNotListed() == 0;
    }
};

// Lists a server folder and everything below it over one or more connections at once.
//
// Each connection is a session of its own on a thread of its own, so that neither the window nor
// the other connections wait for a slow listing. The first connection logs in; once it has, the
// others try, and a server that refuses them leaves the scan with fewer. A certificate or host key
// that nothing vouches for is refused: connections made here ask nobody.
//
// Limits: folders at limits.depth are not listed; the scan stops at limits.entries entries. A link
// to a folder is followed when its target lies inside the scanned folder, is not the link's own
// folder or one above it (a loop), and no link to the same target was followed before; otherwise
// it stays an entry, not listed. A folder the server refuses with a passing refusal (421, 425, 426,
// 450: no data port free, too busy, the transfer aborted) is tried again, three times in all, after
// a pause that grows (through Wait, whose pause tests replace). A folder the server does not list
// is a problem, and the scan goes on, incomplete. A connection that drops gives its folder back to
// the others; when the last one drops the scan ends incomplete.
class SiteScan : public QObject {
    Q_OBJECT
public:
    // folder: the server path to scan, as nameFromServer holds it; empty: the login folder.
    SiteScan(const ScanLogin& login, const QString& folder, const ScanLimits& limits = {},
             QObject* parent = nullptr);
    ~SiteScan() override; // cancels, and waits for the connections to close

    void start();
    // Stops every listing; finished follows within a second.
    void cancel();
    // Starts and lets events run until the scan has finished.
    void run();
    bool isRunning() const { return m_running; }
    ScanProgress progress() const;

    // After finished: the folder scanned (the login folder's path when none was given), the tree and
    // how it went.
    QString folder() const;
    const SiteTree& tree() const;
    std::shared_ptr<const SiteTree> sharedTree() const;
    const ScanOutcome& outcome() const { return m_outcome; }

    class Shared;

signals:
    void progressed(const sf::ftp::ScanProgress& progress);
    void finished();

private:
    void startWorker(int index);
    void workerConnected();
    void workerFinished();
    void end();

    ScanLogin m_login;
    ScanLimits m_limits;
    std::shared_ptr<Shared> m_shared;
    std::vector<QThread*> m_workers;
    int m_runningWorkers = 0;
    bool m_running = false;
    QElapsedTimer m_clock;
    QTimer* m_progressTimer = nullptr;
    ScanOutcome m_outcome;
};

} // namespace sf::ftp
