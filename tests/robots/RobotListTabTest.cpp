// The "Robots list" tab: the records of robots.rbd in file order, and the set-version command.
#include "RobotWindowFixture.h"
#include "base/SharedState.h"

#include "base/DateSerial.h"
#include "gui/common/CategoryIcons.h"
#include "robots/RobotList.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using sf::test::named;

using namespace sf;
using test::RobotWindowTest;

namespace {

QStringList rowTexts(const QAbstractItemModel& model, int row)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.index(row, column).data().toString();
    return texts;
}

} // namespace

TEST_F(RobotWindowTest, ListsEveryRecordInFileOrderWithItsAgentDateAndPicture)
{
    writeDatabase(3);
    RobotRecord odd = sampleRobot(2);
    odd.Robot_category = 9; // no picture
    odd.Modified_date = 37377.5;
    ASSERT_TRUE(RobotDatabase(databasePath()).write(2, odd));
    openRobotList([&](frmOption& options, RobotListTab& tab) {
        const QAbstractItemModel& model = *named<QTreeView>(tab, "ListView1")->model();
        ASSERT_EQ(model.rowCount(), 3);
        QStringList headers;
        for (int column = 0; column < model.columnCount(); ++column)
            headers << model.headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(headers, (QStringList{"Robot Name", "Robot Agent", "Modify Date"}));
        EXPECT_EQ(rowTexts(model, 0), (QStringList{"Robot 1", "agent-1", generalDateText(37001.0)}));
        EXPECT_EQ(rowTexts(model, 1), (QStringList{"Robot 2", "agent-2", generalDateText(37377.5)}));
        EXPECT_EQ(rowTexts(model, 2), (QStringList{"Robot 3", "agent-3", generalDateText(37003.0)}));
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(model.index(row, 0).data(RobotListModel::kRecordNumberRole).toInt(), row + 1);
        const QIcon first = model.index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        EXPECT_EQ(first.cacheKey(), categoryIcon(2).cacheKey());
        EXPECT_FALSE(model.index(1, 0).data(Qt::DecorationRole).isValid()) << "category 9 has no picture";
        EXPECT_EQ(named<QTreeView>(tab, "ListView1")->selectionModel()->selectedRows().value(0).row(), 0);
        EXPECT_EQ(named<QLineEdit>(tab, "SetRobotVersion")->text(), "v3");
        EXPECT_EQ(RobotListVersion, "v3");
        EXPECT_EQ(RobotCount, 3);
        EXPECT_TRUE(named<QPushButton>(tab, "Add_Robot")->isEnabled());
        EXPECT_TRUE(named<QPushButton>(tab, "Modify_Robot")->isEnabled());
        EXPECT_FALSE(named<QPushButton>(tab, "Delete_Robot")->isEnabled());
        EXPECT_EQ(named<QPushButton>(tab, "Add_Robot")->text(), "Add Robot");
        EXPECT_EQ(named<QPushButton>(tab, "Modify_Robot")->text(), "Modify Robot");
        EXPECT_EQ(named<QPushButton>(tab, "Delete_Robot")->text(), "Delete Robot");
        EXPECT_TRUE(named<QPushButton>(tab, "SetVersion")->isVisibleTo(&options))
            << "the maintenance command can be reached";
        EXPECT_EQ(named<QPushButton>(tab, "SetVersion")->text(), "Set Version");
    });
}

TEST_F(RobotWindowTest, MissingOrEmptyDatabaseListsNothing)
{
    // Missing: nothing to modify, but a robot can be added (the first save creates the file).
    openRobotList([&](frmOption&, RobotListTab& tab) {
        EXPECT_EQ(named<QTreeView>(tab, "ListView1")->model()->rowCount(), 0);
        EXPECT_FALSE(named<QPushButton>(tab, "Modify_Robot")->isEnabled());
        EXPECT_TRUE(named<QPushButton>(tab, "Add_Robot")->isEnabled());
        EXPECT_EQ(RobotCount, 0);
    });
    // Empty: Modify is enabled but without a selection opens nothing (no editor is scripted).
    test::writeFileBytes(databasePath(), QByteArray());
    openRobotList([&](frmOption&, RobotListTab& tab) {
        EXPECT_EQ(named<QTreeView>(tab, "ListView1")->model()->rowCount(), 0);
        EXPECT_TRUE(named<QPushButton>(tab, "Modify_Robot")->isEnabled());
        QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
    });
}

