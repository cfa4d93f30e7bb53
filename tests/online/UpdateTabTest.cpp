// The update tab's online check against the test web service: the versions it shows, its message
// and whether it offers the update.
#include "gui/online/UpdateTab.h"
#include "support/HttpServer.h"
#include "support/NamedChild.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using sf::test::named;

using namespace sf;
using sf::test::HttpServer;

namespace {

// The update tab on its own, its local versions set as the options window sets them.
class UpdateTabCheckTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
        named<QLabel>(m_tab, "versionSF")->setText(QStringLiteral("1.2.0"));
        named<QLabel>(m_tab, "Label4")->setText(QStringLiteral("1.0.5"));
        named<QLabel>(m_tab, "Label11")->setText(QStringLiteral("1.00.0016"));
        m_tab.show();
    }
    void TearDown() override { qunsetenv("SPIDERFENCE_WEB_SERVICE_URL"); }

    void check(const QByteArray& reply)
    {
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), reply);
        QTest::mouseClick(named<QPushButton>(m_tab, "CheckOnline"), Qt::LeftButton);
        EXPECT_TRUE(named<QPushButton>(m_tab, "CheckOnline")->isEnabled());
    }
    QStringList online() const
    {
        return {named<QLabel>(m_tab, "versionSFO")->text(), named<QLabel>(m_tab, "versionRol")->text(),
                named<QLabel>(m_tab, "Label13")->text()};
    }
    bool red() const
    {
        return named<QLabel>(m_tab, "Label7")->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
    }
    bool black() const
    {
        return named<QLabel>(m_tab, "Label7")->palette().color(QPalette::WindowText) == QColor(0, 0, 0);
    }
    bool bold() const { return named<QLabel>(m_tab, "Label7")->font().bold(); }

    HttpServer m_server;
    UpdateTab m_tab;
};

} // namespace

TEST_F(UpdateTabCheckTest, MatchingVersionsGiveNoUpdate)
{
    EXPECT_EQ(online(), (QStringList{"Unknown", "Unknown", "Unknown"}));
    EXPECT_EQ(named<QLabel>(m_tab, "Label7")->text(), QStringLiteral("None"));
    check("1,2,0,1,0,5,1,00,0016");
    EXPECT_EQ(online(), (QStringList{"1.2.0", "1.0.5", "1.00.0016"}));
    EXPECT_EQ(named<QLabel>(m_tab, "Label7")->text(), QStringLiteral("No update available"));
    EXPECT_TRUE(black());
    EXPECT_FALSE(bold());
    EXPECT_FALSE(named<QPushButton>(m_tab, "Command1")->isEnabled());
    EXPECT_EQ(named<QLabel>(m_tab, "InetMsg")->text(), QStringLiteral("Response completed"));
    EXPECT_EQ(m_server.requests(), QStringList{QStringLiteral("GET /webfunction/spiderfenceversion.asp")});

    // More than nine fields: the first nine count.
    check("1,2,0,1,0,5,1,00,0016,2,0,0\r\n");
    EXPECT_EQ(online(), (QStringList{"1.2.0", "1.0.5", "1.00.0016"}));
    EXPECT_EQ(named<QLabel>(m_tab, "Label7")->text(), QStringLiteral("No update available"));
    EXPECT_FALSE(named<QPushButton>(m_tab, "Command1")->isEnabled());
}

TEST_F(UpdateTabCheckTest, ADifferenceInAnyVersionEvenInLetterCaseOffersTheUpdate)
{
    for (const QByteArray reply :
         {"1,2,0,1,0,5B,1,00,0016", "1,2,0,1,0,5,1,00,0017", "1,3,0,1,0,5,1,00,0016"}) {
        named<QLabel>(m_tab, "Label4")->setText(QStringLiteral("1.0.5b"));
        check(reply);
        EXPECT_EQ(named<QLabel>(m_tab, "Label7")->text(), QStringLiteral("Update available!"))
            << reply.toStdString();
        EXPECT_TRUE(red());
        EXPECT_TRUE(bold());
        EXPECT_TRUE(named<QPushButton>(m_tab, "Command1")->isEnabled());
    }
    named<QLabel>(m_tab, "Label4")->setText(QStringLiteral("1.0.5B"));
    check("1,2,0,1,0,5B,1,00,0016");
    EXPECT_EQ(named<QLabel>(m_tab, "Label7")->text(), QStringLiteral("No update available"));
    EXPECT_FALSE(named<QPushButton>(m_tab, "Command1")->isEnabled());
}

TEST_F(UpdateTabCheckTest, NoUsableReplyShowsThatTheCheckFailed)
{
    check("1,2,0,1,0,6,1,00,0016");
    ASSERT_TRUE(named<QPushButton>(m_tab, "Command1")->isEnabled());
    const QStringList before = online();
    const QByteArray failures[] = {"", "1,2,0,1,0,5,1,00"};
    for (const QByteArray& reply : failures) {
        check(reply);
        EXPECT_EQ(online(), before) << reply.toStdString();
        EXPECT_TRUE(named<QLabel>(m_tab, "Label7")->text().startsWith(QStringLiteral("Update check failed")))
            << reply.toStdString();
        EXPECT_TRUE(red());
        EXPECT_FALSE(named<QPushButton>(m_tab, "Command1")->isEnabled());
    }
    // An error status brings no version page.
    m_server.answerStatus(QStringLiteral("/webfunction/spiderfenceversion.asp"), 500);
    check("1,2,0,1,0,5,1,00,0016");
    EXPECT_TRUE(named<QLabel>(m_tab, "Label7")->text().startsWith(QStringLiteral("Update check failed")));
    EXPECT_FALSE(named<QPushButton>(m_tab, "Command1")->isEnabled());
    // No web service at all.
    qputenv("SPIDERFENCE_WEB_SERVICE_URL", "http://127.0.0.1:1");
    check("1,2,0,1,0,5,1,00,0016");
    EXPECT_TRUE(named<QLabel>(m_tab, "Label7")->text().startsWith(QStringLiteral("Update check failed")));
    EXPECT_TRUE(named<QLabel>(m_tab, "InetMsg")->text().startsWith(QStringLiteral("Error: ")));
    EXPECT_EQ(online(), before);
}
