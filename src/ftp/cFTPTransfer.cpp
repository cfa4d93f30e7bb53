// Listings, size queries and file transfers of the FTP session.
#include "ftp/cFTP.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "ftp/CurlSession.h"
#include "ftp/ListingParser.h"
#include "ftp/RemoteName.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTimeZone>

#include <limits>
#include <map>

using sf::ftp::FtpRequest;
using sf::ftp::ListingEntry;

namespace {

// Sizes and byte counts travel as signed 32-bit numbers: the low 32 bits, wrapped.
qint32 low32(qint64 value)
{
    return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(value)));
}

// The date-time of an entry whose listing gave none.
QDateTime zeroDateTime()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

// A transfer's outcome for the atomic writer: a failed transfer keeps the old file (its message is
// recorded from the transfer's code).
sf::Result<void> transferResult(int code)
{
    return code == CURLE_OK ? sf::Result<void>{} : sf::Result<void>::failure(QString());
}

bool isUnknownCommand(int replyCode)
{
    return replyCode == 500 || replyCode == 502 || replyCode == 504;
}

struct NameSplit {
    QString folder; // empty: the current directory
    QString name;
};

NameSplit splitName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QString(), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

// The local zone's offset from UTC, asked of the zone once for each stretch between two of its
// transitions instead of once for each entry: a listing's times fall in few such stretches, and
// the zone's answer cost as much as the rest of turning an entry into a row.
class LocalOffsets {
public:
    int at(const QDateTime& utc)
    {
        if (!m_zone.hasTransitions()) // a zone that names no transitions gives no stretch to keep
            return m_zone.offsetFromUtc(utc);
        const qint64 msecs = utc.toMSecsSinceEpoch();
        auto it = m_stretches.upper_bound(msecs);
        if (it != m_stretches.begin() && msecs < std::prev(it)->second.end)
            return std::prev(it)->second.offset;
        const QTimeZone::OffsetData before = m_zone.previousTransition(utc.addMSecs(1));
        const QTimeZone::OffsetData after = m_zone.nextTransition(utc);
        const Stretch stretch{after.atUtc.isValid() ? after.atUtc.toMSecsSinceEpoch() : kForever,
                              m_zone.offsetFromUtc(utc)};
        m_stretches.insert_or_assign(before.atUtc.isValid() ? before.atUtc.toMSecsSinceEpoch() : kNever,
                                     stretch);
        return stretch.offset;
    }

private:
    static constexpr qint64 kNever = std::numeric_limits<qint64>::min();
    static constexpr qint64 kForever = std::numeric_limits<qint64>::max();
    struct Stretch {
        qint64 end; // one past the stretch's last millisecond
        int offset;
    };
    QTimeZone m_zone = QTimeZone::systemTimeZone();
    std::map<qint64, Stretch> m_stretches; // by the stretch's first millisecond
};

void addEntry(cDirList& list, const ListingEntry& entry, LocalOffsets& offsets)
{
    // The local wall-clock time as a fixed offset from UTC: QDateTime::toLocalTime asks the C
    // library, which looks at the zone file again for every entry (five times slower per listing).
    // A date without a time stays that date: midnight UTC is the evening before west of UTC. The
    // zero date is a local time too, made only when needed (two thirds of a listing's time went to it).
    QDateTime time;
    if (!entry.modified.isValid())
        time = zeroDateTime();
    else if (entry.hasTime)
        time = entry.modified.toOffsetFromUtc(offsets.at(entry.modified));
    else
        time = QDateTime(entry.modified.date(), QTime(0, 0), QTimeZone(offsets.at(entry.modified)));
    const quint32 attributes = entry.isDirectory ? cDirList::AttrDirectory : cDirList::AttrNormal;
    cDirItem& item =
        list.Add(attributes, time, time, time, low32(entry.size), sf::ftp::displayNameOf(entry.name));
    item.RawName = sf::ftp::nameToServer(entry.name);
    item.HasTime = entry.hasTime || !entry.modified.isValid();
    item.Link = entry.isLink;
    item.LinkTarget = entry.linkTarget;
}

} // namespace

int cFTP::performListing(const QString& directory, const QString& command, sf::ftp::ListingStream& stream,
                         qint64& received)
{
    FtpRequest request;
    request.path = directoryUrlPath(directory);
    request.listCommand = command;
    // Lines are parsed as they arrive, while the server is still sending the rest.
    request.write = [&stream, &received](const char* bytes, size_t size) {
        stream.feed(bytes, static_cast<qsizetype>(size));
        received += static_cast<qint64>(size);
        return true;
    };
    request.restart = [&stream, &received] {
        stream.restart();
        received = 0;
    };
    const int code = execute(request);
    stream.finish();
    return code;
}

