#include "base/InstallMode.h"

#include "base/FileUtils.h"
#include "base/Translate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace sf {
namespace {

SF_FILE_TRANSLATIONS("sf::InstallMode")

// The ids of the user running the program: user, effective group and supplementary groups.
void readUserIds(ProgramFolderFacts& facts)
{
#ifdef Q_OS_UNIX
    facts.userId = ::geteuid();
    facts.userGroups << ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        QList<gid_t> groups(count);
        const int read = ::getgroups(count, groups.data());
        for (int i = 0; i < read; ++i)
            facts.userGroups << groups[i];
    }
#else
    Q_UNUSED(facts);
#endif
}

QString joined(const QString& directory, const QString& name)
{
    return QDir::toNativeSeparators(directory + u'/' + name);
}

} // namespace

InstallMode installModeFor(const ProgramFolderFacts& facts)
{
    if (facts.hasMarker)
        return InstallMode::Packaged;
    QFileDevice::Permission bit = QFileDevice::WriteOther;
    if (facts.userId == facts.ownerId)
        bit = QFileDevice::WriteOwner;
    else if (facts.userGroups.contains(facts.groupId))
        bit = QFileDevice::WriteGroup;
    return facts.permissions.testFlag(bit) ? InstallMode::Portable : InstallMode::Packaged;
}

UserFilePaths userFilePaths(InstallMode mode, const QString& programDirectory, const QString& dataDirectory,
                            const QString& name, bool userCopyExists)
{
    const QString installed = joined(programDirectory, name);
    if (mode == InstallMode::Portable)
        return {installed, installed, {}};
    const QString own = joined(dataDirectory, name);
    if (userCopyExists)
        return {own, own, {}};
    return {installed, own, installed};
}

InstallMode CurrentInstallMode()
{
#ifdef Q_OS_UNIX
    const QFileInfo folder(ProgramDirectory());
    ProgramFolderFacts facts;
    facts.ownerId = folder.ownerId();
    facts.groupId = folder.groupId();
    facts.permissions = folder.permissions();
    facts.hasMarker = QFileInfo::exists(ProgramPath(QLatin1String(kPackagedMarker)));
    readUserIds(facts);
    return installModeFor(facts);
#else
    return QFileInfo::exists(ProgramPath(QLatin1String(kPackagedMarker))) ? InstallMode::Packaged
                                                                          : InstallMode::Portable;
#endif
}

QString UserDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Spiderfence");
}

namespace {

UserFilePaths currentPaths(const QString& name)
{
    const QString data = UserDataDirectory();
    return userFilePaths(CurrentInstallMode(), ProgramDirectory(), data, name,
                         FileExists(joined(data, name)));
}

} // namespace

QString UserFileForReading(const QString& name)
{
    return currentPaths(name).read;
}

Result<QString> UserFileForWriting(const QString& name)
{
    const UserFilePaths paths = currentPaths(name);
    if (paths.write == paths.read) // portable, or the user's copy is there
        return paths.write;
    if (!QDir().mkpath(UserDataDirectory()))
        return Result<QString>::failure(tr("Cannot make the folder %1.").arg(UserDataDirectory()));
    if (!FileExists(paths.copyFrom))
        return paths.write;
    QFile source(paths.copyFrom);
    if (!source.copy(paths.write))
        return Result<QString>::failure(
            tr("Cannot copy %1 to %2: %3").arg(paths.copyFrom, paths.write, source.errorString()));
    // The installed file may be read-only; the user's copy is the user's to change.
    QFile::setPermissions(paths.write, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return paths.write;
}

} // namespace sf
