#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Parsers for the lines of FTP directory listings: the machine listing of MLSD, and the two
// human-readable formats that servers answer LIST with (Unix "ls -l" style and DOS/IIS style).
// They are pure functions so that recorded server lines can be checked without a server.
// LIST gives no time zone; its times are taken as UTC, as vsftpd and pyftpdlib write them unless
// told otherwise. MLSD times are UTC by definition. Names are held as nameFromServer gives them
// (RemoteName.h), so that the server's bytes survive.
namespace sf::ftp {

struct ListingEntry {
    QString name;
    bool isDirectory = false;
    bool isLink = false;
    qint64 size = 0;
    QDateTime modified;  // UTC; invalid when the line gives no date
    bool hasTime = true; // false: the line gave a date only (modified is that date's 00:00 UTC)
    QString linkTarget;  // what a LIST line says a symbolic link points to
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

// A listing parsed while it arrives on the data connection: each chunk is fed as it comes, the
// lines (ended by CR LF or LF) it completes are parsed at once, and finish() takes a last line that
// has no line end.
class ListingStream {
public:
    ListingStream(bool machineListing, const QDateTime& nowUtc) : m_machine(machineListing), m_now(nowUtc) {}
    void feed(const char* data, qsizetype size);
    void finish();
    // Forgets what came so far: the transfer starts again from the beginning.
    void restart();
    QList<ListingEntry>& entries() { return m_entries; }

private:
    void parseLine(QByteArrayView line);

    bool m_machine;
    QDateTime m_now;
    QByteArray m_pending; // the start of a line whose end has not arrived yet
    QList<ListingEntry> m_entries;
};

// A whole listing as it arrived on the data connection.
QList<ListingEntry> parseListing(const QByteArray& data, bool machineListing, const QDateTime& nowUtc);

// Wildcard match of a file name against a search pattern: "?" is any one character, "*" any run of
// characters; "*.*" and "*" match every name, as on the desktop.
bool matchesPattern(const QString& name, const QString& pattern);

} // namespace sf::ftp
