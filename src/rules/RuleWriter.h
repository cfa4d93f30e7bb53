#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <string_view>

namespace sf::rules {

// The path a crawler requests for a remote entry: folder and name joined by "/" (a doubled slash
// made single), every byte a path segment cannot hold as it is percent-encoded (UTF-8); letters,
// digits, "-._~", "!$&'()*+,;=", ":" and "@" stay.
QByteArray entryUrlPath(const QString& directory, const QString& entryName);

// Appends bytes (UTF-8) to a path so encoded, each byte a path segment cannot hold as "%XX".
void appendPathEncoded(QByteArray& out, QByteArrayView bytes);

// The same paths for many entries of one folder (a folder's own path ends in "/"), the folder's
// part encoded once: the window asks for every entry of the folder it shows.
class EntryUrlPaths {
public:
    explicit EntryUrlPaths(const QString& directory);
    // Valid until the next call.
    std::string_view path(const QString& entryName, bool folder);

private:
    QString m_directory;
    QByteArray m_path;      // the folder's path with its final "/", then the last entry's name
    qsizetype m_prefixSize; // the folder's part of m_path
    QByteArray m_joined;
};

// The Disallow value that blocks a path so encoded: the path itself, with "*" after a final "$"
// (which would otherwise anchor the end). A "*" in the path is written as the wildcard, which also
// matches the literal star; such a pattern is not exact.
QByteArray blockingPattern(QByteArrayView urlPath);
bool isExactPattern(QByteArrayView pattern);
// The value written after "Disallow: " for a remote entry: its URL path made into a pattern that
// blocks it.
QString disallowPath(const QString& directory, const QString& entryName);

// The names among a folder's entries, other than except, whose paths the pattern blocks.
QStringList alsoBlocked(QByteArrayView pattern, const QString& directory, const QStringList& names,
                        const QString& except);

} // namespace sf::rules
