// The version page, the comparisons, the components and the progress of a download.
#include "app/util/FileUtils.h"
#include "online/UpdateCheck.h"
#include "online/transfer/Inet.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>

using namespace sf;
using sf::test::HttpServer;

TEST(VersionReplyTest, NineFieldsGiveThreeVersions)
{
    const struct {
        QString reply;
        bool ok;
        QString program, robotList, renewkit;
    } cases[] = {
        {"1,2,0,1,0,5,1,00,0016", true, "1.2.0", "1.0.5", "1.00.0016"},
        {"1,2,0,1,0,5,1,00,0016,9,9,junk", true, "1.2.0", "1.0.5", "1.00.0016"},
        {"1,2,0,1,0,5,1,00,0016\r\n", true, "1.2.0", "1.0.5", "1.00.0016"},
        {"1,2,0,1,0,5,1,00,0016\n", true, "1.2.0", "1.0.5", "1.00.0016"},
        // Fields are taken as they come: no trimming of spaces, no numbers.
        {" 1,2 ,0,2026,12,1,1,00,0016", true, " 1.2 .0", "2026.12.1", "1.00.0016"},
        {"1,2,0,1,0,5,1,00,0016,\r\n", true, "1.2.0", "1.0.5", "1.00.0016"},
        {",,,,,,,,", true, "..", "..", ".."},
        {"", false, {}, {}, {}},
        {"\r\n", false, {}, {}, {}},
        {"1,2,0,1,0,5,1,00", false, {}, {}, {}},
        {"<html><body>Not Found</body></html>", false, {}, {}, {}},
    };
    for (const auto& c : cases) {
        const std::optional<ComponentVersions> v = ParseVersionReply(c.reply);
        ASSERT_EQ(v.has_value(), c.ok) << c.reply.toStdString();
        if (!v)
            continue;
        EXPECT_EQ(v->program, c.program) << c.reply.toStdString();
        EXPECT_EQ(v->robotList, c.robotList) << c.reply.toStdString();
        EXPECT_EQ(v->renewkit, c.renewkit) << c.reply.toStdString();
    }
}

TEST(VersionReplyTest, EachComparisonIsExactAndCaseSensitive)
{
    const ComponentVersions local{"1.2.0", "1.0.5", "1.00.0016"};
    const struct {
        ComponentVersions online;
        bool program, robotList, renewkit;
    } cases[] = {
        {{"1.2.0", "1.0.5", "1.00.0016"}, false, false, false},
        {{"1.2.1", "1.0.5", "1.00.0016"}, true, false, false},
        {{"1.2.0", "1.0.6", "1.00.0016"}, false, true, false},
        {{"1.2.0", "1.0.5", "1.0.16"}, false, false, true},
        {{"1.2.0", "1.0.5B", "1.00.0016"}, false, true, false},
        {{"1.2.0", "1.0.5", "1.00.0016 "}, false, false, true},
    };
    for (const auto& c : cases) {
        const UpdateNeeds needs = CompareVersions(local, c.online);
        EXPECT_EQ(needs.program, c.program);
        EXPECT_EQ(needs.robotList, c.robotList);
        EXPECT_EQ(needs.renewkit, c.renewkit);
        EXPECT_EQ(needs.any(), c.program || c.robotList || c.renewkit);
    }
    EXPECT_TRUE(CompareVersions({"a.b.c", "1.0.5", "x"}, {"A.b.c", "1.0.5", "x"}).program);
}

