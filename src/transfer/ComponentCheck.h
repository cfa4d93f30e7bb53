#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

namespace sf {

struct VersionPage;

// What a downloaded component must be before it may replace a file. Each passes the bytes, or
// fails with why not (for the user).

// An executable of this platform (ELF, PE on Windows) whose version section carries that product
// version.
Result<void> CheckExecutable(const QByteArray& bytes, const QString& version);
// An executable of any of the two formats whose version section carries that product version.
Result<void> CheckProgramVersion(const QByteArray& bytes, const QString& version);

// The bytes' SHA-256 against the hash the version page gives for fileName (a name under "/files/");
// a page without hashes passes everything.
Result<void> CheckAnnouncedHash(const QByteArray& bytes, const VersionPage& page, const QString& fileName);

} // namespace sf
