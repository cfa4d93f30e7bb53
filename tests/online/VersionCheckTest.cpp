// The version page, the comparisons, the components and the progress of a download.
#include "base/FileUtils.h"
#include "online/UpdateCheck.h"
#include "online/WebFunction.h"
#include "robots/CrawlerImport.h"
#include "robots/RobotRecord.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"
#include "support/UpdateSamples.h"
#include "transfer/ComponentCheck.h"
#include "transfer/Inet.h"
#include "transfer/Signature.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace sf;
using sf::test::HttpServer;

TEST(VersionReplyTest, AnAnnouncedHashMustMatchInEveryByte)
{
    const QByteArray file = "the downloaded component";
    const QByteArray hash = Sha256(file);
    const auto flipped = [&](qsizetype at) {
        QByteArray other = hash;
        other[at] = static_cast<char>(other[at] ^ 0x01);
        return other;
    };
    const struct {
        const char* name;
        QByteArray announced; // empty: the page announces no hash for the file
        bool ok;
    } cases[] = {
        {"the same hash", hash, true},
        {"no hash announced", {}, true},
        {"the first byte differs", flipped(0), false},
        {"the last byte differs", flipped(hash.size() - 1), false},
        {"a shorter hash", hash.left(8), false},
    };
    for (const auto& c : cases) {
        VersionPage page;
        if (!c.announced.isEmpty())
            page.hashes.insert(QStringLiteral("robots.rbd"), c.announced);
        EXPECT_EQ(CheckAnnouncedHash(file, page, QStringLiteral("robots.rbd")).ok, c.ok) << c.name;
    }
}

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

TEST(VersionPageTest, HashesAreReadAndASignatureIsNeededExactlyWhenThereIsAKey)
{
    const SigningKeys maker = MakeSigningKeys(), other = MakeSigningKeys();
    const QByteArray nine = "1,2,0,1,0,5,1,00,0016";
    const QByteArray hashed = test::hashedVersionPage(nine, "r", "k", "h", "p");
    const auto sign = [&hashed](const SigningKeys& keys) {
        return hashed + ',' + SignMessage(hashed, keys.secretKey).toBase64();
    };
    QByteArray tampered = sign(maker);
    tampered[tampered.indexOf(",1,00,") + 1] = '2';
    const QByteArray notSigned = "Update check failed: the version page is not signed by the maker";
    const struct {
        QByteArray page;
        QByteArray key;
        bool hashes;
        QByteArray error;
    } cases[] = {
        {nine, {}, false, {}},
        {nine + ",junk,more", {}, false, {}},
        {hashed + "\r\n", {}, true, {}},
        {sign(other) + "\n", {}, true, {}}, // without a key a signature is not looked at
        {sign(maker) + "\r\n", maker.publicKey, true, {}},
        {sign(maker), maker.publicKey, true, {}},
        {sign(other), maker.publicKey, false, notSigned},
        {tampered, maker.publicKey, false, notSigned},
        {hashed, maker.publicKey, false, notSigned},
        {nine, maker.publicKey, false, notSigned},
        {sign(maker) + ",extra", maker.publicKey, false, notSigned},
        {"1,2,0", {}, false, "Update check failed: no version information was received"},
    };
    for (const auto& c : cases) {
        const Result<VersionPage> r = ReadVersionPage(c.page, c.key);
        EXPECT_EQ(r.error.toUtf8(), c.error) << c.page.toStdString();
        ASSERT_EQ(r.ok, c.error.isEmpty()) << c.page.toStdString();
        if (!r)
            continue;
        EXPECT_EQ(r->versions.renewkit, QStringLiteral("1.00.0016"));
        EXPECT_EQ(r->hashes.value(QStringLiteral("spiderfence.exe")), c.hashes ? Sha256("p") : QByteArray());
        EXPECT_EQ(r->signedByMaker, !c.key.isEmpty());
    }
}

