#include "ftp/SiteScan.h"

#include "base/CodePage.h"
#include "ftp/RemoteName.h"
#include "ftp/cFTP.h"
#include "transfer/Curl.h"
#include "transfer/Wait.h"

#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace sf::ftp {
namespace {

constexpr int kProgressMs = 100;
// A folder refused in passing is listed at most this often, with a pause before each new try that
// grows by this much (in Wait's units of half a second: 250 ms, then 500 ms).
constexpr int kTries = 3;
constexpr float kPauseStep = 0.5f;

// A folder a connection lists: its index in the tree and its server path.
struct Job {
    std::uint32_t folder = 0;
    QString path;
};

// A listing as a connection got it: the entries, the link targets beside them, and the failure.
struct Listing {
    std::vector<SiteTree::Listed> entries;
    std::vector<QString> linkTargets;
    bool failed = false;
    QString message;
};

QString joinedPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool isAtOrBelow(const QString& path, const QString& folder)
{
    return path == folder || folder == u"/" || path.startsWith(folder + u'/');
}

} // namespace

// What the connections share: the tree, the folders waiting to be listed, and the counts. Every
// member is guarded by the mutex.
class SiteScan::Shared {
public:
    explicit Shared(const QString& folder, const ScanLimits& limits) : m_root(folder), m_limits(limits) {}

    // The next folder to list; false when there is none left (or the scan stops).
    bool take(Job& job);
    void deliver(const Job& job, Listing listing);
    // The connection that listed the job dropped: another one lists it.
    void lost(const Job& job, const QString& message);
    void loginFailed(const QString& message);
    // A session the scan may cancel, from before it logs in until it has closed; false when the
    // scan has stopped already.
    bool attach(QObject* waker, cFTP* session);
    void detach(QObject* waker);
    void connected(cFTP* session);
    void disconnected();
    void stop(bool cancelled);
    // Folders left waiting for a connection.
    int unfinished() const { return static_cast<int>(m_queue.size()); }
    bool stopped() const
    {
        std::lock_guard lock(mutex);
        return m_stopped;
    }

    mutable std::mutex mutex;
    SiteTree tree;
    ScanOutcome outcome;
    std::uint32_t foldersDone = 0;
    int connectionsOpen = 0;
    QString root() const
    {
        std::lock_guard lock(mutex);
        return m_root;
    }

private:
    void queueFolders(std::uint32_t folder, const Listing& listing, const QString& path);
    ScanProblem::Kind linkVerdict(const QString& linkPath, const QString& target);

    std::condition_variable m_changed;
    QString m_root;
    ScanLimits m_limits;
    std::deque<Job> m_queue;
    int m_active = 0; // folders being listed
    bool m_stopped = false;
    bool m_rootKnown = false;
    QSet<QString> m_followedTargets;
    std::vector<std::pair<QObject*, cFTP*>> m_sessions;
};

bool SiteScan::Shared::take(Job& job)
{
    std::unique_lock lock(mutex);
    m_changed.wait(lock, [this] { return m_stopped || !m_queue.empty() || (m_active == 0 && m_rootKnown); });
    if (m_stopped || m_queue.empty())
        return false;
    job = std::move(m_queue.front());
    m_queue.pop_front();
    ++m_active;
    return true;
}

void SiteScan::Shared::deliver(const Job& job, Listing listing)
{
    std::lock_guard lock(mutex);
    --m_active;
    m_changed.notify_all();
    if (m_stopped || (listing.failed && listing.message.isEmpty()))
        return; // cancelled, or past the limit: the folder stays unlisted
    const std::size_t room =
        m_limits.entries - std::min<std::size_t>(m_limits.entries, tree.entries().size());
    if (listing.entries.size() > room) {
        listing.entries.resize(room);
        outcome.entryLimit = true;
        m_stopped = true;
    }
    tree.add(job.folder, listing.entries);
    ++foldersDone;
    if (listing.failed) {
        tree.setState(job.folder, SiteTree::FolderState::Failed);
        outcome.problems.append({ScanProblem::Kind::Unlisted, tree.folderPath(job.folder), listing.message});
    }
    if (!m_stopped)
        queueFolders(job.folder, listing, job.path);
}

