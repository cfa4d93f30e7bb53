#include "online/transfer/SafeDownload.h"

#include "online/transfer/Inet.h"
#include "online/transfer/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace sf {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SafeDownload", text);
}

DownloadResult failure(int number, const QString& description, bool inUse = false)
{
    DownloadResult result;
    result.errorNumber = number;
    result.description = description;
    result.inUse = inUse;
    return result;
}

QFileDevice::Permissions withExecute(QFileDevice::Permissions p)
{
    if (p & QFileDevice::ReadOwner)
        p |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (p & QFileDevice::ReadGroup)
        p |= QFileDevice::ExeGroup;
    if (p & QFileDevice::ReadOther)
        p |= QFileDevice::ExeOther;
    return p;
}

} // namespace

DownloadResult CheckTransfer(const Inet& inet)
{
    if (inet.StillExecuting())
        return failure(0, tr("The download has not finished"));
    if (!inet.Succeeded())
        return failure(inet.ResponseCode(), inet.ResponseInfo().isEmpty()
                                                ? tr("The download did not complete")
                                                : inet.ResponseInfo());
    const long status = inet.HttpStatus();
    if (status < 200 || status > 299)
        return failure(static_cast<int>(status), tr("The server answered with status %1").arg(status));
    DownloadResult result;
    result.ok = true;
    return result;
}

DownloadResult ReplaceFile(const QString& target, const QByteArray& bytes, bool executable)
{
    if (FileInUse(target))
        return failure(DownloadResult::FileInUseError, tr("The file is in use"), true);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.error(), file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const DownloadResult result = failure(file.error(), file.errorString());
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return failure(file.error(), file.errorString());
    if (executable) {
        const QFileDevice::Permissions wanted = withExecute(QFile::permissions(target));
        if (!QFile::setPermissions(target, wanted))
            return failure(QFileDevice::PermissionsError, tr("The file cannot be made executable"));
    }
    DownloadResult result;
    result.ok = true;
    return result;
}

bool FileInUse(const QString& path)
{
#ifdef Q_OS_WIN
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
#else
    // Linux refuses to open a file for writing while a process runs it (ETXTBSY).
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ETXTBSY || errno == EBUSY;
    ::close(fd);
    return false;
#endif
}

bool WaitUntilFree(const QString& path, int checks)
{
    for (int i = 0; i < checks; ++i) {
        if (!FileInUse(path))
            return true;
        Wait(1);
    }
    return !FileInUse(path);
}

DownloadResult DownloadFile(Inet& inet, const QString& url, const QString& target, bool executable,
                            const std::function<void(qint64)>& progress)
{
    if (!inet.Execute(url, QStringLiteral("GET")))
        return failure(0, tr("Another transfer is running"));
    while (inet.StillExecuting()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (progress)
            progress(inet.BytesReceived());
    }
    DownloadResult check = CheckTransfer(inet);
    if (!check.ok)
        return check;
    QByteArray body;
    body.reserve(inet.BytesReceived());
    for (QByteArray chunk = inet.GetChunk(1 << 20); !chunk.isEmpty(); chunk = inet.GetChunk(1 << 20))
        body.append(chunk);
    return ReplaceFile(target, body, executable);
}

} // namespace sf