TEST(VersionPageTest, ComponentsAreCheckedForWhatTheyClaimToBe)
{
    const QString renewkitPath =
        test::buildBinDir() + QLatin1Char('/') + ExecutableName(QStringLiteral("renewkit"));
    const QByteArray renewkit = test::readFileBytes(renewkitPath);
    const QByteArray robots = test::robotDatabaseBytes(2, QStringLiteral("1.0.6"));
    VersionPage page;
    page.versions = {ProgramVersionText(), QStringLiteral("1.0.6"), ProgramVersionText()};
    VersionPage hashed = page;
    hashed.hashes.insert(QStringLiteral("robots.rbd"), Sha256(robots));
    hashed.hashes.insert(QStringLiteral("renewkit.exe"), Sha256(renewkit));
    hashed.hashes.insert(QStringLiteral("spiderfence.chm"), Sha256("help"));
    QByteArray blankName = robots;
    blankName.replace(0, 7, "       ");
    const struct {
        Component component;
        QByteArray bytes;
        const VersionPage& page;
        QString refusal; // the start of it
    } cases[] = {
        {RobotDatabaseComponent(), robots, page, {}},
        {RobotDatabaseComponent(), robots, hashed, {}},
        {RobotDatabaseComponent(), robots + 'x', hashed,
         "The file is not the one the version page announced"},
        {RobotDatabaseComponent(), robots.left(RobotRecord::kSlotSize + 100), page,
         "The file is not a robot database"},
        {RobotDatabaseComponent(), QByteArray(3 * RobotRecord::kSlotSize, '<'), page,
         "Record 1 of the robot"},
        {RobotDatabaseComponent(), blankName, page, "Record 1 of the robot"},
        {RobotDatabaseComponent(), "<html>Busy</html>", page, "The file is not a robot database"},
        {RenewkitComponent(), renewkit, page, {}},
        {RenewkitComponent(), renewkit, hashed, {}},
        {RenewkitComponent(), test::programWithVersion(renewkitPath, QStringLiteral("7.7.7")), page,
         "The program is version 7.7.7, not the announced " + ProgramVersionText()},
        {RenewkitComponent(), test::readFileBytes(QStringLiteral("/bin/true")), page,
         "The program carries no version"},
        {RenewkitComponent(), "#!/bin/sh\nexit 0\n", page, "The file is not a program"},
        {HelpFileComponent(), "help", hashed, {}},
        {HelpFileComponent(), "<html>Busy</html>", hashed,
         "The file is not the one the version page announced"},
    };
    for (const auto& c : cases) {
        const QString why = ComponentContentCheck(c.component, c.page)(c.bytes).error;
        EXPECT_TRUE(c.refusal.isEmpty() ? why.isEmpty() : why.startsWith(c.refusal))
            << c.component.remoteName.toStdString() << " " << (&c - cases) << ": " << why.toStdString();
    }
}