void SiteScan::Shared::queueFolders(std::uint32_t folder, const Listing& listing, const QString& path)
{
    const SiteTree::Folder& listed = tree.folders()[folder];
    for (std::uint32_t i = 0; i < listed.entryCount; ++i) {
        const std::uint32_t e = listed.firstEntry + i;
        const SiteTree::Entry& entry = tree.entries()[e];
        if (!entry.isFolder)
            continue;
        const std::uint32_t child = tree.folderOf(e);
        const QString childPath = joinedPath(path, nameFromServer(tree.name(entry)));
        if (entry.isLink) {
            const ScanProblem::Kind verdict = linkVerdict(path, listing.linkTargets[i]);
            if (verdict != ScanProblem::Kind::Unlisted) {
                tree.setState(child, SiteTree::FolderState::NotFollowed);
                outcome.problems.append({verdict, tree.folderPath(child), {}});
                continue;
            }
        }
        if (tree.folders()[child].depth >= m_limits.depth) {
            outcome.depthLimit = true;
            continue;
        }
        m_queue.push_back({child, childPath});
    }
    m_changed.notify_all();
}

ScanProblem::Kind SiteScan::Shared::linkVerdict(const QString& folderPath, const QString& target)
{
    if (target.isEmpty())
        return ScanProblem::Kind::LinkUnknown;
    const QString resolved =
        QDir::cleanPath(target.startsWith(u'/') ? target : joinedPath(folderPath, target));
    if (!isAtOrBelow(resolved, m_root))
        return ScanProblem::Kind::LinkOutside;
    if (isAtOrBelow(folderPath, resolved))
        return ScanProblem::Kind::LinkLoop;
    if (m_followedTargets.contains(resolved))
        return ScanProblem::Kind::LinkRepeated;
    m_followedTargets.insert(resolved);
    return ScanProblem::Kind::Unlisted; // followed
}

void SiteScan::Shared::lost(const Job& job, const QString& message)
{
    std::lock_guard lock(mutex);
    --m_active;
    m_queue.push_front(job);
    outcome.connectionLost = message;
    m_changed.notify_all();
}

void SiteScan::Shared::loginFailed(const QString& message)
{
    std::lock_guard lock(mutex);
    if (!m_rootKnown && outcome.failure.isEmpty())
        outcome.failure = message;
}

bool SiteScan::Shared::attach(QObject* waker, cFTP* session)
{
    std::lock_guard lock(mutex);
    m_sessions.emplace_back(waker, session);
    return !m_stopped;
}

void SiteScan::Shared::detach(QObject* waker)
{
    std::lock_guard lock(mutex);
    std::erase_if(m_sessions, [waker](const auto& s) { return s.first == waker; });
}

void SiteScan::Shared::connected(cFTP* session)
{
    std::lock_guard lock(mutex);
    outcome.connections = std::max(outcome.connections, ++connectionsOpen);
    if (m_rootKnown)
        return;
    if (m_root.isEmpty())
        m_root = session->GetFTPDirectory();
    if (m_root.size() > 1 && m_root.endsWith(u'/'))
        m_root.chop(1);
    m_rootKnown = true;
    m_queue.push_back({SiteTree::kTopFolder, m_root});
    m_changed.notify_all();
}

void SiteScan::Shared::disconnected()
{
    std::lock_guard lock(mutex);
    --connectionsOpen;
}

void SiteScan::Shared::stop(bool cancelled)
{
    std::lock_guard lock(mutex);
    m_stopped = true;
    outcome.cancelled = outcome.cancelled || cancelled;
    m_rootKnown = true; // a connection still logging in ends too
    // Each session is stopped on its own thread, inside the listing it is waiting for.
    for (const auto& [waker, session] : m_sessions)
        QMetaObject::invokeMethod(
            waker, [s = session] { s->Cancel(); }, Qt::QueuedConnection);
    m_changed.notify_all();
}

