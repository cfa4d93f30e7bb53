#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace sf::robots {

// The path a crawler requests for a remote entry: folder and name joined by "/" (a doubled slash
// made single), every byte a path segment cannot hold as it is percent-encoded (UTF-8); letters,
// digits, "-._~", "!$&'()*+,;=", ":" and "@" stay.
QByteArray entryUrlPath(const QString& directory, const QString& entryName);

// The Disallow value that blocks a path so encoded: the path itself, with "*" after a final "$"
// (which would otherwise anchor the end). A "*" in the path is written as the wildcard, which also
// matches the literal star; such a pattern is not exact.
QByteArray blockingPattern(QByteArrayView urlPath);
bool isExactPattern(QByteArrayView pattern);

// The names among a folder's entries, other than except, whose paths the pattern blocks.
QStringList alsoBlocked(QByteArrayView pattern, const QString& directory, const QStringList& names,
                        const QString& except);

} // namespace sf::robots
