// The main window's robot chooser as a real combo box: its entries, pictures and user-agents.
#include "gui/main/RobotChooser.h"
#include "base/SharedState.h"
#include "gui/common/CategoryIcons.h"
#include "project/RuleGrid.h"
#include "robots/RobotState.h"

#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using namespace sf;

namespace {

struct Robot {
    const char* name;
    const char* userAgent;
    qint16 category;
    const char* version;
};

void writeDatabase(const QString& path, std::initializer_list<Robot> robots)
{
    qint32 n = 0;
    for (const Robot& robot : robots) {
        RobotRecord r;
        r.Robot_name = QString::fromUtf8(robot.name);
        r.Robot_exclusion_useragent = QString::fromUtf8(robot.userAgent);
        r.Robot_category = robot.category;
        r.RobotVersion = QString::fromUtf8(robot.version);
        ASSERT_TRUE(RobotDatabase(path).write(++n, r));
    }
}

QStringList entries(const QComboBox& combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

} // namespace

TEST(RobotChooser, MissingDatabaseListsOnlyAllForEveryRobot)
{
    test::TempProgramDir dir;
    QComboBox robotList;
    RobotChooser chooser(&robotList);
    RobotListVersion = QStringLiteral("before");
    RobotCount = 12;
    chooser.RefreshRobotList();
    EXPECT_EQ(entries(robotList), QStringList{"All"});
    EXPECT_EQ(robotList.currentIndex(), 0);
    EXPECT_EQ(chooser.selectedUserAgent(), u"*");
    EXPECT_EQ(chooser.UserAgents(), QStringList{"*"});
    QStringList rows = RuleGrid::newProjectTemplate();
    ASSERT_TRUE(
        RuleGrid::addRule(rows, chooser.selectedUserAgent(), QStringLiteral("/"), QStringLiteral("cgi-bin")));
    EXPECT_EQ(rows.mid(5, 2), QStringList({"User-agent: *", "Disallow: /cgi-bin"}));
    EXPECT_EQ(RobotCount, 0);
    EXPECT_EQ(RobotListVersion, u"before") << "no record read, version kept";
    EXPECT_EQ(robotList.itemData(0, RobotChooserModel::kPictureRole).toInt(), 4);
    EXPECT_FALSE(robotList.itemIcon(0).isNull());
}

TEST(RobotChooser, ListsEveryRobotTrimmedWithItsUserAgentAndPicture)
{
    test::TempProgramDir dir;
    writeDatabase(dir.file(QStringLiteral("robots.rbd")), {
                                                              {"  Example Bot  ", " examplebot ", 6, "0.9"},
                                                              {"Nameless", "", 1, "0.9"},
                                                              {"Bot A", "sharedbot", 2, "1.0"},
                                                              {"Bot B", "sharedbot", 7, " 2026.12.1 "},
                                                          });
    QComboBox robotList;
    RobotChooser chooser(&robotList);
    chooser.RefreshRobotList();
    EXPECT_EQ(entries(robotList), QStringList({"All", "Example Bot [examplebot]", "Nameless []",
                                               "Bot A [sharedbot]", "Bot B [sharedbot]"}));
    EXPECT_EQ(chooser.UserAgents(), QStringList({"*", "examplebot", "", "sharedbot", "sharedbot"}));
    EXPECT_EQ(RobotCount, 4);
    EXPECT_EQ(RobotListVersion, u"2026.12.1") << "the last record's version, trimmed";
    EXPECT_EQ(CurrentRobot.Robot_name, u"Bot B") << "the pass leaves the last record current";

    const int pictures[] = {4, 6, 1, 2, 7};
    for (int i = 0; i < robotList.count(); ++i) {
        EXPECT_EQ(robotList.itemData(i, RobotChooserModel::kPictureRole).toInt(), pictures[i]);
        EXPECT_EQ(robotList.itemIcon(i).isNull(), pictures[i] == 7) << "no picture outside 1 to 6";
    }

    // Choosing with the keyboard, as a user does: each entry names its own rule group.
    robotList.show();
    const char* expected[] = {"examplebot", "", "sharedbot", "sharedbot"};
    QStringList rows = RuleGrid::newProjectTemplate();
    for (const char* userAgent : expected) {
        QTest::keyClick(&robotList, Qt::Key_Down);
        EXPECT_EQ(chooser.selectedUserAgent(), QLatin1String(userAgent))
            << robotList.currentText().toStdString();
        if (chooser.selectedUserAgent() == u"sharedbot")
            RuleGrid::addRule(rows, chooser.selectedUserAgent(), QStringLiteral("/"),
                              QStringLiteral("file%1.html").arg(robotList.currentIndex()));
    }
    EXPECT_EQ(rows.count(QStringLiteral("User-agent: sharedbot")), 1) << "Bot A and Bot B share one group";
    EXPECT_EQ(rows.mid(5, 3),
              QStringList({"User-agent: sharedbot", "Disallow: /file4.html", "Disallow: /file3.html"}));

    // A refresh selects "All" again and drops robots that left the database.
    writeDatabase(dir.file(QStringLiteral("robots.rbd")), {{"Example Bot", "examplebot", 6, "3.0"}});
    QFile::resize(dir.file(QStringLiteral("robots.rbd")), 6552);
    chooser.RefreshRobotList();
    EXPECT_EQ(entries(robotList), QStringList({"All", "Example Bot [examplebot]"}));
    EXPECT_EQ(robotList.currentIndex(), 0);
    EXPECT_EQ(chooser.selectedUserAgent(), u"*");
    EXPECT_EQ(RobotListVersion, u"3.0");
}

TEST(RobotChooser, ListsMoreThanFiveHundredRobots)
{
    test::TempProgramDir dir;
    QByteArray data;
    for (int i = 1; i <= 600; ++i) {
        RobotRecord r;
        r.Robot_name = QStringLiteral("Robot %1").arg(i);
        r.Robot_exclusion_useragent = QStringLiteral("bot%1").arg(i);
        r.Robot_category = static_cast<qint16>(i % 6 + 1);
        data += r.toData() + QByteArray(6552 - 3283, '\0');
    }
    test::writeFileBytes(dir.file(QStringLiteral("robots.rbd")), data);
    QComboBox robotList;
    RobotChooser chooser(&robotList);
    chooser.RefreshRobotList();
    ASSERT_EQ(robotList.count(), 601);
    EXPECT_EQ(robotList.itemText(600), u"Robot 600 [bot600]");
    robotList.setCurrentIndex(501);
    EXPECT_EQ(chooser.selectedUserAgent(), u"bot501");
}

TEST(RobotChooser, CategoryPicturesAreRealDistinctIcons)
{
    QList<QImage> images;
    for (int category = 1; category <= 6; ++category) {
        const QImage image = categoryIcon(category).pixmap(16, 16).toImage();
        ASSERT_FALSE(image.isNull()) << category;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 30) << "category " << category << " draws something";
        EXPECT_LT(opaque, 256) << "category " << category << " is not a filled square";
        EXPECT_FALSE(images.contains(image)) << "category " << category << " looks like another";
        images << image;
    }
    for (int category : {-1, 0, 7, 32767})
        EXPECT_TRUE(categoryIcon(category).isNull()) << category;
}
