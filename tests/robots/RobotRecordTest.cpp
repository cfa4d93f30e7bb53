// The byte layout of a robot record: where each field sits in its 6552-byte slot.
#include "base/SharedState.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotState.h"

#include "base/DateSerial.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace sf;

namespace {

QByteArray padded(const QByteArray& text, int width)
{
    return text + QByteArray(width - text.size(), ' ');
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

RobotRecord sampleRobot()
{
    RobotRecord r;
    r.Robot_name = QStringLiteral("Example Bot");
    r.Robot_cover_url = QStringLiteral("http://example.com/bot");
    r.Robot_owner_name =
        QStringLiteral("Caf\u00e9 \u20ac Owner \u2192"); // é and € exist in Windows-1252, → does not
    r.Robot_exclusions = kRobotYes;
    r.Robot_exclusion_useragent = QStringLiteral("examplebot");
    r.Robot_noindex = kRobotNo;
    r.Robot_nofollow = kRobotYes;
    r.Robot_host = QStringLiteral("  crawl.example.com");
    r.Robot_useragent = QStringLiteral("ExampleBot/1.0");
    r.Robot_description = QString(251, u'd');
    r.Robot_environment = QStringLiteral("environment");
    r.Robot_category = 6;
    r.Modified_date = toDateSerial(QDateTime(QDate(2002, 5, 1), QTime(0, 0)));
    r.Modified_by = QStringLiteral("Greyfield");
    r.RobotVersion = QStringLiteral("2026.12.1");
    r.Reserved = QStringLiteral("reserved");
    return r;
}

} // namespace

TEST(RobotRecordLayout, WrittenRecordHasEveryFieldAtItsOffset)
{
    test::TempProgramDir dir;
    CurrentRobot = sampleRobot();
    CurrentRobot.Robot_name = QString(151, u'n'); // one character too many
    CurrentRobot.Robot_name[149] = u'Z';
    ASSERT_TRUE(WriteRobot(1)) << "appending to a missing file creates it";
    EXPECT_EQ(RobotCount, 1);
    const QByteArray file = test::readFileBytes(dir.file(QStringLiteral("robots.rbd")));
    ASSERT_EQ(file.size(), 6552) << "exactly one record at offset 0";

    const struct {
        int offset;
        QByteArray expected;
    } cases[] = {
        {0, QByteArray(149, 'n') + 'Z'},              // the 151st character is cut
        {150, padded("http://example.com/bot", 250)}, // Robot_cover_url
        {400, padded("", 150)},                       // Robot_details_url, empty
        {550, padded("Caf\xe9 \x80 Owner ?", 150)},   // Windows-1252, ? for →
        {1850, bytes({0xFF, 0xFF})},                  // Robot_exclusions: yes
        {1852, padded("examplebot", 150)},            // Robot_exclusion_useragent
        {2002, bytes({0x00, 0x00, 0xFF, 0xFF})},      // Robot_noindex no, Robot_nofollow yes
        {2006, padded("  crawl.example.com", 150)},   // leading spaces are stored
        {2156, bytes({0x00, 0x00})},                  // Robot_from
        {2158, padded("ExampleBot/1.0", 150)},        // Robot_useragent
        {2458, QByteArray(250, 'd')},                 // Robot_description, cut to 250
        {2858, padded("environment", 150)},           // Robot_environment
        {3008, bytes({0x06, 0x00})},                  // Robot_category, right before the date
        {3010, bytes({0x00, 0x00, 0x00, 0x00, 0x20, 0x40, 0xE2, 0x40})}, // 2002-05-01 = 37377.0
        {3018, padded("Greyfield", 150)},                                // Modified_by
        {3168, padded("2026.12.1", 15)},                                 // RobotVersion
        {3183, padded("reserved", 100)},                                 // Reserved, the last data bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(file.mid(c.offset, c.expected.size()).toHex(' '), c.expected.toHex(' '))
            << "offset " << c.offset;
}

// All 27 fields at once, each text field with a text of its own, so that two fields of the same
// width that swapped places would show; the expected slot is laid out here byte by byte.
TEST(RobotRecordLayout, EveryFieldOfAWrittenRecordIsWhereTheLayoutPutsIt)
{
    using R = RobotRecord;
    const struct {
        int offset;
        int width;
        QString R::*member;
    } texts[] = {
        {0, 150, &R::Robot_name},
        {150, 250, &R::Robot_cover_url},
        {400, 150, &R::Robot_details_url},
        {550, 150, &R::Robot_owner_name},
        {700, 250, &R::Robot_owner_url},
        {950, 150, &R::Robot_owner_email},
        {1100, 150, &R::Robot_status},
        {1250, 150, &R::Robot_purpose},
        {1400, 150, &R::Robot_type},
        {1550, 150, &R::Robot_platform},
        {1700, 150, &R::Robot_availability},
        {1852, 150, &R::Robot_exclusion_useragent},
        {2006, 150, &R::Robot_host},
        {2158, 150, &R::Robot_useragent},
        {2308, 150, &R::Robot_language},
        {2458, 250, &R::Robot_description},
        {2708, 150, &R::Robot_history},
        {2858, 150, &R::Robot_environment},
        {3018, 150, &R::Modified_by},
        {3168, 15, &R::RobotVersion},
        {3183, 100, &R::Reserved},
    };
    RobotRecord r;
    QByteArray expected(3283, '\x5a');
    const auto put = [&expected](int offset, const QByteArray& value) {
        expected.replace(offset, value.size(), value);
    };
    for (const auto& t : texts) {
        const QByteArray text = "field at " + QByteArray::number(t.offset);
        r.*t.member = QString::fromLatin1(text);
        put(t.offset, padded(text, t.width));
    }
    r.Robot_exclusions = kRobotYes;
    put(1850, bytes({0xFF, 0xFF}));
    r.Robot_noindex = 0x0102;
    put(2002, bytes({0x02, 0x01}));
    r.Robot_nofollow = 0x0304;
    put(2004, bytes({0x04, 0x03}));
    r.Robot_from = kRobotYes;
    put(2156, bytes({0xFF, 0xFF}));
    r.Robot_category = 5;
    put(3008, bytes({0x05, 0x00}));
    r.Modified_date = 37377.5;
    put(3010, bytes({0x00, 0x00, 0x00, 0x00, 0x30, 0x40, 0xE2, 0x40}));
    ASSERT_EQ(expected.count('\x5a'), 0) << "the fields cover every data byte";
    EXPECT_EQ(r.toData().toHex(' '), expected.toHex(' '));
}

TEST(RobotRecordLayout, SlotCraftedByteByByteReadsBackIntoItsFields)
{
    QByteArray slot(6552, '\x5a'); // filler and every byte not set below: 'Z', never read as a field
    const auto put = [&slot](int offset, const QByteArray& value) {
        slot.replace(offset, value.size(), value);
    };
    put(0, padded("  Example Bot  ", 150));
    put(150, padded("http://example.com/", 250));
    put(700, padded("", 250));
    for (int offset : {400, 550, 950, 1100, 1250, 1400, 1550, 1700, 2006, 2158, 2308, 2708, 2858, 3018})
        put(offset, padded("", 150));
    put(1850, bytes({0xFF, 0xFF})); // yes
    put(1852, padded(" examplebot", 150));
    put(2002, bytes({0x01, 0x00, 0xFE, 0xFF})); // 1 and -2: both read as no
    put(2156, bytes({0xFF, 0x7F}));             // 32767: no
    put(2458, padded("price \x80 5", 250));     // € in Windows-1252
    put(3008, bytes({0x07, 0x00}));             // a category outside 1 to 6 is kept as it is
    put(3010, bytes({0x00, 0x00, 0x00, 0x00, 0x30, 0x40, 0xE2, 0x40})); // 37377.5
    put(3168, padded("  1.0", 15));
    put(3183, padded("r", 100));

    test::TempProgramDir dir;
    test::writeFileBytes(dir.file(QStringLiteral("robots.rbd")), slot);
    ASSERT_TRUE(ReadRobot(1));
    const RobotRecord& r = CurrentRobot;
    EXPECT_EQ(r.Robot_name, u"Example Bot");
    EXPECT_EQ(r.Robot_cover_url, u"http://example.com/");
    EXPECT_EQ(r.Robot_details_url, u"");
    EXPECT_EQ(r.Robot_exclusion_useragent, u"examplebot");
    EXPECT_EQ(r.Robot_description, QStringLiteral("price \u20ac 5"));
    EXPECT_EQ(r.RobotVersion, u"1.0");
    EXPECT_EQ(r.Reserved, u"r");
    EXPECT_TRUE(isYes(r.Robot_exclusions));
    EXPECT_EQ(r.Robot_noindex, 1);
    EXPECT_FALSE(isYes(r.Robot_noindex));
    EXPECT_FALSE(isYes(r.Robot_nofollow));
    EXPECT_FALSE(isYes(r.Robot_from));
    EXPECT_EQ(r.Robot_category, 7);
    EXPECT_TRUE(robotCategoryName(r.Robot_category).isEmpty());
    EXPECT_DOUBLE_EQ(r.Modified_date, 37377.5);
    EXPECT_EQ(fromDateSerial(r.Modified_date), QDateTime(QDate(2002, 5, 1), QTime(12, 0)));

    // Writing the record back reproduces the slot's data bytes, apart from the trimmed spaces.
    QByteArray expected = slot.left(3283);
    expected.replace(0, 150, padded("Example Bot", 150));
    expected.replace(1852, 150, padded("examplebot", 150));
    expected.replace(3168, 15, padded("1.0", 15));
    EXPECT_EQ(r.toData().toHex(' '), expected.toHex(' '));
}

TEST(RobotRecordLayout, FieldsFollowEachOtherWithoutGaps)
{
    int next = 0;
    for (const RobotFieldInfo& field : robotFields()) {
        EXPECT_EQ(field.offset, next) << field.name;
        next = field.offset + field.width;
    }
    EXPECT_EQ(next, 3283);
    EXPECT_EQ(findRobotField(u"modified_DATE")->offset, 3010);
    EXPECT_EQ(findRobotField(u"exclusion_useragent"), nullptr) << "only full names";
    const QByteArray blank = RobotRecord::blankData();
    EXPECT_EQ(blank.mid(3008, 10), QByteArray(10, '\0')) << "category and date read as zero";
    EXPECT_EQ(blank.mid(3018, 265), QByteArray(265, ' '));
}

TEST(RobotRecordLayout, CategoriesByNumberAndName)
{
    const char* names[] = {"Music", "Image", "News", "None", "Email", "Search"};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(robotCategoryName(n), QLatin1String(names[n - 1]));
        EXPECT_EQ(robotCategoryNumber(QString::fromLatin1(names[n - 1])), n);
    }
    EXPECT_EQ(robotCategoryNumber(u"search"), 6);
    EXPECT_EQ(robotCategoryNumber(u"Robots"), 0);
    EXPECT_TRUE(robotCategoryName(0).isEmpty());
}
