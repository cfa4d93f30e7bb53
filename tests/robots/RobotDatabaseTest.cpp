// robots.rbd as a file: counting, reading, writing in place and appending, stamping, failures.
#include "base/SharedState.h"
#include "support/FailDevice.h"

#include "robots/RobotDatabase.h"

#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace sf;

namespace {

constexpr int kSlot = 6552;

RobotRecord robot(const QString& name, const QString& userAgent = {}, const QString& version = {})
{
    RobotRecord r;
    r.Robot_name = name;
    r.Robot_exclusion_useragent = userAgent;
    r.RobotVersion = version;
    r.Robot_category = 3;
    return r;
}

// A database of n records named "Robot 1" ..., each slot's filler set to a byte of its own.
QByteArray database(int n)
{
    QByteArray data;
    for (int i = 1; i <= n; ++i)
        data += robot(QStringLiteral("Robot %1").arg(i), QStringLiteral("ua%1").arg(i),
                      QStringLiteral("v%1").arg(i))
                    .toData() +
                QByteArray(kSlot - 3283, static_cast<char>(0x40 + i));
    return data;
}

QString nameOf(const QString& path, qint32 n)
{
    RobotRecord r;
    return RobotDatabase(path).read(n, r) ? r.Robot_name : QStringLiteral("<unreadable>");
}

} // namespace

TEST(RobotDatabase, CountsRecordsFromTheLengthRoundingHalfToEven)
{
    test::TempProgramDir dir;
    const struct {
        qint64 length;
        qint32 count;
    } cases[] = {
        {0, 0},    {kSlot * 3, 3},        {2 * kSlot + 3283, 3}, {3276, 0},
        {3277, 1}, {3 * kSlot + 3276, 4}, {2 * kSlot + 3276, 2}, {2 * kSlot + 3275, 2},
    };
    const QString path = dir.file(QStringLiteral("robots.rbd"));
    EXPECT_EQ(CountRobots(), 0) << "missing file";
    for (const auto& c : cases) {
        test::writeFileBytes(path, QByteArray(c.length, ' '));
        EXPECT_EQ(CountRobots(), c.count) << c.length;
        EXPECT_EQ(RobotCount, c.count) << c.length;
    }
}

TEST(RobotDatabase, PartialLastRecordReadsItsMissingBytesAsBlank)
{
    test::TempProgramDir dir;
    RobotRecord last = robot(QStringLiteral("Last"), QStringLiteral("lastbot"), QStringLiteral("9.9"));
    last.Reserved = QString(100, u'R');
    const QByteArray full = database(3) + last.toData();
    const QString path = dir.file(QStringLiteral("robots.rbd"));
    test::writeFileBytes(path, full.left(3 * kSlot + 3276)); // 3.5 slots: counts 4

    RobotRecord r;
    ASSERT_TRUE(RobotDatabase(path).read(4, r));
    EXPECT_EQ(r.Robot_name, u"Last");
    EXPECT_EQ(r.RobotVersion, u"9.9");
    EXPECT_EQ(r.Reserved, QString(93, u'R')) << "the 7 missing bytes read as spaces";

    QStringList names;
    ASSERT_TRUE(RobotDatabase(path).readAll(
        [&](qint32, const char* data) { names << RobotRecord::fromData(data).Robot_name; }));
    EXPECT_EQ(names, QStringList({"Robot 1", "Robot 2", "Robot 3", "Last"}));
    EXPECT_FALSE(RobotDatabase(path).read(5, r)) << "past the last record";
    EXPECT_FALSE(RobotDatabase(path).read(0, r));
}

