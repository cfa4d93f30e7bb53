#include "online/transfer/SafeDownload.h"

#include "online/transfer/Inet.h"
#include "online/transfer/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <limits>

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

constexpr QFileDevice::Permissions kNewFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                         QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                         QFileDevice::ReadGroup | QFileDevice::ReadOther;

std::filesystem::path nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
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

// The new contents of a file, written beside it under a temporary name, that take the old file's
// place in one step on commit. Dropped without a trace unless committed.
class Replacement {
public:
    explicit Replacement(const QString& target)
        : m_target(target), m_temp(QFileInfo(target).absolutePath() + QStringLiteral("/.") +
                                   QFileInfo(target).fileName() + QStringLiteral(".XXXXXX"))
    {
    }
    DownloadResult open()
    {
        return m_temp.open() ? success() : failure(m_temp.error(), m_temp.errorString());
    }
    bool write(const QByteArray& bytes) { return m_temp.write(bytes) == bytes.size(); }
    DownloadResult writeError() const { return failure(m_temp.error(), m_temp.errorString()); }
    DownloadResult commit(bool executable)
    {
        if (FileInUse(m_target))
            return failure(DownloadResult::FileInUseError, tr("The file is in use"), true);
        if (!m_temp.flush())
            return writeError();
        QFileDevice::Permissions permissions =
            QFileInfo::exists(m_target) ? QFile::permissions(m_target) : kNewFilePermissions;
        if (executable)
            permissions = withExecute(permissions);
        if (!m_temp.setPermissions(permissions))
            return failure(QFileDevice::PermissionsError, tr("The file cannot be given its permissions"));
        m_temp.close();
        std::error_code error;
        std::filesystem::rename(nativePath(m_temp.fileName()), nativePath(m_target), error);
        if (error)
            return failure(error.value(), QString::fromLocal8Bit(error.message().c_str()));
        m_temp.setAutoRemove(false);
        return success();
    }

private:
    static DownloadResult success()
    {
        DownloadResult result;
        result.ok = true;
        return result;
    }
    QString m_target;
    QTemporaryFile m_temp;
};

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
    Replacement file(target);
    DownloadResult result = file.open();
    if (!result.ok)
        return result;
    if (!file.write(bytes))
        return file.writeError();
    return file.commit(executable);
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

std::optional<QByteArray> ReadBodyInChunks(Inet& inet, int chunkSize,
                                           const std::function<bool(qint64)>& chunkRead)
{
    // The rest of the body in one piece (shared with the control, not copied); then a step for each
    // chunk of it: events now and then, and the progress after every full chunk.
    const QByteArray body = inet.GetChunk(std::numeric_limits<int>::max());
    QElapsedTimer sincePump;
    sincePump.start();
    QCoreApplication::processEvents();
    for (qint64 end = chunkSize; chunkSize > 0 && end <= body.size(); end += chunkSize) {
        if (sincePump.elapsed() >= 10) {
            QCoreApplication::processEvents();
            sincePump.start();
        }
        if (chunkRead && !chunkRead(end))
            return std::nullopt;
    }
    return body;
}

DownloadResult DownloadFile(Inet& inet, const QString& url, const QString& target, bool executable,
                            const std::function<void(qint64)>& progress)
{
    Replacement file(target);
    const DownloadResult opened = file.open();
    if (!opened.ok)
        return opened;
    if (!inet.Execute(url, QStringLiteral("GET")))
        return failure(0, tr("Another transfer is running"));
    // The body goes to the temporary file while it arrives.
    bool written = true;
    while (inet.StillExecuting()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        written = written && file.write(inet.GetChunk(std::numeric_limits<int>::max()));
        if (progress)
            progress(inet.BytesReceived());
    }
    const DownloadResult check = CheckTransfer(inet);
    if (!check.ok)
        return check;
    if (!written || !file.write(inet.GetChunk(std::numeric_limits<int>::max())))
        return file.writeError();
    return file.commit(executable);
}

} // namespace sf
