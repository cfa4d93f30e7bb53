#include "rules/RobotsTxt.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace sf::rules;

TEST(RobotsTxt, AgreesWithEveryReferenceVerdict)
{
    const QString path = QStringLiteral(SF_SHARED_DATA_DIR "/robots-conformance.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly))
        << "the reference verdicts are missing: " << path.toStdString() << " ("
        << file.errorString().toStdString() << ")";
    QJsonParseError error;
    const QJsonArray cases = QJsonDocument::fromJson(file.readAll(), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_GE(cases.size(), 73);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const RobotsTxt txt(c["robots"].toString().toUtf8());
        const Verdict verdict = txt.check(c["agent"].toString().toUtf8(), c["url"].toString().toUtf8());
        EXPECT_EQ(verdict.allowed ? "allowed" : "blocked", c["verdict"].toString().toStdString())
            << "case " << c["id"].toInt() << " (" << c["about"].toString().toStdString()
            << "): " << c["url"].toString().toStdString();
    }
}

// What the reference file does not pin down: the deciding line, line ends, BOM, key spellings.
TEST(RobotsTxt, DecidingLineAndFileForms)
{
    struct Case {
        QByteArray robots, agent, url;
        bool allowed;
        int line;
    } cases[] = {
        {"User-agent: *\nDisallow: /a\nAllow: /a/b\n", "x", "/a/b/c", true, 3},
        {"User-agent: *\nDisallow: /a\nAllow: /a/b\n", "x", "/a/c", false, 2},
        {"User-agent: *\nDisallow: /a\nAllow: /a/b\n", "x", "/c", true, 0},
        {"User-agent: *\nDisallow: /a\nDisallow: /b\nDisallow: /a", "x", "/a", false, 2},
        {"User-agent: *\rDisallow: /cr\r", "x", "/cr", false, 2},
        {"\xEF\xBB\xBFuser-AGENT: *\r\n\r\nDISALLOW: /bom\r\n", "x", "/bom", false, 3},
        {"User-agent: *\nFoo: bar\nSitemap: /s\nDisallow /nocolon\nDisallow: /c\n", "x", "/nocolon", true, 0},
        {"User-agent: *\nFoo: bar\nSitemap: /s\nDisallow /nocolon\nDisallow: /c\n", "x", "/c", false, 5},
        {"User-agent: *\nDisallow: /ca\xC3\xA9\n", "x", "/ca%c3%a9", true, 0},
        {"User-agent: *\nDisallow: /ca\xC3\xA9\n", "x", "/ca%C3%A9", false, 2},
        {"User-agent: *\nDisallow: /a%2fb\n", "x", "/a%2Fb", false, 2},
        {"User-agent: *\nDisallow: /\nAllow: /d/index.html\n", "x", "/d/", false, 2},
        {"User-agent: *\nDisallow: /q\n", "x", "https://h/q#frag", false, 2},
        {"User-agent: *\nDisallow: /\n", "x", "https://h#/frag", false, 2},
        {"User-agent: * \nUser-agent: x\nDisallow: /both\nUser-agent: *\nDisallow: /star", "x", "/star", true,
         0},
        {"User-agent: *\nDisallow:\n", "x", "/", true, 2},
    };
    for (const Case& c : cases) {
        const Verdict v = RobotsTxt(c.robots).check(c.agent, c.url);
        EXPECT_EQ(v.allowed, c.allowed) << c.robots.toStdString() << " / " << c.url.toStdString();
        EXPECT_EQ(v.line, c.line) << c.robots.toStdString() << " / " << c.url.toStdString();
    }
}
