// Publishing a file so that readers of the server never see it half-written.
#include "ftp/cFTP.h"

#include "ftp/CurlSession.h"

#include <QDebug>
#include <QFile>
#include <QRandomGenerator>

namespace {

// What a server may hold of a file that arrived whole: its bytes; in ASCII mode, also the bytes as
// they went on the wire, every LF as CR LF, which a server that does not convert stores as they came.
QList<qint64> wholeSizes(const QString& sLocal, bool binary)
{
    QFile file(sLocal);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<qint64> sizes{bytes.size()};
    if (!binary)
        sizes.append(bytes.size() + bytes.count('\n'));
    return sizes;
}

} // namespace

QString cFTP::TemporaryNameFor(const QString& sRemote)
{
    const quint32 tag = QRandomGenerator::global()->generate();
    return QStringLiteral(".%1.%2.part").arg(sRemote).arg(tag, 8, 16, QLatin1Char('0'));
}

void cFTP::removeQuietly(const QString& sRemote)
{
    // The error that ended the publishing is the one to report, not that of the clean-up.
    const sf::Result<void> kept = m_lastError;
    if (IsConnected() && !DeleteFTPFile(sRemote))
        qInfo().noquote() << "left on the server:" << sRemote;
    m_lastError = kept;
}

qint64 cFTP::storedSize(const QString& sRemote)
{
    BusyScope scope(*this);
    if (!begin(scope, QStringLiteral("FtpGetFileSize")))
        return -2;
    sf::ftp::FtpRequest request;
    request.path = absolutePath(sRemote);
    request.noBody = true;
    // Asked in binary: some servers refuse SIZE in ASCII mode, others count converted line ends.
    const bool binary = m_binary;
    m_binary = true;
    const int code = execute(request);
    m_binary = binary;
    if (code != CURLE_OK) {
        recordCurlFailure(code, QStringLiteral("FtpGetFileSize"));
        return -2;
    }
    return m_session->contentLength();
}

bool cFTP::arrivedWhole(const QString& sLocal, const QString& sRemote)
{
    const qint64 stored = storedSize(sRemote);
    if (stored == -2)
        return false;
    if (stored < 0)
        return true; // the server tells no size: the transfer reported no error, and that is all
    const QList<qint64> whole = wholeSizes(sLocal, m_binary);
    if (whole.contains(stored)) {
        m_checkedSize = stored;
        return true;
    }
    setFailure(ErrorIncomplete, tr("Only %1 of the %2 bytes sent reached the server: the transfer was cut.")
                                    .arg(stored)
                                    .arg(whole.value(0)));
    return false;
}

bool cFTP::swapInto(const QString& sTemporary, const QString& sRemote)
{
    if (RenameFTPFile(sTemporary, sRemote))
        return true;
    // Some servers (OpenSSH's SFTP, some FTP servers) rename only onto a free name: the old file
    // steps aside for the moment of the second rename, and comes back if that fails.
    if (m_lastError.errorNumber != ErrorServerResponse)
        return false;
    const QString aside = TemporaryNameFor(sRemote);
    if (!RenameFTPFile(sRemote, aside))
        return false;
    if (!RenameFTPFile(sTemporary, sRemote)) {
        sf::Result<void> kept = m_lastError;
        // Without the old file back in its place the server has no robots.txt: the message says
        // where the old one is.
        if (!RenameFTPFile(aside, sRemote))
            kept.error +=
                QStringLiteral("\n") + tr("The previous %1 is kept on the server as %2.").arg(sRemote, aside);
        m_lastError = kept;
        return false;
    }
    removeQuietly(aside);
    return true;
}

bool cFTP::PublishFile(const QString& sLocal, const QString& sRemote, PublishMethod* method)
{
    m_checkedSize = -1;
    const QString temporary = TemporaryNameFor(sRemote);
    if (!FTPUploadFile(sLocal, temporary)) {
        removeQuietly(temporary);
        return false;
    }
    if (!arrivedWhole(sLocal, temporary)) {
        removeQuietly(temporary);
        m_lastError.error += u'\n' + tr("%1 on the server was left as it was.").arg(sRemote);
        return false;
    }
    if (swapInto(temporary, sRemote)) {
        if (method)
            *method = PublishMethod::Renamed;
        return true;
    }
    // Only a server that answered the rename with a refusal gets the direct write; a rename lost
    // with the connection tells nothing about the server.
    if (m_lastError.errorNumber != ErrorServerResponse) {
        removeQuietly(temporary);
        return false;
    }
    m_checkedSize = -1;
    bool written = FTPUploadFile(sLocal, sRemote);
    if (written && !arrivedWhole(sLocal, sRemote)) {
        written = false;
        m_lastError.error += u'\n' + tr("%1 on the server is incomplete: upload it again.").arg(sRemote);
    }
    removeQuietly(temporary);
    if (written && method)
        *method = PublishMethod::DirectWrite;
    return written;
}