int cFTP::fetchListing(const QString& directory, QList<ListingEntry>& entries, bool& partial)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    qint64 received = 0;
    int code = CURLE_OK;
    // SFTP gives the long names of "ls -l", which the LIST parser reads.
    bool machine = m_useMlsd && !m_session->isSftp();
    sf::ftp::ListingStream stream(machine, now);
    if (m_session->isSftp()) {
        if (m_prefetchedDir == QDir::cleanPath(directory)) // the folder as entered, without "/" at its end
            stream.entries() = std::exchange(m_prefetched, {});
        else
            code = performListing(directory, QString(), stream, received);
        m_prefetchedDir.clear();
    } else if (machine) {
        code = performListing(directory, QStringLiteral("MLSD"), stream, received);
        const auto& replies = m_session->replies();
        if (code != CURLE_OK && received == 0 && !replies.isEmpty() &&
            isUnknownCommand(replies.last().code)) {
            machine = m_useMlsd = false; // offered but refused: this server gets LIST from now on
            stream = sf::ftp::ListingStream(false, now);
        }
    }
    if (!machine && !m_session->isSftp())
        code = performListing(directory, QStringLiteral("LIST"), stream, received);
    // A control connection lost while the data still came leaves the listing without its final reply:
    // nothing says that all of it arrived. Nor does a data connection that ended in a reset, even
    // when libcurl took it for the end of the data and the server, its bytes sent, said 226.
    if (code == CURLE_OK && !m_session->isSftp() && (!listingEnded() || m_session->dataConnectionReset()))
        code = CURLE_PARTIAL_FILE;
    entries = std::move(stream.entries());
    partial = received > 0;
    return code;
}

void cFTP::recordListingFailure(int code, bool partial)
{
    const auto& replies = m_session->replies();
    const bool serverRefused = !replies.isEmpty() && replies.last().code >= 400;
    if (code != CURLE_ABORTED_BY_CALLBACK && !serverRefused && m_session->controlConnectionClosed())
        setFailure(ErrorConnectionClosed,
                   partial ? tr("The server closed the connection before the listing ended.")
                           : tr("The server closed the connection."));
    else if (code == CURLE_PARTIAL_FILE && m_session->dataConnectionReset())
        setFailure(ErrorIncomplete, tr("The data connection was reset before the listing ended."));
    else if (code == CURLE_PARTIAL_FILE)
        setFailure(ErrorIncomplete, tr("The server did not confirm the end of the listing."));
    else
        recordCurlFailure(code, partial ? QStringLiteral("InternetFindNextFile")
                                        : QStringLiteral("FtpFindFirstFile"));
}

bool cFTP::listingEnded() const
{
    const auto& replies = m_session->replies();
    return !replies.isEmpty() && (replies.last().code == 226 || replies.last().code == 250);
}

void cFTP::resolveLinks(const QString& directory, QList<ListingEntry>& entries)
{
    // A listing does not say whether a link leads to a folder. A link to a folder of the same
    // listing ("www -> public_html") is one; any other link is tried with a change of directory.
    QSet<QString> folders;
    for (const ListingEntry& entry : std::as_const(entries))
        if (entry.isDirectory)
            folders.insert(entry.name);
    int probes = 0;
    for (ListingEntry& entry : entries) {
        if (!entry.isLink || entry.isDirectory)
            continue;
        if (folders.contains(entry.linkTarget)) {
            entry.isDirectory = true;
        } else if (probes++ < kMaxLinkProbes) {
            FtpRequest request;
            const QString separator = directory.endsWith(u'/') ? QString() : QStringLiteral("/");
            request.path = directoryUrlPath(directory + separator + entry.name);
            request.noBody = true;
            entry.isDirectory = execute(request) == CURLE_OK;
        }
    }
}

