// The form encoding and the body of a robot submission.
#include "online/RobotSubmission.h"
#include "base/CodePage.h"
#include "base/DateSerial.h"
#include "robots/RobotRecord.h"

#include <gtest/gtest.h>

using namespace sf;

namespace {

// A robot with something to encode in most fields, as the editor leaves it in memory after saving.
RobotRecord knownRobot()
{
    RobotRecord r;
    r.Robot_name = QStringLiteral("  Webwalker 2.1  ");
    r.Robot_cover_url = QStringLiteral("http://www.example.com/bots/walker.html");
    r.Robot_details_url = QString();
    r.Robot_owner_name = QString::fromUtf8("J\u00fcrgen \u00d6st");
    r.Robot_owner_url = QStringLiteral("http://example.com/~jo");
    r.Robot_owner_email = QStringLiteral("jo@example.com");
    r.Robot_status = QStringLiteral("active");
    r.Robot_purpose = QStringLiteral("indexing, statistics");
    r.Robot_type = QStringLiteral("standalone");
    r.Robot_platform = QStringLiteral("Linux/x86_64");
    r.Robot_availability = QStringLiteral("none");
    r.Robot_exclusions = kRobotYes;
    r.Robot_exclusion_useragent = QStringLiteral("webwalker");
    r.Robot_noindex = kRobotNo;
    r.Robot_nofollow = 1; // any value but 0 is sent as True
    r.Robot_host = QStringLiteral("*.example.com");
    r.Robot_from = kRobotNo;
    r.Robot_useragent = QStringLiteral("Webwalker/2.1 (+http://example.com)");
    r.Robot_language = QStringLiteral("C++");
    r.Robot_description = QStringLiteral("Walks\r\nthe web");
    r.Robot_history = QString::fromUtf8("since 1999 \u2013 \u20ac5");
    r.Robot_environment = QStringLiteral("100%");
    r.Robot_category = 6;
    r.Modified_date = toDateSerial(QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    r.Modified_by = QStringLiteral("Greyfield");
    r.RobotVersion = QStringLiteral("1.0.5 ");
    r.Reserved = QStringLiteral("not sent");
    return r;
}

const QByteArray kKnownBody = "Robot_name=Webwalker+2%2E1"
                              "&Robot_cover_url=http%3A%2F%2Fwww%2Eexample%2Ecom%2Fbots%2Fwalker%2Ehtml"
                              "&Robot_details_url="
                              "&Robot_owner_name=J%FCrgen+%D6st"
                              "&Robot_owner_url=http%3A%2F%2Fexample%2Ecom%2F%7Ejo"
                              "&Robot_owner_email=jo%40example%2Ecom"
                              "&Robot_status=active"
                              "&Robot_purpose=indexing%2C+statistics"
                              "&Robot_type=standalone"
                              "&Robot_platform=Linux%2Fx86%5F64"
                              "&Robot_availability=none"
                              "&Robot_exclusions=True"
                              "&Robot_exclusion_useragent=webwalker"
                              "&Robot_noindex=False"
                              "&Robot_nofollow=True"
                              "&Robot_host=%2A%2Eexample%2Ecom"
                              "&Robot_from=False"
                              "&Robot_useragent=Webwalker%2F2%2E1+%28%2Bhttp%3A%2F%2Fexample%2Ecom%29"
                              "&Robot_language=C%2B%2B"
                              "&Robot_description=Walks%0D%0Athe+web"
                              "&Robot_history=since+1999+%96+%805"
                              "&Robot_environment=100%25"
                              "&Robot_category=6"
                              "&Modified_date=2026%2D12%2D07"
                              "&RobotVersion=1%2E0%2E5"
                              "&SpiderfenceVersion=1%2E2%2E0"
                              "&Field1=alice"
                              "&Field2=p%40ss+word";

} // namespace

TEST(URLEncodeTest, LettersAndDigitsStaySpacesBecomePlusEverythingElseIsPercentEncoded)
{
    const struct {
        QString text;
        QString encoded;
    } cases[] = {
        {QStringLiteral("Robot 1.0"), QStringLiteral("Robot+1%2E0")},
        {QStringLiteral("a-b_c"), QStringLiteral("a%2Db%5Fc")},
        {QString(), QString()},
        {QStringLiteral("\n"), QStringLiteral("%0A")},
        {QString::fromUtf8("\u00e9"), QStringLiteral("%E9")},
        {QStringLiteral(".~*@:/"), QStringLiteral("%2E%7E%2A%40%3A%2F")},
        {QStringLiteral("  "), QStringLiteral("++")},
        {QStringLiteral("%+&="), QStringLiteral("%25%2B%26%3D")},
        {QString::fromUtf8("\u20ac\u201c\u0178"), QStringLiteral("%80%93%9F")},
        // Outside the code page: one "?" per character, a surrogate pair included.
        {QString::fromUtf8("\u0101\U0001F600z"), QStringLiteral("%3F%3Fz")},
        {QStringLiteral("AZaz09"), QStringLiteral("AZaz09")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(URLEncode(c.text), c.encoded) << c.text.toStdString();
}

TEST(URLEncodeTest, EveryByteOfTheCodePage)
{
    const QByteArray plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString all;
    QString expected;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString text = fromAnsi(&byte, 1);
        QString want;
        if (plain.contains(byte))
            want = QString(QLatin1Char(byte));
        else if (b == 32)
            want = QStringLiteral("+");
        else
            want = QString::asprintf("%%%02X", b);
        EXPECT_EQ(URLEncode(text), want) << "byte " << b;
        all += text;
        expected += want;
    }
    EXPECT_EQ(URLEncode(all), expected);
    EXPECT_EQ(expected.size(), 62 + 1 + 193 * 3);
}

TEST(URLEncodeTest, TextsLongerThan32767CharactersAreEncodedWhole)
{
    const QString text = QString(40000, QLatin1Char('a')) + QStringLiteral(".");
    const QString encoded = URLEncode(text);
    EXPECT_EQ(encoded.size(), 40003);
    EXPECT_TRUE(encoded.endsWith(QStringLiteral("a%2E")));
}

TEST(SubmissionBodyTest, AKnownRobotGivesAllKeysInOrder)
{
    const QByteArray body = SubmissionBody(
        knownRobot(), {QStringLiteral("1.2.0"), QStringLiteral("  alice "), QStringLiteral(" p@ss word ")});
    EXPECT_EQ(body, kKnownBody);
    EXPECT_EQ(body.count('&'), 27);
    EXPECT_EQ(body.count('='), 28);
    EXPECT_FALSE(body.startsWith('&'));
}

TEST(SubmissionBodyTest, FieldsAreSentAsRobotsRbdHoldsThem)
{
    RobotRecord blank;
    blank.Robot_name = QString(150, QLatin1Char(' '));
    const QByteArray empty = SubmissionBody(blank, {});
    EXPECT_TRUE(empty.startsWith("Robot_name=&Robot_cover_url=&")) << empty.toStdString();
    EXPECT_TRUE(empty.contains("&Robot_exclusions=False&")) << empty.toStdString();
    // A date never set is day 0 of the serial count; an unexpected category goes as it is stored.
    EXPECT_TRUE(empty.contains("&Robot_category=0&Modified_date=1899%2D12%2D30&RobotVersion=&"));
    EXPECT_TRUE(empty.endsWith("&SpiderfenceVersion=&Field1=&Field2="));

    RobotRecord robot;
    robot.Robot_name = QString(160, QLatin1Char('n'));      // robots.rbd keeps 150 characters
    robot.Robot_cover_url = QString(250, QLatin1Char('u')); // a URL field keeps 250
    robot.RobotVersion = QStringLiteral("2026.12.1-extra-long");
    robot.Robot_category = -3;
    const QByteArray body = SubmissionBody(robot, {});
    EXPECT_TRUE(body.startsWith("Robot_name=" + QByteArray(150, 'n') +
                                "&Robot_cover_url=" + QByteArray(250, 'u') + "&"));
    EXPECT_TRUE(body.contains("&Robot_category=%2D3&"));
    EXPECT_TRUE(body.contains("&RobotVersion=2026%2E12%2E1%2Dextra&")) << body.toStdString();
}

TEST(SubmissionBodyTest, AddressAndHeaderOfThePost)
{
    qputenv("SPIDERFENCE_WEB_SERVICE_URL", "http://127.0.0.1:9/");
    EXPECT_EQ(SubmissionUrl(), QStringLiteral("http://127.0.0.1:9/webfunction/submitrobot.asp"));
    qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
    EXPECT_EQ(SubmissionHeaders(), QStringLiteral("Content-Type: application/x-www-form-urlencoded"));
}
