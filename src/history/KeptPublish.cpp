#include "history/KeptPublish.h"

#include "base/Translate.h"

#include <QFile>
#include <QTemporaryDir>

namespace sf::history {
namespace {

SF_FILE_TRANSLATIONS("sf::history")

ServerFile unread(const QString& error)
{
    return {
        ServerFile::State::Unread, {}, error.trimmed().isEmpty() ? tr("the server gave no reason") : error};
}

// The download in binary, the session's mode put back after it.
bool downloadBinary(cFTP& session, const QString& local, const QString& name)
{
    const bool binary = session.IsTransferBinary();
    session.SetTransferBinary();
    const bool read = session.SimpleFTPGetFile(local, name);
    if (!binary)
        session.SetTransferASCII();
    return read;
}

} // namespace

ServerFile readServerFile(cFTP& session, const QString& name)
{
    // The listing tells a missing file from one the server would not give.
    const qint32 size = session.GetFTPFileSize(name);
    if (size == -1)
        return {};
    if (size < -1)
        return unread(session.GetLastErrorMessage());
    if (size == 0)
        return {ServerFile::State::Held, {}, {}};
    const QTemporaryDir folder;
    const QString local = folder.filePath(QStringLiteral("server-file"));
    if (!folder.isValid() || !downloadBinary(session, local, name))
        return unread(session.GetLastErrorMessage());
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly))
        return unread(file.errorString());
    return {ServerFile::State::Held, file.readAll(), {}};
}

QByteArray wireBytes(const QByteArray& local, bool binary)
{
    if (binary)
        return local;
    QByteArray wire;
    wire.reserve(local.size() + local.count('\n'));
    for (const char c : local) {
        if (c == '\n')
            wire += '\r';
        wire += c;
    }
    return wire;
}

KeptPublish publishKept(cFTP& session, const QString& local, const QString& name, const Place& place,
                        cFTP::PublishMethod* method)
{
    KeptPublish outcome;
    QFile file(local);
    if (file.open(QIODevice::ReadOnly))
        outcome.sent = wireBytes(file.readAll(), session.IsTransferBinary());
    file.close();
    outcome.replaced = readServerFile(session, name);
    // A connection lost while the old file was read fails the publish as it would have anyway.
    outcome.published = session.PublishFile(local, name, method);
    if (!outcome.published)
        return outcome;
    const Result<Record> recorded = recordPublish(place, name, outcome.replaced, outcome.sent);
    if (!recorded)
        outcome.recordError = recorded.error;
    return outcome;
}

} // namespace sf::history
