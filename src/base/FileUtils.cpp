#include "base/FileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace sf {
namespace {
const QChar kSeparator = QDir::separator();
QString g_programDirectory;
} // namespace

bool FileExists(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile();
}

qint32 FileLength(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile())
        return 0;
    const qint64 size = info.size();
    return size > std::numeric_limits<qint32>::max() ? 0 : static_cast<qint32>(size);
}

QString PathTail(const QString& path, qint32 n)
{
    qsizetype p = path.size(); // 1-based position of the separator found last; 0 = none
    for (qint32 i = 0; i < n; ++i) {
        // Search backwards starting one character before position p.
        const qsizetype from = p - 2; // 0-based index of the character before position p
        const qsizetype found = from < 0 ? -1 : path.lastIndexOf(kSeparator, from);
        if (found < 0) {
            p = 0;
            break;
        }
        p = found + 1;
    }
    return path.mid(p);
}

QString FileTitle(const QString& path, bool keepExtension)
{
    QString name = PathTail(path, 1);
    if (!keepExtension) {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0)
            name.truncate(dot);
    }
    return name;
}

QString ProgramDirectory()
{
    return QDir::toNativeSeparators(g_programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                                 : g_programDirectory);
}

QString ProgramPath(const QString& name)
{
    return ProgramDirectory() + kSeparator + name;
}

void SetProgramDirectory(const QString& directory)
{
    g_programDirectory = directory;
}

QString ExecutableName(const QString& baseName)
{
#ifdef Q_OS_WIN
    return baseName + QStringLiteral(".exe");
#else
    return baseName;
#endif
}

qint64 RecordCount(qint64 fileLength, qint64 recordSize)
{
    if (fileLength <= 0 || recordSize <= 0)
        return 0;
    const qint64 whole = fileLength / recordSize;
    const qint64 rest2 = (fileLength % recordSize) * 2;
    if (rest2 > recordSize || (rest2 == recordSize && (whole % 2) == 1))
        return whole + 1;
    return whole;
}

Result<void> SaveFileAtomically(const QString& path, const FileWriter& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result<void>::failure(file.errorString());
    if (Result<void> written = write(file); !written) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit())
        return Result<void>::failure(file.errorString());
    return {};
}

void StartWriteBack(QIODevice& file)
{
#ifdef Q_OS_LINUX
    auto* fileDevice = qobject_cast<QFileDevice*>(&file);
    if (fileDevice && fileDevice->handle() >= 0 && fileDevice->flush())
        ::sync_file_range(fileDevice->handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
}

Result<void> SaveFileAtomically(const QString& path, const QByteArray& bytes)
{
    return SaveFileAtomically(path, [&bytes](QIODevice& file) {
        return file.write(bytes) == bytes.size() ? Result<void>{} : Result<void>::failure(file.errorString());
    });
}

} // namespace sf
