// Where the program keeps its user files, portable or packaged: the mode from the program folder's
// owner, group, permission bits and marker, and the paths to read, write and copy from.
#include "base/InstallMode.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace sf;

TEST(InstallMode, FolderBitsAndMarkerDecideWhereUserFilesGo)
{
    using P = QFileDevice;
    const QFileDevice::Permissions open = P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup |
                                          P::WriteGroup | P::ExeGroup | P::ReadOther | P::ExeOther;
    const QFileDevice::Permissions readOnly =
        P::ReadOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther;
    const QFileDevice::Permissions ownerOnly = P::ReadOwner | P::WriteOwner | P::ExeOwner;
    const QString prog = QStringLiteral("/opt/sf"), data = QStringLiteral("/home/u/.local/share/Spiderfence");
    const QString installed = QDir::toNativeSeparators(prog + "/robots.rbd");
    const QString own = QDir::toNativeSeparators(data + "/robots.rbd");
    const struct {
        const char* name;
        ProgramFolderFacts facts;
        bool userCopy;
        InstallMode mode;
        QString read, write, copyFrom;
    } cases[] = {
        {"own writable folder",
         {1000, 1000, open, false, 1000, {1000}},
         false,
         InstallMode::Portable,
         installed,
         installed,
         {}},
        {"own folder, owner's write bit off",
         {1000, 1000, readOnly, false, 1000, {1000}},
         false,
         InstallMode::Packaged,
         installed,
         own,
         installed},
        {"root in a folder nobody may write",
         {0, 0, readOnly, false, 0, {0}},
         false,
         InstallMode::Packaged,
         installed,
         own,
         installed},
        {"root's own writable folder",
         {0, 0, ownerOnly, false, 0, {0}},
         false,
         InstallMode::Portable,
         installed,
         installed,
         {}},
        {"root in another user's owner-only folder",
         {1000, 1000, ownerOnly, false, 0, {0}},
         false,
         InstallMode::Packaged,
         installed,
         own,
         installed},
        {"group member, group may write",
         {0, 50, open, false, 1000, {1000, 50}},
         false,
         InstallMode::Portable,
         installed,
         installed,
         {}},
        {"not in the group, others may not write",
         {0, 50, open, false, 1000, {1000}},
         false,
         InstallMode::Packaged,
         installed,
         own,
         installed},
        {"the package's folder, read only",
         {0, 0, readOnly, false, 1000, {1000}},
         true,
         InstallMode::Packaged,
         own,
         own,
         {}},
        {"the package's marker in a folder root may write",
         {0, 0, open, true, 0, {0}},
         false,
         InstallMode::Packaged,
         installed,
         own,
         installed},
    };
    for (const auto& c : cases) {
        const InstallMode mode = installModeFor(c.facts);
        EXPECT_EQ(mode, c.mode) << c.name;
        const UserFilePaths paths = userFilePaths(mode, prog, data, QStringLiteral("robots.rbd"), c.userCopy);
        EXPECT_EQ(paths.read, c.read) << c.name;
        EXPECT_EQ(paths.write, c.write) << c.name;
        EXPECT_EQ(paths.copyFrom, c.copyFrom) << c.name;
    }
}