TEST_F(RobotWindowTest, GeneralDateShowsDateTimeOrBoth)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const struct {
        double serial;
        const char* text;
    } cases[] = {
        {37377.0, "01.05.02"},          // date only: no time of day
        {37377.5, "01.05.02 12:00:00"}, // both
        {0.25, "06:00:00"},             // time only: no date part
        {-1.0, "29.12.99"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(generalDateText(c.serial, german), c.text) << c.serial;
}

TEST_F(RobotWindowTest, SetVersionRewritesOnlyTheVersionBytesOfEverySlot)
{
    writeDatabase(500);
    const QString longVersion = QStringLiteral("2027.1-maintenance");
    const struct {
        QString typed;
        QByteArray field;
    } cases[] = {
        {QStringLiteral("7.1"), QByteArray("7.1") + QByteArray(12, ' ')},
        {longVersion, longVersion.left(15).toLatin1()},
    };
    for (const auto& c : cases) {
        const QByteArray before = databaseBytes();
        openRobotList([&](frmOption& options, RobotListTab& tab) {
            const QStringList firstRow = rowTexts(*named<QTreeView>(tab, "ListView1")->model(), 0);
            named<QLineEdit>(tab, "SetRobotVersion")->selectAll();
            QTest::keyClicks(named<QLineEdit>(tab, "SetRobotVersion"), c.typed);
            // While the stamp runs, Apply and Close wait.
            QStringList enabledWhileRunning;
            const auto watch = QObject::connect(&tab, &RobotListTab::maintenanceRunning, [&](bool running) {
                for (const char* button : {"Proceed", "Cancel"})
                    if (running && named<QPushButton>(options, button)->isEnabled())
                        enabledWhileRunning << button;
            });
            QTest::mouseClick(named<QPushButton>(tab, "SetVersion"), Qt::LeftButton);
            QObject::disconnect(watch);
            EXPECT_EQ(enabledWhileRunning, QStringList());
            EXPECT_EQ(RobotListVersion, c.typed) << "the whole text, also beyond 15 characters";
            EXPECT_EQ(named<QTreeView>(tab, "ListView1")->model()->rowCount(), 500);
            EXPECT_EQ(rowTexts(*named<QTreeView>(tab, "ListView1")->model(), 0), firstRow);
            EXPECT_TRUE(named<QPushButton>(options, "Proceed")->isEnabled());
            EXPECT_TRUE(named<QPushButton>(options, "Cancel")->isEnabled());
        });
        const QByteArray after = databaseBytes();
        ASSERT_EQ(after.size(), before.size());
        QByteArray expected = before;
        for (int slot = 0; slot < 500; ++slot)
            expected.replace(slot * RobotRecord::kSlotSize + RobotRecord::kVersionOffset, 15, c.field);
        for (qsizetype i = 0; i < after.size(); ++i) {
            if (after[i] != expected[i]) {
                ADD_FAILURE() << "byte " << i << " of slot " << i / RobotRecord::kSlotSize + 1;
                break;
            }
        }
    }
    EXPECT_TRUE(test::scriptedPrompt().shown().isEmpty());
}

// "Modify Date" shows the day and time the record holds in every time zone, also on days whose
// local midnight daylight saving skips (Santiago, Sao Paulo) and at an hour it skips (Berlin).
TEST(RobotListDates, ShowTheDayAndTimeTheRecordHolds)
{
    const QLocale c = QLocale::c();
    const struct {
        const char* zone;
        QDate day;
        QTime time;
        const char* shownTime; // nullptr: a whole day shows the date alone
    } cases[] = {
        {"America/Santiago", QDate(2023, 9, 3), QTime(0, 0), nullptr},
        {"America/Santiago", QDate(2023, 9, 3), QTime(13, 45), "13:45"},
        {"America/Sao_Paulo", QDate(2018, 11, 4), QTime(0, 0), nullptr},
        {"Europe/Berlin", QDate(2024, 3, 31), QTime(2, 30), "02:30"},
        {"UTC", QDate(2002, 5, 1), QTime(0, 0), nullptr},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.zone << " " << k.day.toString(Qt::ISODate).toStdString());
        const test::TimeZoneScope zone(k.zone);
        const double serial = toDateSerial(k.day, k.time);
        EXPECT_EQ(serial, QDate(1899, 12, 30).daysTo(k.day) + k.time.msecsSinceStartOfDay() / 86400000.0);
        const QString text = generalDateText(serial, c);
        EXPECT_TRUE(text.startsWith(c.toString(k.day, QLocale::ShortFormat))) << text.toStdString();
        const QString day = c.toString(k.day, QLocale::ShortFormat);
        EXPECT_TRUE(k.shownTime ? text.contains(QLatin1String(k.shownTime)) : text == day)
            << text.toStdString();
    }
}
