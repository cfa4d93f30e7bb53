// A robot saved in the robot editor with its send box ticked goes to the online robot database.
#include "base/DateSerial.h"
#include "base/SettingsStore.h"
#include "gui/main/frmMain.h"
#include "gui/online/frmSendUpdate.h"
#include "gui/options/frmOption.h"
#include "gui/robots/RobotListTab.h"
#include "gui/robots/frmEditRobot.h"
#include "online/RobotSubmission.h"
#include "robots/RobotDatabase.h"
#include "support/HttpServer.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using sf::test::named;

using namespace sf;

TEST(SubmissionFromEditorTest, ApplyWithTheSendBoxTickedPostsTheRobotJustWritten)
{
    test::TempProgramDir dir;
    test::HttpServer server;
    ASSERT_TRUE(server.isRunning());
    qputenv("SPIDERFENCE_WEB_SERVICE_URL", server.baseUrl().toUtf8());
    server.setWebFunction(QStringLiteral("submitrobot.asp"), "OK");
    SettingsStore::save(SettingsStore::Username, QStringLiteral("alice"));
    frmMain window;
    window.Form_Load();
    window.show();

    test::ModalScript modals;
    modals.next<frmOption>([](frmOption& options) {
        QTest::mouseClick(named<QPushButton>(options.robotList(), "Add_Robot"), Qt::LeftButton);
    });
    modals.next<frmEditRobot>([](frmEditRobot& editor) {
        QTest::keyClicks(named<QLineEdit>(editor, "EditField0"), QStringLiteral("Newbot 3"));
        QTest::mouseClick(named<QCheckBox>(editor, "Check5"), Qt::LeftButton);
        QTest::mouseClick(named<QPushButton>(editor, "Proceed"), Qt::LeftButton);
    });
    modals.next<frmSendUpdate>([&](frmSendUpdate& send) {
        // Opened over the editor once the record is in robots.rbd.
        EXPECT_EQ(send.parentWidget()->objectName(), QStringLiteral("frmEditRobot"));
        EXPECT_EQ(RobotDatabase().count(), 1);
        EXPECT_EQ(named<QLineEdit>(send, "Text1")->text(), QStringLiteral("alice"));
        QTest::keyClicks(named<QLineEdit>(send, "Text2"), QStringLiteral("pw"));
        QTest::mouseClick(named<QPushButton>(send, "Proceed"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return named<QPushButton>(send, "Cancel")->text() == QStringLiteral("Close"); }, 15000));
        QTest::mouseClick(named<QPushButton>(send, "Cancel"), Qt::LeftButton);
    });
    named<QAction>(window, "mnuAddEditRobot")->trigger();

    ASSERT_EQ(server.postBodies().size(), 1);
    const QByteArray body = server.postBodies().at(0);
    EXPECT_TRUE(
        body.startsWith("Robot_name=Newbot+3&Robot_cover_url=http%3A%2F%2F&Robot_details_url=http%3A%2F%2F"
                        "&Robot_owner_name=&Robot_owner_url=http%3A%2F%2F&"))
        << body.toStdString();
    const QString today = SubmissionDate(toDateSerial(QDateTime(QDate::currentDate(), QTime(0, 0))));
    EXPECT_TRUE(body.contains("&Robot_category=1&Modified_date=" + URLEncode(today).toLatin1() + "&"))
        << body.toStdString();
    EXPECT_TRUE(body.endsWith("&Field1=alice&Field2=pw")) << body.toStdString();
    EXPECT_EQ(SettingsStore::read(SettingsStore::SendRobot), QStringLiteral("TRUE"));
    window.SetModified(false);
    qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
}