TEST(RobotDatabase, WritesInPlaceAppendsAndCreates)
{
    test::TempProgramDir dir;
    const QString path = dir.file(QStringLiteral("robots.rbd"));
    const RobotDatabase db(path);
    ASSERT_TRUE(db.write(1, robot(QStringLiteral("First"))));
    EXPECT_EQ(test::readFileBytes(path).size(), kSlot);

    test::writeFileBytes(path, database(3));
    const QByteArray before = test::readFileBytes(path);
    ASSERT_TRUE(db.write(2, robot(QStringLiteral("Second, rewritten"))));
    const QByteArray after = test::readFileBytes(path);
    ASSERT_EQ(after.size(), before.size()) << "writing never shortens or grows the file in place";
    EXPECT_EQ(after.left(kSlot), before.left(kSlot));
    EXPECT_EQ(after.mid(kSlot + 3283), before.mid(kSlot + 3283)) << "slot 2's filler and slot 3 untouched";
    EXPECT_EQ(nameOf(path, 2), u"Second, rewritten");

    ASSERT_TRUE(db.write(4, robot(QStringLiteral("Fourth"))));
    EXPECT_EQ(test::readFileBytes(path).size(), 4 * kSlot);
    EXPECT_EQ(nameOf(path, 4), u"Fourth");

    const QByteArray unchanged = test::readFileBytes(path);
    for (qint32 n : {0, 6, -1, 32768}) {
        const Result<void> result = db.write(n, robot(QStringLiteral("Nowhere")));
        EXPECT_FALSE(result) << n;
        EXPECT_FALSE(result.error.isEmpty());
    }
    EXPECT_EQ(test::readFileBytes(path), unchanged);

    // A refused write leaves the disk as it was: no new empty database.
    const QString missing = dir.file(QStringLiteral("missing.rbd"));
    for (qint32 n : {0, 2, -1, 32768}) {
        EXPECT_FALSE(RobotDatabase(missing).write(n, robot(QStringLiteral("Nowhere")))) << n;
        EXPECT_FALSE(QFile::exists(missing)) << n;
    }
}

TEST(RobotDatabase, WritesNoRecordPastTheLast16BitNumber)
{
    test::TempProgramDir dir;
    const QString path = dir.file(QStringLiteral("robots.rbd"));
    for (const qint32 count : {32766, 32767}) {
        SCOPED_TRACE(count);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(count) * kSlot)); // sparse
        file.close();
        const RobotDatabase db(path);
        EXPECT_EQ(bool(db.write(count + 1, robot(QStringLiteral("Next")))), count < kMaxRobotRecords);
        EXPECT_EQ(db.count(), std::min(count + 1, kMaxRobotRecords));
        ASSERT_TRUE(db.write(count, robot(QStringLiteral("Last"))));
        EXPECT_EQ(nameOf(path, count), u"Last");
    }
}

TEST(RobotDatabase, AppendingAfterAPartialLastSlotCompletesIt)
{
    test::TempProgramDir dir;
    const QString path = dir.file(QStringLiteral("robots.rbd"));
    test::writeFileBytes(path, database(4).left(3 * kSlot + 3276)); // slot 4 lacks 7 data bytes
    ASSERT_EQ(RobotDatabase(path).count(), 4);
    RobotRecord fourth;
    ASSERT_TRUE(RobotDatabase(path).read(4, fourth));

    ASSERT_TRUE(RobotDatabase(path).write(5, robot(QStringLiteral("Fifth"))));
    const QByteArray file = test::readFileBytes(path);
    ASSERT_EQ(file.size(), 5 * kSlot);
    EXPECT_EQ(file.mid(3 * kSlot + 3276, 7), QByteArray(7, ' ')) << "the missing data, as a reader saw it";
    EXPECT_EQ(file.mid(3 * kSlot + 3283, kSlot - 3283), QByteArray(kSlot - 3283, '\0'));
    RobotRecord again;
    ASSERT_TRUE(RobotDatabase(path).read(4, again));
    EXPECT_EQ(again.toData(), fourth.toData());
    EXPECT_EQ(nameOf(path, 5), u"Fifth");
}

