#include "robots/RobotDatabase.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "base/InstallMode.h"
#include "base/SharedState.h"
#include "base/Translate.h"
#include "robots/RobotState.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace sf {
namespace {

constexpr qint64 kSlot = RobotRecord::kSlotSize;
constexpr qint64 kData = RobotRecord::kDataSize;
// Slots read at once by a full pass: about 400 KB, whatever the size of the file.
constexpr qint64 kChunkSlots = 64;

SF_FILE_TRANSLATIONS("sf::RobotDatabase")

Result<void> deviceError(const char* what, const QIODevice& device)
{
    return Result<void>::failure(tr(what).arg(device.errorString()));
}

// Reads until size bytes arrived or the device has no more; -1 on a read error.
qint64 readFully(QIODevice& device, char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 got = device.read(data + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

bool writeAt(QIODevice& device, qint64 offset, const char* data, qint64 size)
{
    return device.seek(offset) && device.write(data, size) == size;
}

// The bytes a reader sees at [from, to) of a slot that the file does not hold: blank data, then filler.
QByteArray missingSlotBytes(qint64 from, qint64 to)
{
    QByteArray bytes(to - from, '\0');
    if (from < kData)
        std::memcpy(bytes.data(), RobotRecord::blankData().constData() + from, std::min(to, kData) - from);
    return bytes;
}

Result<void> checkNumber(qint32 n, qint32 count)
{
    if (n < 1 || n > count)
        return Result<void>::failure(
            tr("Record %1 is not in the robot database, which holds %2 records.").arg(n).arg(count));
    return {};
}

Result<void> checkWritable(qint32 n, qint32 count)
{
    if (n < 1 || n > std::min(count + 1, kMaxRobotRecords))
        return Result<void>::failure(
            tr("Record %1 cannot be written to a robot database of %2 records.").arg(n).arg(count));
    return {};
}

Result<void> openFile(QFile& file, QIODevice::OpenMode mode)
{
    if (file.open(mode))
        return {};
    return Result<void>::failure(
        tr("Cannot open the robot database %1: %2").arg(file.fileName(), file.errorString()));
}

} // namespace

RobotDatabase::RobotDatabase(QString path) : m_path(std::move(path)) {}

QString RobotDatabase::defaultPath()
{
    return UserFileForReading(QStringLiteral("robots.rbd"));
}

Result<QString> RobotDatabase::writablePath()
{
    return UserFileForWriting(QStringLiteral("robots.rbd"));
}

qint32 RobotDatabase::countRecords(qint64 length)
{
    return static_cast<qint32>(
        std::min<qint64>(RecordCount(length, kSlot), std::numeric_limits<qint32>::max()));
}

bool RobotDatabase::exists() const
{
    return FileExists(m_path);
}

qint32 RobotDatabase::count() const
{
    QFile file(m_path);
    return exists() ? countRecords(file.size()) : 0;
}

Result<void> RobotDatabase::read(qint32 n, RobotRecord& record) const
{
    QFile file(m_path);
    if (Result<void> opened = openFile(file, QIODevice::ReadOnly); !opened)
        return opened;
    return readRecord(file, n, record);
}

Result<void> RobotDatabase::write(qint32 n, const RobotRecord& record) const
{
    // A refused write leaves the disk as it was: it must not create the file on its way.
    if (Result<void> valid = checkWritable(n, count()); !valid)
        return valid;
    // Unbuffered, so that a failing write is seen here and not at close.
    QFile file(m_path);
    if (Result<void> opened = openFile(file, QIODevice::ReadWrite | QIODevice::Unbuffered); !opened)
        return opened;
    return writeRecord(file, n, record);
}

Result<void> RobotDatabase::stampVersion(const QString& version) const
{
    QFile file(m_path);
    if (!exists())
        return {};
    if (Result<void> opened = openFile(file, QIODevice::ReadWrite | QIODevice::Unbuffered); !opened)
        return opened;
    return stampVersion(file, version);
}

Result<void> RobotDatabase::readAll(const Visitor& visit) const
{
    QFile file(m_path);
    if (Result<void> opened = openFile(file, QIODevice::ReadOnly); !opened)
        return opened;
    return readRecords(file, visit);
}

Result<void> RobotDatabase::readRecord(QIODevice& device, qint32 n, RobotRecord& record)
{
    if (Result<void> valid = checkNumber(n, countRecords(device.size())); !valid)
        return valid;
    QByteArray data = RobotRecord::blankData();
    if (!device.seek((n - 1) * kSlot) || readFully(device, data.data(), kData) < 0)
        return deviceError("Cannot read the robot database: %1", device);
    record = RobotRecord::fromData(data.constData());
    return {};
}

Result<void> RobotDatabase::writeRecord(QIODevice& device, qint32 n, const RobotRecord& record)
{
    const qint64 size = device.size();
    if (Result<void> valid = checkWritable(n, countRecords(size)); !valid)
        return valid;
    const qint64 slotStart = (n - 1) * kSlot;
    qint64 writeStart = slotStart;
    QByteArray bytes;
    if (size < slotStart) {
        // The slot before is the partial last one: complete it as a reader sees it.
        writeStart = size;
        bytes = missingSlotBytes(size - (slotStart - kSlot), kSlot);
    }
    bytes += record.toData();
    if (size < slotStart + kSlot) // the slot is new or incomplete: give it its filler
        bytes += QByteArray(kSlot - kData, '\0');
    if (!writeAt(device, writeStart, bytes.constData(), bytes.size()))
        return deviceError("Cannot write to the robot database: %1", device);
    return {};
}

Result<void> RobotDatabase::stampVersion(QIODevice& device, const QString& version)
{
    char field[RobotRecord::kVersionWidth];
    writeFixedText(field, RobotRecord::kVersionWidth, version);
    const QByteArray versionBytes(field, sizeof field);
    const qint64 size = device.size();
    const qint32 count = countRecords(size);
    for (qint32 n = 1; n <= count; ++n) {
        const qint64 slotStart = (n - 1) * kSlot;
        const qint64 present = size - slotStart;
        qint64 from = RobotRecord::kVersionOffset;
        QByteArray bytes = versionBytes;
        if (present < from) { // a partial last slot: complete its data up to the version field
            bytes.prepend(missingSlotBytes(present, from));
            from = present;
        }
        if (!writeAt(device, slotStart + from, bytes.constData(), bytes.size()))
            return deviceError("Cannot write to the robot database: %1", device);
    }
    return {};
}

Result<void> RobotDatabase::readRecords(QIODevice& device, const Visitor& visit)
{
    const qint64 size = device.size();
    const qint32 count = std::min(countRecords(size), kMaxRobotRecords);
    const qint64 total = std::min(size, count * kSlot);
    if (!device.seek(0))
        return deviceError("Cannot read the robot database: %1", device);
    std::vector<char> chunk(static_cast<std::size_t>(std::min(total, kChunkSlots * kSlot)));
    QByteArray partial;
    qint32 n = 0;
    for (qint64 done = 0; done < total;) {
        const qint64 want = std::min<qint64>(total - done, static_cast<qint64>(chunk.size()));
        const qint64 got = readFully(device, chunk.data(), want);
        if (got < 0)
            return deviceError("Cannot read the robot database: %1", device);
        if (got < want)
            return Result<void>::failure(tr("The robot database ended before its last record."));
        for (qint64 at = 0; at < got; at += kSlot) {
            const char* data = chunk.data() + at;
            if (got - at < kData) {
                partial = RobotRecord::blankData();
                std::memcpy(partial.data(), data, static_cast<std::size_t>(got - at));
                data = partial.constData();
            }
            visit(++n, data);
        }
        done += got;
    }
    return {};
}

qint32 CountRobots()
{
    RobotCount = RobotDatabase().count();
    return RobotCount;
}

Result<void> ReadRobot(qint32 n)
{
    return RobotDatabase().read(n, CurrentRobot);
}

Result<void> WriteRobot(qint32 n)
{
    const Result<QString> path = RobotDatabase::writablePath();
    if (!path)
        return path.status();
    const RobotDatabase database(path.value());
    const Result<void> result = database.write(n, CurrentRobot);
    RobotCount = database.count();
    return result;
}

Result<void> StampRobotVersion(const QString& version)
{
    const Result<QString> path = RobotDatabase::writablePath();
    if (!path)
        return path.status();
    const RobotDatabase database(path.value());
    RobotCount = database.count();
    return database.stampVersion(version);
}

Result<void> ReadRobotList(const QString& path, const std::function<void(qint32 listed)>& begin,
                           const RobotDatabase::Visitor& record, bool* lastRead)
{
    if (lastRead)
        *lastRead = false;
    if (!FileExists(path)) {
        RobotCount = 0;
        return {};
    }
    QFile file(path);
    RobotCount = RobotDatabase::countRecords(file.size());
    const qint32 listed = std::min(RobotCount, kMaxRobotRecords);
    begin(listed);
    if (Result<void> opened = openFile(file, QIODevice::ReadOnly); !opened)
        return opened;
    return RobotDatabase::readRecords(file, [&](qint32 n, const char* data) {
        record(n, data);
        if (n == listed) { // the pass ends on this record: it becomes the current one
            CurrentRobot = RobotRecord::fromData(data);
            if (lastRead)
                *lastRead = true;
        }
    });
}

} // namespace sf
