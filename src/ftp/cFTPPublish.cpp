// Publishing a file so that readers of the server never see it half-written.
#include "ftp/cFTP.h"

#include <QDebug>
#include <QRandomGenerator>

QString cFTP::TemporaryNameFor(const QString& sRemote)
{
    const quint32 tag = QRandomGenerator::global()->generate();
    return QStringLiteral(".%1.%2.part").arg(sRemote).arg(tag, 8, 16, QLatin1Char('0'));
}

void cFTP::removeQuietly(const QString& sRemote)
{
    // The error that ended the publishing is the one to report, not that of the clean-up.
    const Failure kept = m_lastError;
    if (IsConnected() && !DeleteFTPFile(sRemote))
        qInfo().noquote() << "left on the server:" << sRemote;
    m_lastError = kept;
}

bool cFTP::swapInto(const QString& sTemporary, const QString& sRemote)
{
    if (RenameFTPFile(sTemporary, sRemote))
        return true;
    // Some servers (OpenSSH's SFTP, some FTP servers) rename only onto a free name: the old file
    // steps aside for the moment of the second rename, and comes back if that fails.
    if (m_lastError.code != ErrorServerResponse)
        return false;
    const QString aside = TemporaryNameFor(sRemote);
    if (!RenameFTPFile(sRemote, aside))
        return false;
    if (!RenameFTPFile(sTemporary, sRemote)) {
        Failure kept = m_lastError;
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
    const QString temporary = TemporaryNameFor(sRemote);
    if (!FTPUploadFile(sLocal, temporary)) {
        removeQuietly(temporary);
        return false;
    }
    if (swapInto(temporary, sRemote)) {
        if (method)
            *method = PublishMethod::Renamed;
        return true;
    }
    // Only a server that answered the rename with a refusal gets the direct write; a rename lost
    // with the connection tells nothing about the server.
    if (m_lastError.code != ErrorServerResponse) {
        removeQuietly(temporary);
        return false;
    }
    const bool written = FTPUploadFile(sLocal, sRemote);
    removeQuietly(temporary);
    if (written && method)
        *method = PublishMethod::DirectWrite;
    return written;
}