namespace {

// The entries of one listing, with the failure told apart from an empty folder.
Listing listFolder(cFTP& session, const QString& path)
{
    // GetDirectoryListing answers nothing both for an empty folder and for a failure: how the listing
    // ended tells them apart. A cut listing keeps what arrived, and counts as failed.
    const auto list = session.GetDirectoryListing(joinedPath(path, QStringLiteral("*.*")));
    Listing listing;
    listing.failed = session.LastListing() != cFTP::Listing::Complete;
    if (listing.failed && session.GetLastErrorCode() != cFTP::ErrorCancelled)
        listing.message = session.GetLastErrorMessage();
    const auto arrived = list ? list : session.Directory();
    listing.entries.reserve(static_cast<size_t>(arrived->Count()));
    for (const cDirItem& item : *arrived) {
        if (item.FileName == u"." || item.FileName == u"..")
            continue;
        listing.entries.push_back({item.RawName, item.Directory, item.Link});
        listing.linkTargets.push_back(item.LinkTarget);
    }
    return listing;
}

// The code of the server's last reply to the session's last command (0 for none, and over SFTP).
int lastReplyCode(const cFTP& session)
{
    const QStringList replies = session.LastServerReplies();
    return replies.isEmpty() ? 0 : replies.last().left(3).toInt();
}

// Whether the server refused a listing in passing: it had no data port free (425, as pure-ftpd
// says when several connections list at once), was too busy (421, 450) or aborted the transfer
// (426). FTP clients try such a command again.
bool refusedInPassing(const cFTP& session)
{
    const int code = lastReplyCode(session);
    return code == 421 || code == 425 || code == 426 || code == 450;
}

// A folder's listing, tried again after a pause while the server refuses it in passing.
Listing listWithRetries(cFTP& session, const QString& path, const SiteScan::Shared& shared)
{
    Listing listing = listFolder(session, path);
    for (int tried = 1; tried < kTries && listing.failed && refusedInPassing(session); ++tried) {
        Wait(kPauseStep * static_cast<float>(tried));
        if (shared.stopped())
            break;
        listing = listFolder(session, path);
    }
    // The server's own words, also where the session tells the refusal in its own.
    if (listing.failed && !listing.message.isEmpty() && refusedInPassing(session))
        listing.message = session.LastServerReplies().constLast().trimmed();
    return listing;
}

// Whether a listing failed for want of a connection rather than because the server refused the
// folder: the session tries once more on a fresh connection, and what fails then is the server.
bool connectionFailed(const cFTP& session)
{
    if (refusedInPassing(session))
        return false; // the server answered: it refused this folder
    static constexpr qint32 kConnectionCodes[] = {
        6,  // could not resolve the host
        7,  // could not connect
        28, // timed out
        52, // nothing came back
        55, // sending failed
        56, // receiving failed
        cFTP::ErrorNotConnected,
        cFTP::ErrorIncomplete, // the control connection went before the listing's final reply
    };
    return !session.IsConnected() || std::find(std::begin(kConnectionCodes), std::end(kConnectionCodes),
                                               session.GetLastErrorCode()) != std::end(kConnectionCodes);
}

class ScanWorker : public QThread {
public:
    ScanWorker(std::shared_ptr<SiteScan::Shared> shared, const ScanLogin& login, const QString& folder)
        : m_shared(std::move(shared)), m_login(login), m_folder(folder)
    {
    }

    std::function<void()> onConnected;

protected:
    void run() override
    {
        cFTP session;
        QObject waker;
        session.SetProtocol(m_login.protocol);
        session.SetTrustPolicy(m_login.trust);
        session.SetKeyFile(m_login.keyFile, m_login.keyFile.isEmpty() ? QString() : m_login.password);
        if (m_login.passive)
            session.SetModePassive();
        else
            session.SetModeActive();
        if (!m_shared->attach(&waker, &session)) {
            m_shared->detach(&waker);
            return;
        }
        if (!session.OpenConnection(m_login.server, m_login.user, m_login.password, m_login.port)) {
            if (session.GetLastErrorCode() != cFTP::ErrorCancelled)
                m_shared->loginFailed(session.GetLastErrorMessage());
            m_shared->detach(&waker);
            return;
        }
        // FTP logs in at the server's root, as the main window's connection does.
        if (m_folder.isEmpty() && m_login.protocol != Protocol::Sftp)
            static_cast<void>(session.SetFTPDirectory(QStringLiteral("/")));
        m_shared->connected(&session);
        onConnected();
        Job job;
        while (m_shared->take(job)) {
            Listing listing = listWithRetries(session, job.path, *m_shared);
            if (listing.failed && !listing.message.isEmpty() && connectionFailed(session)) {
                m_shared->lost(job, listing.message);
                break;
            }
            m_shared->deliver(job, std::move(listing));
        }
        m_shared->disconnected();
        m_shared->detach(&waker);
        session.CloseConnection();
    }

private:
    std::shared_ptr<SiteScan::Shared> m_shared;
    ScanLogin m_login;
    QString m_folder;
};

} // namespace

