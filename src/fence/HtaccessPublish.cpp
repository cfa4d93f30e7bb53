#include "fence/HtaccessPublish.h"

#include "base/Translate.h"
#include "fence/ServerRules.h"
#include "ftp/cFTP.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

namespace sf::fence {
namespace {

SF_FILE_TRANSLATIONS("Fence")

// The offset of the line that is exactly `marker` (its line end aside), or -1.
qsizetype markerLine(const QByteArray& text, QByteArrayView marker, qsizetype from = 0)
{
    for (qsizetype at = text.indexOf(marker, from); at >= 0; at = text.indexOf(marker, at + 1)) {
        const bool lineStart = at == 0 || text[at - 1] == '\n';
        const qsizetype end = at + marker.size();
        const bool lineEnd = end == text.size() || text[end] == '\n' || text[end] == '\r';
        if (lineStart && lineEnd)
            return at;
    }
    return -1;
}

Result<void> putBytes(cFTP& ftp, const QString& remote, const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("htaccess"));
    QFile file(local);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return Result<void>::failure(tr("Cannot write a temporary copy of .htaccess."));
    file.close();
    const bool binary = ftp.IsTransferBinary();
    ftp.SetTransferBinary();
    const bool published = ftp.PublishFile(local, remote);
    if (!binary)
        ftp.SetTransferASCII();
    if (!published)
        return Result<void>::failure(ftp.GetLastErrorMessage());
    return {};
}

} // namespace

QByteArray mergeHtaccess(const QByteArray& existing, const QByteArray& block)
{
    const bool crlf = existing.contains("\r\n");
    QByteArray body = block;
    body.replace("\r\n", "\n");
    if (crlf)
        body.replace("\n", "\r\n");
    const qsizetype begin = markerLine(existing, kBlockBegin);
    const qsizetype end = begin >= 0 ? markerLine(existing, kBlockEnd, begin) : -1;
    if (begin >= 0 && end >= 0) {
        qsizetype after = end + qstrlen(kBlockEnd);
        after += existing.mid(after, 2) == "\r\n" ? 2 : (existing.mid(after, 1) == "\n" ? 1 : 0);
        return existing.first(begin) + body + existing.sliced(after);
    }
    QByteArray out = existing;
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += crlf ? "\r\n" : "\n";
    return out + body;
}

namespace {

// The session names files in its current folder, and a path from the top is not read the same way
// from every folder: the work is done in the site folder by the bare name, then the folder the
// session was in is entered again.
template <typename Work> auto inFolder(cFTP& ftp, const QString& remotePath, Work work) -> decltype(work())
{
    QString folder = remotePath.first(remotePath.lastIndexOf(u'/'));
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    const QString before = ftp.GetFTPDirectory();
    const bool move = folder != before;
    if (move && !ftp.SetFTPDirectory(folder))
        return Result<void>::failure(ftp.GetLastErrorMessage());
    auto result = work();
    if (move)
        static_cast<void>(ftp.SetFTPDirectory(before));
    return result;
}

const QString kHtaccess = QStringLiteral(".htaccess");

Result<HtaccessPublished> publishHere(cFTP& ftp, HtaccessPublished published, const QByteArray& block,
                                      const QString& keptCopy)
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("previous"));
    const bool binary = ftp.IsTransferBinary();
    ftp.SetTransferBinary();
    const bool read = ftp.FTPDownloadFile(local, kHtaccess);
    if (!binary)
        ftp.SetTransferASCII();
    if (read) {
        QFile file(local);
        if (!file.open(QIODevice::ReadOnly))
            return Result<HtaccessPublished>::failure(tr("Cannot read the downloaded .htaccess."));
        published.previous = file.readAll();
    } else if (ftp.GetLastErrorCode() != cFTP::ErrorServerResponse && ftp.GetLastErrorCode() != 78) {
        // Anything but "no such file" (a server's refusal, libcurl's remote file not found).
        return Result<HtaccessPublished>::failure(ftp.GetLastErrorMessage());
    }
    if (published.previous && !keptCopy.isEmpty()) {
        QSaveFile kept(keptCopy);
        if (!kept.open(QIODevice::WriteOnly) || kept.write(*published.previous) < 0 || !kept.commit())
            return Result<HtaccessPublished>::failure(
                tr("Cannot keep the replaced .htaccess in %1.").arg(keptCopy));
    }
    published.sent = mergeHtaccess(published.previous.value_or(QByteArray()), block);
    if (const Result<void> put = putBytes(ftp, kHtaccess, published.sent); !put)
        return put;
    return published;
}

} // namespace

Result<HtaccessPublished> publishHtaccess(cFTP& ftp, const QString& siteFolder, const QByteArray& block,
                                          const QString& keptCopy)
{
    HtaccessPublished published;
    QString folder = siteFolder;
    while (folder.endsWith(u'/'))
        folder.chop(1);
    published.remotePath = folder + QStringLiteral("/.htaccess");
    return inFolder(ftp, published.remotePath, [&] { return publishHere(ftp, published, block, keptCopy); });
}

Result<void> restoreHtaccess(cFTP& ftp, const HtaccessPublished& published)
{
    return inFolder(ftp, published.remotePath, [&]() -> Result<void> {
        if (published.previous)
            return putBytes(ftp, kHtaccess, *published.previous);
        if (!ftp.DeleteFTPFile(kHtaccess))
            return Result<void>::failure(ftp.GetLastErrorMessage());
        return {};
    });
}

} // namespace sf::fence