TEST(VersionReplyTest, ProgressInWholeKilobytesUpToTheMaximum)
{
    const struct {
        qint64 bytes;
        int maximum;
        int kb;
    } cases[] = {
        {0, 100, 0},    {511, 100, 0},      {512, 100, 0},      {513, 100, 1},       {1536, 100, 2},
        {2560, 100, 2}, {102400, 100, 100}, {150000, 100, 100}, {28 * 1024, 28, 28}, {5000000, 30, 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressKilobytes(c.bytes, c.maximum), c.kb) << c.bytes;
}

TEST(VersionReplyTest, ComponentsAndTheirFiles)
{
    EXPECT_EQ(RobotDatabaseComponent().remoteName, QStringLiteral("robots.rbd"));
    EXPECT_EQ(RobotDatabaseComponent().expectedKB, 100);
    EXPECT_EQ(RenewkitComponent().remoteName, QStringLiteral("renewkit.exe"));
#ifdef Q_OS_WIN
    EXPECT_EQ(RenewkitComponent().localName, QStringLiteral("renewkit.exe"));
#else
    EXPECT_EQ(RenewkitComponent().localName, QStringLiteral("renewkit"));
#endif
    EXPECT_EQ(RenewkitComponent().expectedKB, 28);
    EXPECT_TRUE(RenewkitComponent().executable);
    EXPECT_EQ(HelpFileComponent().remoteName, QStringLiteral("spiderfence.chm"));
    EXPECT_EQ(HelpFileComponent().expectedKB, 30);
    EXPECT_FALSE(HelpFileComponent().executable);
}

TEST(ComponentDownloadTest, AFileIsReplacedOnlyByAWholeBodyWithASuccessStatus)
{
    test::TempProgramDir dir;
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    qputenv("SPIDERFENCE_DOWNLOAD_URL", server.baseUrl().toUtf8());
    const QString target = dir.file(QStringLiteral("robots.rbd"));
    test::writeFileBytes(target, QByteArray(300 * 1024, 'o'));
    QByteArray body(150 * 1024 + 100, 'n');
    body[0] = 'N';
    server.putFile(QStringLiteral("robots.rbd"), body);
    Inet inet;
    QList<int> progress;
    const auto record = [&progress](int kb) { progress << kb; };

    server.answerStatus(QStringLiteral("/files/robots.rbd"), 404);
    DownloadResult result = DownloadComponent(inet, RobotDatabaseComponent(), record);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, 404);
    EXPECT_EQ(test::readFileBytes(target), QByteArray(300 * 1024, 'o'));

    server.clearRules();
    server.cutShort(QStringLiteral("/files/robots.rbd"), 5000);
    result = DownloadComponent(inet, RobotDatabaseComponent(), record);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.description.isEmpty());
    EXPECT_EQ(test::readFileBytes(target), QByteArray(300 * 1024, 'o'));

    server.clearRules();
    progress.clear();
    result = DownloadComponent(inet, RobotDatabaseComponent(), record);
    ASSERT_TRUE(result.ok) << result.description.toStdString();
    EXPECT_EQ(test::readFileBytes(target), body); // shorter than the old file: nothing of it is left
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), 100); // 150 KB against a bar of 100
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("robots.rbd")});
    EXPECT_EQ(inet.RequestTimeout(), 60);
    qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
}

TEST(ComponentDownloadTest, RenewkitArrivesAsAProgramAndAShortBodyMovesNoProgress)
{
    test::TempProgramDir dir;
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    qputenv("SPIDERFENCE_DOWNLOAD_URL", server.baseUrl().toUtf8());
    server.putFile(QStringLiteral("renewkit.exe"), "#!/bin/sh\nexit 0\n");
    Inet inet;
    QList<int> progress;
    const DownloadResult result =
        DownloadComponent(inet, RenewkitComponent(), [&progress](int kb) { progress << kb; });
    ASSERT_TRUE(result.ok) << result.description.toStdString();
    const QString local = dir.file(ExecutableName(QStringLiteral("renewkit")));
    EXPECT_EQ(test::readFileBytes(local), QByteArray("#!/bin/sh\nexit 0\n"));
    EXPECT_TRUE(QFileInfo(local).isExecutable());
    EXPECT_TRUE(progress.isEmpty()); // less than one whole chunk of 256 bytes
    EXPECT_EQ(server.requests(), QStringList{QStringLiteral("GET /files/renewkit.exe")});
    qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
}
