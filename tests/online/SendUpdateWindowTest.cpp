// The submission window against the test web service: the POST it sends, the status it shows, the
// user name it keeps and the registration page it opens.
#include "RecordingDesktop.h"
#include "base/SettingsStore.h"
#include "gui/online/frmSendUpdate.h"
#include "online/Desktop.h"
#include "online/RobotSubmission.h"
#include "online/UpdateCheck.h"
#include "robots/RobotRecord.h"
#include "robots/RobotState.h"
#include "support/HttpServer.h"
#include "support/NamedChild.h"
#include "support/TestEnvironment.h"
#include "transfer/Inet.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using sf::test::named;

using namespace sf;
using sf::test::HttpServer;

namespace {

class SendUpdateWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
        m_server.setWebFunction(QStringLiteral("submitrobot.asp"), "Thank you");
        CurrentRobot = RobotRecord{};
        CurrentRobot.Robot_name = QStringLiteral("Webwalker 2.1");
        CurrentRobot.Robot_exclusions = kRobotYes;
        CurrentRobot.Robot_category = 3;
        CurrentRobot.RobotVersion = QStringLiteral("1.0.5");
    }
    void TearDown() override
    {
        qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
        CurrentRobot = RobotRecord{};
    }

    // Presses "Apply" and waits until the POST has ended.
    static bool send(frmSendUpdate& window)
    {
        QTest::mouseClick(named<QPushButton>(window, "Proceed"), Qt::LeftButton);
        return QTest::qWaitFor([&] { return !window.inet->StillExecuting(); }, 15000);
    }

    HttpServer m_server;
};

} // namespace

TEST_F(SendUpdateWindowTest, PostsTheWholeRecordAndShowsTheTransfer)
{
    SettingsStore::save(SettingsStore::Username, QStringLiteral("  alice "));
    frmSendUpdate window;
    window.Form_Load();
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Spiderfence - Send Robot Modification"));
    EXPECT_EQ(named<QLineEdit>(window, "Text1")->text(), QStringLiteral("  alice "));
    EXPECT_EQ(named<QLabel>(window, "InetMsg")->text(), QString());
    EXPECT_EQ(named<QPushButton>(window, "Cancel")->text(), QStringLiteral("Cancel"));
    QTest::keyClicks(named<QLineEdit>(window, "Text2"), QStringLiteral("se cret"));

    ASSERT_TRUE(send(window));
    EXPECT_FALSE(named<QPushButton>(window, "Proceed")->isEnabled());
    EXPECT_EQ(named<QLabel>(window, "InetMsg")->text(), QStringLiteral("Response completed"));
    EXPECT_EQ(named<QPushButton>(window, "Cancel")->text(), QStringLiteral("Close"));

    const QByteArray expected =
        "Robot_name=Webwalker+2%2E1&Robot_cover_url=&Robot_details_url=&Robot_owner_name="
        "&Robot_owner_url=&Robot_owner_email=&Robot_status=&Robot_purpose=&Robot_type="
        "&Robot_platform=&Robot_availability=&Robot_exclusions=True"
        "&Robot_exclusion_useragent=&Robot_noindex=False&Robot_nofollow=False&Robot_host="
        "&Robot_from=False&Robot_useragent=&Robot_language=&Robot_description="
        "&Robot_history=&Robot_environment=&Robot_category=3&Modified_date=1899%2D12%2D30"
        "&RobotVersion=1%2E0%2E5&SpiderfenceVersion=" +
        URLEncode(ProgramVersionText()).toLatin1() + "&Field1=alice&Field2=se+cret";
    ASSERT_EQ(m_server.postBodies().size(), 1);
    EXPECT_EQ(m_server.postBodies().at(0), expected);
    EXPECT_TRUE(m_server.postHeaders().at(0).contains("Content-Type: application/x-www-form-urlencoded\n"))
        << m_server.postHeaders().at(0).toStdString();
    EXPECT_EQ(m_server.requests(), QStringList{QStringLiteral("POST /webfunction/submitrobot.asp")});

    // Closing stores the user name as typed, leading spaces included; never the password.
    QTest::mouseClick(named<QPushButton>(window, "Cancel"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(SettingsStore::read(SettingsStore::Username), QStringLiteral("  alice "));
}

TEST_F(SendUpdateWindowTest, ARefusalOrAFailedPostShowsAnError)
{
    m_server.answerStatus(QStringLiteral("/webfunction/submitrobot.asp"), 500);
    frmSendUpdate refused;
    refused.Form_Load();
    ASSERT_TRUE(send(refused));
    EXPECT_EQ(named<QLabel>(refused, "InetMsg")->text(),
              QStringLiteral("Error: The server answered with status 500"));
    EXPECT_EQ(named<QPushButton>(refused, "Cancel")->text(), QStringLiteral("Close"));
    EXPECT_FALSE(named<QPushButton>(refused, "Proceed")->isEnabled());

    qputenv("SPIDERFENCE_WEB_SERVICE_URL", "http://127.0.0.1:1");
    frmSendUpdate unreachable;
    unreachable.Form_Load();
    ASSERT_TRUE(send(unreachable));
    EXPECT_TRUE(named<QLabel>(unreachable, "InetMsg")->text().startsWith(QStringLiteral("Error: ")))
        << named<QLabel>(unreachable, "InetMsg")->text().toStdString();
    EXPECT_GT(named<QLabel>(unreachable, "InetMsg")->text().size(), 7);
    EXPECT_EQ(named<QPushButton>(unreachable, "Cancel")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(m_server.postBodies().size(), 1);
}

TEST_F(SendUpdateWindowTest, ClosingWithoutSendingKeepsTheUserNameAndRegisterOpensTheRegistrationPage)
{
    test::RecordingDesktop desktop;
    qputenv("SPIDERFENCE_SUBMISSION_SITE_URL", "http://127.0.0.1:9");
    frmSendUpdate window;
    window.Form_Load();
    window.show();
    EXPECT_EQ(named<QLineEdit>(window, "Text1")->text(), QString());
    QTest::mouseClick(named<QPushButton>(window, "Command1"), Qt::LeftButton);
    ASSERT_EQ(desktop.urls.size(), 1);
    EXPECT_EQ(desktop.urls.at(0).toString(),
              QStringLiteral("http://127.0.0.1:9/robots/mavix/join_spiderfence/"));

    QTest::keyClicks(named<QLineEdit>(window, "Text1"), QStringLiteral(" bob"));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(SettingsStore::read(SettingsStore::Username), QStringLiteral(" bob"));
    EXPECT_TRUE(m_server.postBodies().isEmpty());
    qunsetenv("SPIDERFENCE_SUBMISSION_SITE_URL");
}
