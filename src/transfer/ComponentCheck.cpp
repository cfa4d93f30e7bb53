#include "transfer/ComponentCheck.h"

#include "base/VersionResource.h"
#include "transfer/Signature.h"
#include "transfer/VersionPage.h"

#include <QCoreApplication>

namespace sf {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ComponentCheck", text);
}

bool isPlatformExecutable(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    return bytes.startsWith("MZ");
#else
    return bytes.startsWith("\x7f"
                            "ELF");
#endif
}

} // namespace

Result<void> CheckExecutable(const QByteArray& bytes, const QString& version)
{
    if (!isPlatformExecutable(bytes))
        return Result<void>::failure(tr("The file is not a program"));
    return CheckProgramVersion(bytes, version);
}

Result<void> CheckProgramVersion(const QByteArray& bytes, const QString& version)
{
    const versionres::Bytes resource = versionres::extractFromImage(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    const std::optional<std::u16string> found = versionres::productVersion(resource);
    if (!found)
        return Result<void>::failure(tr("The program carries no version"));
    if (QString::fromStdU16String(*found) != version)
        return Result<void>::failure(tr("The program is version %1, not the announced %2")
                                         .arg(QString::fromStdU16String(*found), version));
    return {};
}

Result<void> CheckAnnouncedHash(const QByteArray& bytes, const VersionPage& page, const QString& fileName)
{
    const auto expected = page.hashes.constFind(fileName);
    if (expected == page.hashes.constEnd())
        return {};
    if (Sha256(bytes) != *expected)
        return Result<void>::failure(
            tr("The file is not the one the version page announced (its SHA-256 differs)"));
    return {};
}

} // namespace sf