int ScanOutcome::foldersNotListed() const
{
    return leftWaiting +
           static_cast<int>(std::count_if(problems.cbegin(), problems.cend(), [](const ScanProblem& p) {
               return p.kind == ScanProblem::Kind::Unlisted;
           }));
}

ScanLogin ScanLogin::of(const QString& server, const QString& user, const QString& password,
                        const QString& port, Protocol protocol, TrustPolicy trust, const QString& keyFile,
                        int activeMode)
{
    ScanLogin login;
    login.server = trimSpaces(server);
    login.user = trimSpaces(user);
    login.password = password;
    login.port = cFTP::PortFromText(port, protocol);
    login.protocol = protocol;
    login.trust = trust;
    login.keyFile = keyFile;
    login.passive = activeMode != -1;
    return login;
}

SiteScan::SiteScan(const ScanLogin& login, const QString& folder, const ScanLimits& limits, QObject* parent)
    : QObject(parent), m_login(login), m_limits(limits), m_shared(std::make_shared<Shared>(folder, limits))
{
    m_limits.connections = std::clamp(m_limits.connections, 1, 4);
    // In active mode the server connects back to this side for every listing; listings of several
    // connections that wait for it at once were seen to stall until the accept timed out.
    if (!m_login.passive)
        m_limits.connections = 1;
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { emit progressed(progress()); });
}

SiteScan::~SiteScan()
{
    m_shared->stop(true);
    for (QThread* worker : m_workers) {
        worker->wait();
        delete worker;
    }
}

void SiteScan::start()
{
    if (m_running || !m_workers.empty())
        return;
    m_running = true;
    curl::globalInit(); // once, before the connections' threads make their handles
    m_clock.start();
    m_progressTimer->start();
    startWorker(0);
}

void SiteScan::startWorker(int index)
{
    auto* worker = new ScanWorker(m_shared, m_login, m_shared->root());
    if (index == 0)
        worker->onConnected = [this] { QMetaObject::invokeMethod(this, &SiteScan::workerConnected); };
    else
        worker->onConnected = [] {};
    connect(worker, &QThread::finished, this, &SiteScan::workerFinished);
    m_workers.push_back(worker);
    ++m_runningWorkers;
    worker->start();
}

void SiteScan::workerConnected()
{
    // The first connection is in: the others may try now.
    for (int i = 1; i < m_limits.connections && m_running; ++i)
        startWorker(i);
}

void SiteScan::workerFinished()
{
    if (--m_runningWorkers == 0)
        end();
}

void SiteScan::cancel()
{
    if (m_running)
        m_shared->stop(true);
}

void SiteScan::end()
{
    m_progressTimer->stop();
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->tree.shrinkToFit();
        m_outcome = m_shared->outcome;
        // A connection that dropped while others went on to list everything lost nothing.
        if (m_outcome.cancelled || m_shared->unfinished() == 0)
            m_outcome.connectionLost.clear();
        else if (!m_outcome.connectionLost.isEmpty())
            m_outcome.leftWaiting = m_shared->unfinished();
    }
    m_running = false;
    emit progressed(progress());
    emit finished();
}

void SiteScan::run()
{
    QEventLoop loop;
    connect(this, &SiteScan::finished, &loop, &QEventLoop::quit);
    start();
    if (m_running)
        loop.exec();
}

ScanProgress SiteScan::progress() const
{
    std::lock_guard lock(m_shared->mutex);
    return {m_shared->foldersDone, static_cast<std::uint32_t>(m_shared->tree.entries().size()),
            m_clock.isValid() ? m_clock.elapsed() : 0, m_shared->connectionsOpen};
}

QString SiteScan::folder() const
{
    return m_shared->root();
}

const SiteTree& SiteScan::tree() const
{
    return m_shared->tree;
}

std::shared_ptr<const SiteTree> SiteScan::sharedTree() const
{
    return std::shared_ptr<const SiteTree>(m_shared, &m_shared->tree);
}

} // namespace sf::ftp