std::shared_ptr<cDirList> cFTP::GetDirectoryListing(const QString& sFilter)
{
    BusyScope scope(*this);
    if (!scope.acquire()) {
        RecordFtpError(ErrorBusy, QStringLiteral("FtpFindFirstFile"));
        return nullptr;
    }
    m_dirList.reset();
    m_lastListing = Listing::Failed;
    if (!IsConnected()) {
        RecordFtpError(ErrorNotConnected, QStringLiteral("FtpFindFirstFile"));
        return nullptr;
    }
    const NameSplit filter = splitName(sFilter);
    QList<ListingEntry> entries;
    bool partial = false;
    const QString folder = absolutePath(filter.folder);
    const int code = fetchListing(folder, entries, partial);
    if (code == CURLE_OK)
        resolveLinks(folder, entries);
    LocalOffsets offsets;
    for (const ListingEntry& entry : entries) {
        if (!sf::ftp::matchesPattern(entry.name, filter.name))
            continue;
        if (!m_dirList) // the list exists only when something matched
            Directory()->Reserve(entries.size());
        addEntry(*m_dirList, entry, offsets);
    }
    if (code != CURLE_OK) {
        // What arrived before the failure stays in Directory.
        m_lastListing = entries.isEmpty() ? Listing::Failed : Listing::Cut;
        recordListingFailure(code, partial);
        return nullptr;
    }
    m_lastListing = Listing::Complete;
    return m_dirList; // nullptr when nothing matched
}

qint32 cFTP::findFileSize(const QString& sFile)
{
    const NameSplit file = splitName(sFile);
    // Spaces become the one-character wildcard so that names with spaces can be searched.
    const QString pattern = QString(file.name).replace(QLatin1Char(' '), QLatin1Char('?'));
    QList<ListingEntry> entries;
    bool partial = false;
    const int code = fetchListing(absolutePath(file.folder), entries, partial);
    if (code != CURLE_OK) {
        recordCurlFailure(code, QStringLiteral("FtpFindFirstFile"));
        return -2;
    }
    for (const ListingEntry& entry : entries)
        if (sf::ftp::matchesPattern(entry.name, pattern))
            return low32(entry.size);
    return -1;
}

qint32 cFTP::GetFTPFileSize(const QString& sFile)
{
    BusyScope scope(*this);
    if (!begin(scope, QStringLiteral("FtpFindFirstFile")))
        return -2;
    return findFileSize(sFile);
}

bool cFTP::SimpleFTPPutFile(const QString& sLocal, const QString& sRemote)
{
    const QString context = QStringLiteral("SimpleFtpPutFile");
    BusyScope scope(*this);
    if (!begin(scope, context))
        return false;
    QFile file(sLocal);
    if (!file.open(QIODevice::ReadOnly)) {
        recordLocalFileError(sLocal, file.errorString());
        return false;
    }
    FtpRequest request;
    request.path = absolutePath(sRemote);
    request.upload = true;
    request.read = [&file](char* buffer, size_t size) -> size_t {
        const qint64 n = file.read(buffer, static_cast<qint64>(size));
        return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
    };
    return runRequest(request, context);
}

bool cFTP::SimpleFTPGetFile(const QString& sLocal, const QString& sRemote)
{
    const QString context = QStringLiteral("SimpleFtpGetFile");
    BusyScope scope(*this);
    if (!begin(scope, context))
        return false;
    int code = CURLE_OK;
    // The old local file is replaced only by a complete download.
    const sf::Result<void> saved = sf::SaveFileAtomically(sLocal, [&](QIODevice& file) {
        FtpRequest request;
        request.path = absolutePath(sRemote);
        request.write = [&file](const char* data, size_t size) {
            return file.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
        };
        code = execute(request);
        return transferResult(code);
    });
    if (code != CURLE_OK)
        recordCurlFailure(code, context);
    else if (!saved)
        recordLocalFileError(sLocal, saved.error);
    return saved.ok;
}

bool cFTP::FTPUploadFile(const QString& sLocal, const QString& sRemote)
{
    QString local = sLocal;
    QString remote = sRemote;
    return FTPUploadFile(local, remote);
}

bool cFTP::FTPUploadFile(QString& sLocal, QString& sRemote)
{
    sLocal = sf::trimSpaces(sLocal);
    sRemote = sf::trimSpaces(sRemote);
    if (sLocal.isEmpty() || sRemote.isEmpty())
        return false;
    BusyScope scope(*this);
    if (!begin(scope, QStringLiteral("FtpOpenFile:PutFile")))
        return false;
    return uploadChunked(sLocal, sRemote);
}

