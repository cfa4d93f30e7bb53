#include "transfer/SafeDownload.h"

#include "base/Translate.h"
#include "transfer/Inet.h"
#include "transfer/Wait.h"

#include <QCoreApplication>
#include <QDir>
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
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sf {
namespace {

SF_FILE_TRANSLATIONS("SafeDownload")

Result<void> failure(int number, const QString& description)
{
    return Result<void>::failure(description, number);
}

std::filesystem::path nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The permissions any new file of the user gets: read and write (and execute for a program) as far
// as the user's umask allows.
QFileDevice::Permissions newFilePermissions(bool executable)
{
#ifdef Q_OS_WIN
    const QFileDevice::Permissions all = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ReadUser | QFileDevice::WriteUser |
                                         QFileDevice::ReadGroup | QFileDevice::ReadOther;
    return executable ? all | QFileDevice::ExeOwner | QFileDevice::ExeUser : all;
#else
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = (executable ? 0777 : 0666) & ~mask;
    QFileDevice::Permissions p;
    const std::pair<mode_t, QFileDevice::Permissions> bits[] = {
        {S_IRUSR, QFileDevice::ReadOwner | QFileDevice::ReadUser},
        {S_IWUSR, QFileDevice::WriteOwner | QFileDevice::WriteUser},
        {S_IXUSR, QFileDevice::ExeOwner | QFileDevice::ExeUser},
        {S_IRGRP, QFileDevice::ReadGroup},
        {S_IWGRP, QFileDevice::WriteGroup},
        {S_IXGRP, QFileDevice::ExeGroup},
        {S_IROTH, QFileDevice::ReadOther},
        {S_IWOTH, QFileDevice::WriteOther},
        {S_IXOTH, QFileDevice::ExeOther},
    };
    for (const auto& [bit, permission] : bits) {
        if (mode & bit)
            p |= permission;
    }
    return p;
#endif
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
    Result<void> open() { return m_temp.open() ? success() : failure(m_temp.error(), m_temp.errorString()); }
    bool write(const QByteArray& bytes) { return m_temp.write(bytes) == bytes.size(); }
    Result<void> writeError() const { return failure(m_temp.error(), m_temp.errorString()); }
    Result<void> commit(bool executable)
    {
        if (FileInUse(m_target))
            return failure(kFileInUseError, tr("The file is in use"));
        if (!m_temp.flush())
            return writeError();
        if (!m_temp.setPermissions(newFilePermissions(executable)))
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
    static Result<void> success() { return {}; }
    QString m_target;
    QTemporaryFile m_temp;
};

} // namespace

Result<void> CheckTransfer(const Inet& inet)
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
    if (!inet.BodyDelimited())
        return failure(0, tr("The server did not say how long its answer is, so it may be cut short"));
    return {};
}

Result<void> ReplaceFile(const QString& target, const QByteArray& bytes, bool executable,
                         const QString& backup)
{
    if (FileInUse(target))
        return failure(kFileInUseError, tr("The file is in use"));
    Replacement file(target);
    Result<void> result = file.open();
    if (!result.ok)
        return result;
    if (!file.write(bytes))
        return file.writeError();
    if (!backup.isEmpty() && QFileInfo::exists(target)) {
        QFile::remove(backup);
        if (!QFile::copy(target, backup))
            return failure(
                QFileDevice::CopyError,
                tr("The previous version cannot be kept as %1").arg(QDir::toNativeSeparators(backup)));
    }
    result = file.commit(executable);
    if (!result.ok && !backup.isEmpty())
        QFile::remove(backup);
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

bool RunGet(Inet& inet, const QString& url, const std::function<void(qint64)>& progress)
{
    if (!inet.Execute(url, QStringLiteral("GET")))
        return false;
    while (inet.StillExecuting()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (progress)
            progress(inet.BytesReceived());
    }
    return true;
}

Result<void> DownloadFile(Inet& inet, const QString& url, const QString& target, bool executable,
                          const std::function<void(qint64)>& progress, const ContentCheck& check)
{
    if (!RunGet(inet, url, progress))
        return failure(0, tr("Another transfer is running"));
    const Result<void> transfer = CheckTransfer(inet);
    if (!transfer.ok)
        return transfer;
    const QByteArray body = inet.GetChunk(std::numeric_limits<int>::max());
    if (const Result<void> checked = CheckContent(body, check); !checked)
        return failure(0, checked.error);
    return ReplaceFile(target, body, executable);
}

Result<void> CheckContent(const QByteArray& body, const ContentCheck& check)
{
    if (body.isEmpty())
        return Result<void>::failure(tr("The server sent an empty file"));
    return check ? check(body) : Result<void>{};
}

bool RestoreBackup(const QString& target, const QString& backup)
{
    std::error_code error;
    std::filesystem::rename(nativePath(backup), nativePath(target), error);
    return !error;
}

} // namespace sf
