#pragma once

#include "base/Protocol.h"
#include "base/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace sf {
struct ProjectHeader;
}

// The record of every publish: for each file put on a server (robots.txt, .htaccess), the file the
// server held before and the file sent, with the time, in the user's data folder. One history per
// login at a server and site folder; the last kKeptPublishes publishes of each file are kept.
// ARCHITECTURE.md describes the files.
namespace sf::history {

inline constexpr int kKeptPublishes = 100;

// Where a publish went. The login (host, port, user) and the folder name the history; the rest is
// written into each record.
struct Place {
    QString server; // the host, as typed
    int port = 0;   // the port used
    QString user;
    // The site folder; empty when none is set and the file went into the login folder. A file put
    // elsewhere without a site folder has that folder's path here.
    QString folder;
    QString siteAddress;
    ftp::Protocol protocol = ftp::Protocol::Ftp;

    // The project's login and site folder.
    static Place of(const ProjectHeader& header);
};

// The file the server held where a publish wrote.
struct ServerFile {
    enum class State { Held, None, Unread };
    State state = State::None;
    QByteArray bytes; // Held: the file's bytes
    QString error;    // Unread: why it could not be read
};

// One publish as the index keeps it.
struct Record {
    int number = 0;   // counts up within the history, never reused
    QDateTime time;   // UTC
    QString fileName; // "robots.txt", ".htaccess"
    QString folder;   // where on the server it was written
    QString siteAddress;
    QByteArray sentHash; // SHA-256, hex
    qint64 sentSize = 0;
    ServerFile::State replaced = ServerFile::State::None;
    QByteArray replacedHash; // Held only
    qint64 replacedSize = -1;
};

// What an index file holds.
struct Index {
    QString server; // "user@host:port"
    QString folder;
    QList<Record> records; // oldest first
};

// The bytes of an index file, and the index they write. A file that is not one gives the reason.
Result<Index> readIndex(const QByteArray& bytes);
QByteArray writeIndex(const Index& index);

// $XDG_DATA_HOME/Spiderfence/history (default ~/.local/share/Spiderfence/history).
QString historyRoot();
// The folder of a place's history below the root: a name made of the login and folder, so that one
// can tell them apart by eye, with a hash where they would make it too long.
QString folderName(const Place& place);

// The history of one place, in its folder.
class History {
public:
    explicit History(QString folder) : m_folder(std::move(folder)) {}
    // The place's history in the user's data folder.
    static History of(const Place& place);

    QString folder() const { return m_folder; }
    // Keeps one publish: the file replaced and the file sent are written first, then the index; the
    // oldest publishes of that file beyond kKeptPublishes, and the files no publish refers to any
    // more, go.
    Result<Record> add(const Place& place, const QString& fileName, const ServerFile& replaced,
                       const QByteArray& sent, const QDateTime& time = QDateTime::currentDateTimeUtc());
    // The publishes of the file, newest first; none when nothing was recorded.
    Result<QList<Record>> publishes(const QString& fileName) const;
    // A kept file's bytes, checked against its size and hash.
    Result<QByteArray> bytes(const QByteArray& hash, qint64 size) const;
    Result<QByteArray> sentBytes(const Record& record) const
    {
        return bytes(record.sentHash, record.sentSize);
    }
    // Fails when the publish replaced no file, or one that could not be read.
    Result<QByteArray> replacedBytes(const Record& record) const;

private:
    Result<Index> load() const;
    Result<void> keep(const QByteArray& content, QByteArray& hash) const;
    void removeUnreferenced(const Index& index) const;

    QString m_folder;
};

// Records a publish in the place's history in the user's data folder: History::of(place).add(...).
// The caller publishes whatever this answers; a failure is only to be told.
Result<Record> recordPublish(const Place& place, const QString& fileName, const ServerFile& replaced,
                             const QByteArray& sent);

} // namespace sf::history
