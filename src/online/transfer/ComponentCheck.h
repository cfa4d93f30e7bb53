#pragma once

#include <QByteArray>
#include <QString>

namespace sf {

struct VersionPage;

// What a downloaded component must be before it may replace a file. Each gives an empty text when
// the bytes pass, else why not (for the user).

// An executable of this platform (ELF, PE on Windows) whose version section carries that product
// version.
QString CheckExecutable(const QByteArray& bytes, const QString& version);
// An executable of any of the two formats whose version section carries that product version.
QString CheckProgramVersion(const QByteArray& bytes, const QString& version);

// The bytes' SHA-256 against the hash the version page gives for fileName (a name under "/files/");
// a page without hashes passes everything.
QString CheckAnnouncedHash(const QByteArray& bytes, const VersionPage& page, const QString& fileName);

} // namespace sf
