#include "robots/RobotDatabase.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "base/InstallMode.h"
#include "base/SharedState.h"
#include "base/Translate.h"
#include "robots/RobotState.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

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
// Slots mapped at once by a full pass through a memory map: about 1.7 MB. Wider windows gain
// little time and every mapped page counts in the resident size until the window moves on.
constexpr qint64 kMapWindowSlots = 256;

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

// Hands the slots of a stretch of the file to the visitor, counting records from 1 over the stretches.
struct SlotWalk {
    explicit SlotWalk(const RobotDatabase::Visitor& visitor) : visit(visitor) {}

    const RobotDatabase::Visitor& visit;
    qint32 n = 0;
    QByteArray partial;

    void visitSlots(const char* bytes, qint64 length)
    {
        for (qint64 at = 0; at < length; at += kSlot) {
            const char* data = bytes + at;
            if (length - at < kData) { // a partial last slot: complete its data with blanks
                partial = RobotRecord::blankData();
                std::memcpy(partial.data(), data, static_cast<std::size_t>(length - at));
                data = partial.constData();
            }
            visit(++n, data);
        }
    }
};

// The first `total` bytes of the file through a memory map, one window at a time. A read would copy
// every byte of a 215 MB file out of the page cache; a map hands its pages over, and asking for them
// all at once spares a fault per page. Only one window is mapped at a time, so the resident size
// rises by a window whatever the size of the file. Returns the bytes walked: short of total when a
// window could not be mapped, and the caller reads the rest.
qint64 readMapped(QFileDevice& file, qint64 total, SlotWalk& walk)
{
    for (qint64 done = 0; done < total;) {
        const qint64 length = std::min(total - done, kMapWindowSlots * kSlot);
        uchar* window = file.map(done, length);
        if (!window)
            return done;
#ifdef MADV_POPULATE_READ
        // The map starts on a page, or the system would not have made it.
        const auto page = static_cast<quintptr>(sysconf(_SC_PAGESIZE));
        auto* start = reinterpret_cast<void*>(reinterpret_cast<quintptr>(window) & ~(page - 1));
        const auto span = static_cast<std::size_t>(window + length - static_cast<uchar*>(start));
        if (madvise(start, span, MADV_POPULATE_READ) != 0) { // the file is shorter than it said
            file.unmap(window);
            return done;
        }
#endif
        walk.visitSlots(reinterpret_cast<const char*>(window), length);
        file.unmap(window);
        done += length;
    }
    return total;
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
    SlotWalk walk(visit);
    qint64 done = 0;
    if (auto* file = qobject_cast<QFileDevice*>(&device))
        done = readMapped(*file, total, walk);
    if (done == total)
        return {};
    if (!device.seek(done))
        return deviceError("Cannot read the robot database: %1", device);
    std::vector<char> chunk(static_cast<std::size_t>(std::min(total - done, kChunkSlots * kSlot)));
    while (done < total) {
        const qint64 want = std::min<qint64>(total - done, static_cast<qint64>(chunk.size()));
        const qint64 got = readFully(device, chunk.data(), want);
        if (got < 0)
            return deviceError("Cannot read the robot database: %1", device);
        if (got < want)
            return Result<void>::failure(tr("The robot database ended before its last record."));
        walk.visitSlots(chunk.data(), got);
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

namespace {

// Asks for the lines of a slot that the robot lists read (name, user-agent, category) ahead of their
// use: slots lie 6.5 KB apart, a stride the processor does not foresee, and each of these lines would
// otherwise be a wait on memory. A prefetch never faults, so the slot may lie past the data at hand.
constexpr int kListedLines[] = {
    RobotRecord::kNameOffset,
    RobotRecord::kNameOffset + 64,
    RobotRecord::kNameOffset + 128,
    RobotRecord::kNameOffset + RobotRecord::kNameWidth - 1,
    RobotRecord::kExclusionUserAgentOffset,
    RobotRecord::kExclusionUserAgentOffset + 64,
    RobotRecord::kExclusionUserAgentOffset + 128,
    RobotRecord::kExclusionUserAgentOffset + RobotRecord::kExclusionUserAgentWidth - 1,
    RobotRecord::kCategoryOffset,
    RobotRecord::kCategoryOffset + 1,
};
static_assert(RobotRecord::kNameWidth <= 192 && RobotRecord::kExclusionUserAgentWidth <= 192,
              "a field's lines are all asked for");

void prefetchListedFields(const char* slot)
{
    for (const int offset : kListedLines)
        __builtin_prefetch(slot + offset);
}

} // namespace

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
        prefetchListedFields(data + 2 * kSlot);
        record(n, data);
        if (n == listed) { // the pass ends on this record: it becomes the current one
            CurrentRobot = RobotRecord::fromData(data);
            if (lastRead)
                *lastRead = true;
        }
    });
}

} // namespace sf
