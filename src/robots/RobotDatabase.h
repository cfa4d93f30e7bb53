#pragma once

#include "base/Result.h"
#include "robots/RobotRecord.h"

#include <QString>

#include <functional>

class QIODevice;

namespace sf {

// Record numbers are 16-bit: a database holds at most this many records.
constexpr qint32 kMaxRobotRecords = 32767;

// robots.rbd: a plain sequence of RobotRecord::kSlotSize-byte slots, record n (from 1) in slot n.
// Every operation opens the file, does its work and closes it again.
class RobotDatabase {
public:
    explicit RobotDatabase(QString path = defaultPath());

    // The robots.rbd to read: the program folder's, or the user's copy of it in a packaged install.
    static QString defaultPath();
    // The robots.rbd to change: the program folder's, or in a packaged install the user's copy,
    // made from the installed one when there is none yet.
    static Result<QString> writablePath();
    const QString& path() const { return m_path; }

    // The number of records in a file of that length: length / slot size, rounded to the nearest
    // whole number, an exact half to the even one.
    static qint32 countRecords(qint64 length);

    bool exists() const;
    // 0 when the file is missing.
    qint32 count() const;
    Result<void> read(qint32 n, RobotRecord& record) const;
    // Rewrites record n in place, or appends it when n is count() + 1; creates a missing file.
    Result<void> write(qint32 n, const RobotRecord& record) const;
    // Sets the version field of every record; no other byte of the data changes.
    Result<void> stampVersion(const QString& version) const;

    // Called for every record in file order with its kDataSize data bytes (a partial last slot is
    // completed with RobotRecord::blankData()). The pointer is valid only during the call.
    using Visitor = std::function<void(qint32 n, const char* data)>;
    // One sequential pass over the file (at most kMaxRobotRecords records).
    Result<void> readAll(const Visitor& visit) const;

    // The same operations on an open device: readers need it readable, writers readable and writable.
    static Result<void> readRecord(QIODevice& device, qint32 n, RobotRecord& record);
    static Result<void> writeRecord(QIODevice& device, qint32 n, const RobotRecord& record);
    static Result<void> stampVersion(QIODevice& device, const QString& version);
    static Result<void> readRecords(QIODevice& device, const Visitor& visit);

private:
    QString m_path;
};

// The shared operations on the program's robots.rbd (defaultPath(), writablePath() for changes); they
// keep RobotCount and CurrentRobot.
// Sets RobotCount from the file (0 when it is missing) and returns it.
qint32 CountRobots();
// Reads record n into CurrentRobot.
Result<void> ReadRobot(qint32 n);
// Writes CurrentRobot as record n (n = RobotCount + 1 appends); RobotCount follows the file.
Result<void> WriteRobot(qint32 n);
// Stamps the version into every record (cut to 15 characters).
Result<void> StampRobotVersion(const QString& version);

// The one pass over robots.rbd that fills a robot list. Sets RobotCount (0 when the file is missing,
// which is no failure and calls nothing). Otherwise calls `begin` with the number of records the pass
// will list, then `record` for each in file order; the last of them becomes CurrentRobot, and only
// then `lastRead` is set. A read error keeps what was read before it.
Result<void> ReadRobotList(const QString& path, const std::function<void(qint32 listed)>& begin,
                           const RobotDatabase::Visitor& record, bool* lastRead = nullptr);

} // namespace sf