TEST(ComponentDownloadTest, AFileIsReplacedOnlyByAWholeBodyWithASuccessStatus)
{
    test::TempProgramDir dir;
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    qputenv("SPIDERFENCE_DOWNLOAD_URL", server.baseUrl().toUtf8());
    const QString target = dir.file(QStringLiteral("robots.rbd"));
    test::writeFileBytes(target, QByteArray(300 * 1024, 'o'));
    const QByteArray body = test::robotDatabaseBytes(24, QStringLiteral("1.0.6")); // about 154 KB
    server.putFile(QStringLiteral("robots.rbd"), body);
    Inet inet;
    QList<int> progress;
    const auto record = [&progress](int kb) { progress << kb; };
    const ContentCheck check = ComponentContentCheck(RobotDatabaseComponent(), VersionPage());

    server.answerStatus(QStringLiteral("/files/robots.rbd"), 404);
    Result<void> result = DownloadComponent(inet, RobotDatabaseComponent(), check, record);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, 404);
    EXPECT_EQ(test::readFileBytes(target), QByteArray(300 * 1024, 'o'));

    server.clearRules();
    server.cutShort(QStringLiteral("/files/robots.rbd"), 5000);
    result = DownloadComponent(inet, RobotDatabaseComponent(), check, record);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(test::readFileBytes(target), QByteArray(300 * 1024, 'o'));

    server.clearRules();
    progress.clear();
    result = DownloadComponent(inet, RobotDatabaseComponent(), check, record);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
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
    const QByteArray renewkit = test::readFileBytes(test::buildBinDir() + QLatin1Char('/') +
                                                    ExecutableName(QStringLiteral("renewkit")));
    server.putFile(QStringLiteral("renewkit.exe"), renewkit);
    server.putFile(QStringLiteral("spiderfence.chm"), "help");
    VersionPage page;
    page.versions.renewkit = ProgramVersionText();
    Inet inet;
    for (const Component& component : {RenewkitComponent(), HelpFileComponent()}) {
        QList<int> progress;
        const Result<void> result = DownloadComponent(inet, component, ComponentContentCheck(component, page),
                                                      [&progress](int kb) { progress << kb; });
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        const QString local = dir.file(component.localName);
        EXPECT_EQ(QFileInfo(local).isExecutable(), component.executable);
        // Less than one whole chunk of 256 bytes moves nothing.
        EXPECT_EQ(progress.isEmpty(), !component.executable);
    }
    EXPECT_EQ(test::readFileBytes(dir.file(ExecutableName(QStringLiteral("renewkit")))), renewkit);
    EXPECT_EQ(server.requests(), (QStringList{QStringLiteral("GET /files/renewkit.exe"),
                                              QStringLiteral("GET /files/spiderfence.chm")}));
    qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
}

// Every download has a limit of its own that a hostile server cannot pass: an answer over it ends
// the download at the byte after the limit, fails with a message that names the limit, and replaces
// nothing.
TEST(DownloadLimitTest, AnAnswerOverItsLimitFailsAndReplacesNothing)
{
    test::TempProgramDir dir;
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    qputenv("SPIDERFENCE_WEB_SERVICE_URL", server.baseUrl().toUtf8());
    qputenv("SPIDERFENCE_DOWNLOAD_URL", server.baseUrl().toUtf8());
    const QString help = dir.file(HelpFileComponent().localName);
    test::writeFileBytes(help, "old help");
    Component smallHelp = HelpFileComponent(); // the limit itself is 256 MiB: a smaller one is tried
    smallHelp.maxBytes = 100 * 1024;
    struct Case {
        const char* name;
        QString path;
        qint64 limit;
        std::function<QString(Inet&)> download; // its failure as the user reads it
    } cases[] = {
        {"the version page", "/webfunction/spiderfenceversion.asp", kVersionPageLimit,
         [](Inet& inet) { return FetchVersionPage(inet).error; }},
        {"a web function", "/webfunction/spiderfenceversion.asp", kWebFunctionLimit,
         [](Inet& inet) {
             return RunWebFunction(inet, "spiderfenceversion.asp").isEmpty() ? inet.ResponseInfo() : "read";
         }},
        {"a crawler list", "/files/crawlers.json", kCrawlerListLimit,
         [&](Inet& inet) {
             QByteArray body;
             const Result<void> fetched =
                 fetchCrawlerList(inet, server.baseUrl() + "/files/crawlers.json", body);
             return body.isEmpty() ? fetched.error : QString("read");
         }},
        {"a component", "/files/" + smallHelp.remoteName, smallHelp.maxBytes,
         [&](Inet& inet) { return DownloadComponent(inet, smallHelp, {}, {}).error; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.clearRules();
        server.answerHuge(c.path, c.limit + (4 << 20));
        Inet inet;
        const QString why = c.download(inet);
        const QString limit = QLocale::c().formattedDataSize(c.limit, 0, QLocale::DataSizeIecFormat);
        EXPECT_TRUE(why.contains("The server sent more than " + limit)) << why.toStdString();
        EXPECT_TRUE(inet.BodyTooLarge());
        EXPECT_EQ(inet.BytesReceived(), c.limit + 1) << "read no further";
    }
    EXPECT_EQ(test::readFileBytes(help), QByteArray("old help"));
}
