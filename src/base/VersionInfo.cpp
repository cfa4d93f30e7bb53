#include "base/VersionInfo.h"

#include "base/SharedState.h"
#include "base/VersionResource.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace sf {

namespace {

constexpr int kMaxValueLength = 128;

versionres::Bytes readResource(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() <= 0)
        return {};
    if (const uchar* mapped = file.map(0, file.size()))
        return versionres::extractFromImage(mapped, static_cast<std::size_t>(file.size()));
    const QByteArray all = file.readAll();
    return versionres::extractFromImage(reinterpret_cast<const std::uint8_t*>(all.constData()),
                                        static_cast<std::size_t>(all.size()));
}

versionres::Bytes toBytes(const QByteArray& a)
{
    return versionres::Bytes(a.begin(), a.end());
}

std::optional<QString> translationOf(const versionres::Bytes& resource)
{
    const auto value = versionres::queryValue(resource, u"\\VarFileInfo\\Translation");
    if (!value || value->size() < 4)
        return std::nullopt;
    const quint32 language = (*value)[0] | ((*value)[1] << 8);
    const quint32 codePage = (*value)[2] | ((*value)[3] << 8);
    return QString::number(codePage + language * 65536u, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

QString lookup(const versionres::Bytes& resource, const QString& language, const QString& key)
{
    const QString path = QStringLiteral("\\StringFileInfo\\") + language + QLatin1Char('\\') + key;
    const auto text = versionres::queryText(resource, path.toStdU16String());
    return text ? QString::fromStdU16String(*text).left(kMaxValueLength) : QString();
}

} // namespace

bool GetVersionInfo(const QString& path)
{
    const versionres::Bytes resource = readResource(path);
    if (resource.empty())
        return false;
    const std::optional<QString> language = translationOf(resource);
    if (!language)
        return false;
    VersionResourceBuffer =
        QByteArray(reinterpret_cast<const char*>(resource.data()), static_cast<qsizetype>(resource.size()));
    VersionLanguage = *language;
    ProductVersionText = GetVersionString(QStringLiteral("ProductVersion"));
    return !ProductVersionText.trimmed().isEmpty();
}

QString GetVersionString(const QString& key)
{
    return lookup(toBytes(VersionResourceBuffer), VersionLanguage, key);
}

QString WindowsDirectory()
{
#ifdef Q_OS_WIN
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? QString::fromWCharArray(buffer, static_cast<qsizetype>(n)) : QString();
#else
    return QString();
#endif
}

QString FileVersionNumbers::release() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

std::optional<FileVersionNumbers> GetFileVersionNumbers(const QString& path)
{
    const versionres::Bytes resource = readResource(path);
    if (const auto fixed = versionres::fixedVersion(resource))
        return FileVersionNumbers{fixed->file[0], fixed->file[1], fixed->file[2], fixed->file[3]};
    const std::optional<QString> language = translationOf(resource);
    if (!language)
        return std::nullopt;
    const QStringList parts =
        lookup(resource, *language, QStringLiteral("FileVersion")).split(QLatin1Char('.'));
    FileVersionNumbers numbers;
    int* fields[] = {&numbers.major, &numbers.minor, &numbers.revision, &numbers.build};
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i) {
        bool ok = false;
        *fields[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return numbers;
}

std::optional<FileVersionNumbers> RunningProgramVersion()
{
    return GetFileVersionNumbers(QCoreApplication::applicationFilePath());
}

} // namespace sf
