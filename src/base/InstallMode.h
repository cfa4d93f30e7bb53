#pragma once

#include "base/Result.h"

#include <QFileDevice>
#include <QList>
#include <QString>

namespace sf {

// How this copy of the program is installed. Portable: an unpacked folder its user can write, where
// robots.rbd, temp.txt and the downloaded components live beside the executable and the program
// updates itself. Packaged: installed by the package manager where users cannot write; each user's
// robots.rbd and temp.txt live in the user's data folder, and updates come through the package
// manager.
enum class InstallMode { Portable, Packaged };

// The file the package puts in the program's folder, so that even the system's administrator, who
// may write anywhere, runs the packaged copy as packaged.
inline constexpr const char* kPackagedMarker = "installed-by-package";

// What the mode is decided from: the program folder's owner, group and permission bits, whether it
// holds the package's marker, and who runs the program.
struct ProgramFolderFacts {
    uint ownerId = 0;
    uint groupId = 0;
    QFileDevice::Permissions permissions;
    bool hasMarker = false;
    uint userId = 0;
    QList<uint> userGroups;
};

// Packaged when the folder holds the marker or its permission bits do not let this user write it.
// The bits are read as the system reads them for an ordinary user (the owner's when the user owns
// the folder, else the group's when the user is in its group, else everyone's), so that root gets
// the packaged mode too in a folder whose bits say nobody writes it.
InstallMode installModeFor(const ProgramFolderFacts& facts);

// Where the program keeps one of its user files (robots.rbd, temp.txt).
struct UserFilePaths {
    QString read;     // the user's copy once there is one, else the program folder's file
    QString write;    // where changes go
    QString copyFrom; // copied to `write` before the first change; empty when nothing is copied
};
UserFilePaths userFilePaths(InstallMode mode, const QString& programDirectory, const QString& dataDirectory,
                            const QString& name, bool userCopyExists);

// The mode of the running program, from ProgramDirectory() as it is now.
InstallMode CurrentInstallMode();
inline bool IsPackagedInstall()
{
    return CurrentInstallMode() == InstallMode::Packaged;
}
// The user's data folder: $XDG_DATA_HOME/Spiderfence, else ~/.local/share/Spiderfence.
QString UserDataDirectory();
// The file `name` to read, as userFilePaths() says for the running program.
QString UserFileForReading(const QString& name);
// The file `name` to write. Packaged, the data folder is made when missing and the program folder's
// file copied into it (writable by its user) before the first change.
Result<QString> UserFileForWriting(const QString& name);

} // namespace sf
