#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Parsers for the lines of FTP directory listings: the machine listing of MLSD, and the two
// human-readable formats that servers answer LIST with (Unix "ls -l" style and DOS/IIS style).
// They are pure functions so that recorded server lines can be checked without a server.
// LIST gives no time zone; its times are taken as UTC, as vsftpd and pyftpdlib write them unless
// told otherwise. MLSD times are UTC by definition.
namespace sf::ftp {

struct ListingEntry {
    QString name;
    bool isDirectory = false;
    bool isLink = false;
    qint64 size = 0;
    QDateTime modified; // UTC; invalid when the line gives no time
};

// One MLSD line: "fact=value;fact=value; name". Entries of type cdir/pdir ("." and "..") give nothing.
std::optional<ListingEntry> parseMlsdLine(const QString& line);

// One LIST line in Unix format. Symbolic links give the link's own name. A date without a year
// gets the year that puts it closest to, but not after, nowUtc (one day of slack for time zones).
std::optional<ListingEntry> parseUnixListLine(const QString& line, const QDateTime& nowUtc);

// One LIST line in DOS format: "12-07-26  01:23PM  <DIR>  name" or with a size instead of <DIR>.
std::optional<ListingEntry> parseDosListLine(const QString& line);

// One LIST line in whichever of the two formats it is written.
std::optional<ListingEntry> parseListLine(const QString& line, const QDateTime& nowUtc);

// A whole listing as it arrived on the data connection (UTF-8, lines ended by CR LF or LF).
QList<ListingEntry> parseListing(const QByteArray& data, bool machineListing, const QDateTime& nowUtc);

// Wildcard match of a file name against a search pattern: "?" is any one character, "*" any run of
// characters; "*.*" and "*" match every name, as on the desktop.
bool matchesPattern(const QString& name, const QString& pattern);

} // namespace sf::ftp