size_t cFTP::readChunks(QIODevice& file, char* buffer, size_t size, ChunkedTransfer& upload)
{
    // The file is read in ChunkSize-byte chunks, one progress event for every full chunk handed to
    // libcurl. As many chunks as libcurl's buffer holds go in one call, so that the wire carries
    // full segments rather than one small packet per chunk.
    if (!notCancelled())
        return CURL_READFUNC_ABORT;
    const qint64 room = qMax<qint64>(ChunkSize, static_cast<qint64>(size) / ChunkSize * ChunkSize);
    qint64 filled = 0;
    while (filled < room) {
        const qint64 n =
            file.read(buffer + filled, qMin<qint64>(ChunkSize, static_cast<qint64>(size) - filled));
        if (n < 0) {
            upload.localFailed = true;
            return CURL_READFUNC_ABORT;
        }
        filled += n;
        upload.done += n;
        if (n < ChunkSize)
            break; // the remainder, or the end of the file: no event of its own
        emit FileTransferProgress(low32(upload.done), low32(upload.total));
    }
    return static_cast<size_t>(filled);
}

bool cFTP::uploadChunked(const QString& sLocal, const QString& sRemote)
{
    QFile file(sLocal);
    if (!file.open(QIODevice::ReadOnly)) {
        recordLocalFileError(sLocal, file.errorString());
        return false;
    }
    ChunkedTransfer upload{file.size()};
    FtpRequest request;
    request.path = absolutePath(sRemote);
    request.upload = true;
    request.read = [&](char* buffer, size_t size) { return readChunks(file, buffer, size, upload); };
    request.restart = [&] {
        file.seek(0);
        upload.done = 0;
    };
    const int code = execute(request);
    if (upload.localFailed) {
        recordLocalFileError(sLocal, file.errorString());
        return false;
    }
    if (code != CURLE_OK) {
        const qint64 fullBytes = upload.total / ChunkSize * ChunkSize;
        recordCurlFailure(code, upload.done == 0 && upload.total > 0 ? QStringLiteral("FtpOpenFile:PutFile")
                                : upload.done <= fullBytes           ? QStringLiteral("InternetWriteFile")
                                                                     : QStringLiteral("InternetWriteFile2"));
        return false;
    }
    file.close();
    emit FileTransferProgress(low32(upload.total), low32(upload.total));
    return true;
}

bool cFTP::FTPDownloadFile(const QString& sLocal, const QString& sRemote)
{
    QString local = sLocal;
    QString remote = sRemote;
    return FTPDownloadFile(local, remote);
}

bool cFTP::FTPDownloadFile(QString& sLocal, QString& sRemote)
{
    sLocal = sf::trimSpaces(sLocal);
    sRemote = sf::trimSpaces(sRemote);
    if (sLocal.isEmpty() || sRemote.isEmpty())
        return false;
    BusyScope scope(*this);
    if (!begin(scope, QStringLiteral("FtpOpenFile:GetFile")))
        return false;
    return downloadChunked(sLocal, sRemote);
}

bool cFTP::writeChunk(QIODevice& file, const char* data, size_t size, ChunkedTransfer& download)
{
    if (file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        download.localFailed = true;
        return false;
    }
    download.done += static_cast<qint64>(size);
    const bool goOn = notCancelled();
    const qint64 fullChunks = download.total / ChunkSize;
    while (download.reported < fullChunks && download.done >= (download.reported + 1) * ChunkSize)
        emit FileTransferProgress(low32(++download.reported * ChunkSize), low32(download.total));
    return goOn;
}

bool cFTP::downloadChunked(const QString& sLocal, const QString& sRemote)
{
    const qint32 size = findFileSize(sRemote);
    if (size <= 0)
        return false; // -2 has recorded its error; a missing or empty file records nothing
    ChunkedTransfer download{size};
    int code = CURLE_OK;
    // The old local file is replaced only by a complete download.
    const sf::Result<void> saved = sf::SaveFileAtomically(sLocal, [&](QIODevice& file) {
        FtpRequest request;
        request.path = absolutePath(sRemote);
        request.write = [&](const char* data, size_t bytes) {
            return writeChunk(file, data, bytes, download);
        };
        code = execute(request);
        if (code == CURLE_OK && m_session->dataConnectionReset())
            code = CURLE_PARTIAL_FILE; // the data ended in a reset: what arrived may be cut
        return download.localFailed ? sf::Result<void>::failure(file.errorString()) : transferResult(code);
    });
    if (download.localFailed || (code == CURLE_OK && !saved)) {
        recordLocalFileError(sLocal, saved.error);
        return false;
    }
    if (code != CURLE_OK) {
        const qint64 fullBytes = size / ChunkSize * ChunkSize;
        recordCurlFailure(code, download.done == 0          ? QStringLiteral("FtpOpenFile:GetFile")
                                : download.done < fullBytes ? QStringLiteral("InternetReadFile")
                                                            : QStringLiteral("InternetReadFile2"));
        return false;
    }
    emit FileTransferProgress(size, size);
    return true;
}
