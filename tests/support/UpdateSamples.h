#pragma once

#include <QByteArray>
#include <QString>

namespace sf::test {

// What the tests of the update path serve: robot databases, programs of a chosen version and
// version pages.

// The bytes of a robots.rbd of count robots, every record stamped with version.
QByteArray robotDatabaseBytes(int count, const QString& version);

// A built program (a file in the build's bin folder, or any path) whose version section now says
// version instead of the project's version (both as long as each other).
QByteArray programWithVersion(const QString& path, const QString& version);

// The nine fields of a version page: the three versions split at ".".
QByteArray versionFields(const QString& program, const QString& robotList, const QString& renewkit);

// The nine fields followed by the SHA-256 (hex) of the four files in the page's order.
QByteArray hashedVersionPage(const QByteArray& nineFields, const QByteArray& robots,
                             const QByteArray& renewkit, const QByteArray& help, const QByteArray& program);

} // namespace sf::test