TEST(RobotDatabase, StampingChangesOnlyTheVersionBytesOfEverySlot)
{
    test::TempProgramDir dir;
    const QString path = dir.file(QStringLiteral("robots.rbd"));
    const struct {
        QString version;
        QByteArray stored;
        qint64 length;
        int counted;
    } cases[] = {
        {QStringLiteral("1.5"), "1.5            ", 3 * kSlot, 3},
        {QStringLiteral("2026.12.1-extended"), "2026.12.1-exten", 3 * kSlot, 3},
        {QStringLiteral("7"), "7              ", 3 * kSlot + 3276, 4}, // a partial last slot
        {QStringLiteral("8"), "8              ", 2 * kSlot + 3276, 2}, // a tail that does not count
    };
    for (const auto& c : cases) {
        const QByteArray before = database(4).left(c.length);
        test::writeFileBytes(path, before);
        ASSERT_TRUE(StampRobotVersion(c.version));
        const QByteArray after = test::readFileBytes(path);
        ASSERT_EQ(after.size(), before.size());
        QByteArray restored = after;
        for (int slot = 0; slot < c.counted; ++slot) {
            const int at = slot * kSlot + 3168;
            EXPECT_EQ(after.mid(at, 15), c.stored) << c.version.toStdString() << " slot " << slot;
            restored.replace(at, 15, before.mid(at, 15));
        }
        EXPECT_EQ(restored, before) << "no other byte changed";
    }
    QFile::remove(path);
    EXPECT_TRUE(StampRobotVersion(QStringLiteral("1"))) << "nothing to stamp";
}

TEST(RobotDatabase, FailedWritesReportAndLeaveOtherSlotsIntact)
{
    const QByteArray original = database(3);
    {
        QByteArray data = original;
        test::FailDevice device(&data, 1000);
        const Result<void> result = RobotDatabase::writeRecord(device, 2, robot(QStringLiteral("Half")));
        EXPECT_FALSE(result);
        EXPECT_TRUE(result.error.contains(u"simulated disk full")) << result.error.toStdString();
        EXPECT_EQ(data.left(kSlot), original.left(kSlot));
        EXPECT_EQ(data.mid(kSlot + 1000), original.mid(kSlot + 1000)) << "nothing past the failure point";
    }
    {
        QByteArray data = original;
        test::FailDevice device(&data, 20); // the first stamp fits, the second fails
        EXPECT_FALSE(RobotDatabase::stampVersion(device, QStringLiteral("x")));
        EXPECT_EQ(data.mid(3168, 15), QByteArray("x") + QByteArray(14, ' '));
        EXPECT_EQ(data.mid(kSlot + 3168 + 5), original.mid(kSlot + 3168 + 5)) << "nothing past the failure";
        EXPECT_EQ(data.mid(2 * kSlot), original.mid(2 * kSlot));
    }
    {
        QByteArray data = original;
        test::FailDevice device(&data, test::FailDevice::kNoLimit, 2 * kSlot);
        int visited = 0;
        const Result<void> result =
            RobotDatabase::readRecords(device, [&](qint32, const char*) { ++visited; });
        EXPECT_FALSE(result);
        EXPECT_TRUE(result.error.contains(u"simulated read error"));
        RobotRecord r;
        test::FailDevice again(&data, test::FailDevice::kNoLimit, 100);
        EXPECT_FALSE(RobotDatabase::readRecord(again, 1, r)) << "a read error is not a short record";
    }
}

TEST(RobotDatabase, FullPassReadsTheFileSequentiallyInLargeBlocks)
{
    QByteArray data = database(200);
    test::FailDevice device(&data);
    QList<qint32> numbers;
    QStringList versions;
    ASSERT_TRUE(RobotDatabase::readRecords(device, [&](qint32 n, const char* slot) {
        numbers << n;
        versions << RobotRecord::fromData(slot).RobotVersion;
    }));
    ASSERT_EQ(numbers.size(), 200);
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 200);
    EXPECT_EQ(versions.back(), u"v200");
    EXPECT_EQ(device.seeks(), 1) << "one seek to the start, none per record";
    EXPECT_LE(device.reads(), 5) << "about 400 KB per read";
}
