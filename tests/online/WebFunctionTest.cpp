#include "online/WebFunction.h"
#include "support/HttpServer.h"
#include "transfer/Inet.h"
#include "transfer/InetStatus.h"

#include <gtest/gtest.h>

using namespace sf;
using sf::test::HttpServer;

namespace {

class WebFunctionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
    }
    void TearDown() override { qunsetenv("SPIDERFENCE_WEB_SERVICE_URL"); }
    HttpServer m_server;
};

} // namespace

TEST_F(WebFunctionTest, ReturnsTheBodyAsTextInTheSingleByteCodePage)
{
    const struct {
        QByteArray body;
        QString text;
    } cases[] = {
        {"1,2,0,1,0,5,1,00,0016\r\n", "1,2,0,1,0,5,1,00,0016\r\n"},
        {"", ""},
        {"\x80 caf\xe9 \x93q\x94", QString::fromUtf8("\u20ac caf\u00e9 \u201cq\u201d")},
    };
    Inet inet;
    for (const auto& c : cases) {
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), c.body);
        EXPECT_EQ(RunWebFunction(inet, QStringLiteral("spiderfenceversion.asp")), c.text);
    }
    EXPECT_EQ(inet.URL(), m_server.baseUrl() + QStringLiteral("/webfunction/spiderfenceversion.asp"));
    EXPECT_EQ(m_server.requests().size(), 3);
    EXPECT_EQ(m_server.requests().at(0), QStringLiteral("GET /webfunction/spiderfenceversion.asp"));
}

TEST_F(WebFunctionTest, StatusTextFollowsEveryStateAndShowsTheError)
{
    m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), "1,2,0");
    Inet inet;
    InetStatus status(&inet);
    status.setText(QStringLiteral("None"));
    QStringList shown;
    QObject::connect(&status, &InetStatus::TextChanged, [&](const QString& text) { shown << text; });
    RunWebFunction(inet, QStringLiteral("spiderfenceversion.asp"));
    EXPECT_EQ(shown, (QStringList{"Resolving host", "Resolving host", "Connecting", "Connected", "Requesting",
                                  "Request Sent", "Receiving response", "Response received", "Disconnecting",
                                  "Disconnected", "Response completed"}));

    qputenv("SPIDERFENCE_WEB_SERVICE_URL", "http://127.0.0.1:1");
    shown.clear();
    EXPECT_EQ(RunWebFunction(inet, QStringLiteral("spiderfenceversion.asp")), QString());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(status.text().startsWith(QStringLiteral("Error: "))) << status.text().toStdString();
    EXPECT_EQ(status.text(), QStringLiteral("Error: ") + inet.ResponseInfo());
    EXPECT_GT(status.text().size(), 7);
}
