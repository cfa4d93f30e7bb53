#include "AccessLogSamples.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

struct Ran {
    QByteArray out, err;
    int exit = -1;
};

Ran runSfcheck(const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral(SF_BUILD_BIN_DIR "/sfcheck"), QStringList{QStringLiteral("audit")} + args);
    process.write(input);
    process.closeWriteChannel();
    Ran ran;
    EXPECT_TRUE(process.waitForFinished(60000)) << args.join(u' ').toStdString();
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    ran.exit = process.exitCode();
    return ran;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

// "sfcheck audit" with the shipped robot database over the sample log: its lines, its CSV, standard
// input and gzip alike, the merge of the parts' CSVs, and its exit codes.
TEST(AccessLogSfcheck, AuditPrintsEachRobotWritesCsvMergesPartsAndExitsTwoOnUnreadableFiles)
{
    QTemporaryDir dir;
    const QString robots = dir.filePath("robots.txt"), log = dir.filePath("access.log");
    const QByteArray sample = sf::test::auditSampleLog();
    sf::test::writeFile(robots, sf::test::kAuditRobotsTxt);
    sf::test::writeFile(log, sample);
    gzFile gz = gzopen(QFile::encodeName(dir.filePath("access.log.1.gz")).constData(), "wb");
    ASSERT_EQ(gzwrite(gz, sample.constData(), static_cast<unsigned>(sample.size())), sample.size());
    ASSERT_EQ(gzclose(gz), Z_OK);
    const QList<QByteArray> lines = sample.split('\n');
    sf::test::writeFile(dir.filePath("part1.log"), lines.mid(0, 7).join('\n') + '\n');
    sf::test::writeFile(dir.filePath("part2.log"), lines.mid(7).join('\n'));
    const QByteArray rfc = "Googlebot: 4 requests, 2 disallowed, 1 robots.txt fetches\n"
                           "GPTBot: 3 requests, 2 disallowed, 1 robots.txt fetches\n"
                           "Bytespider: 2 requests, 1 disallowed, 0 robots.txt fetches\n"
                           "Googlebot-Image: 2 requests, 1 disallowed, 0 robots.txt fetches\n"
                           "unknown:MyGooglebotClone: 1 requests, 1 disallowed, 0 robots.txt fetches\n"
                           "unknown:WeirdCrawler: 1 requests, 1 disallowed, 0 robots.txt fetches\n"
                           "visitors: 3 requests\n";
    QByteArray firstMatch = rfc;
    firstMatch.replace("Bytespider: 2 requests, 1 disallowed", "Bytespider: 2 requests, 0 disallowed");
    firstMatch.replace("Googlebot: 4 requests, 2 disallowed", "Googlebot: 4 requests, 3 disallowed");
    firstMatch.replace("MyGooglebotClone: 1 requests, 1 disallowed",
                       "MyGooglebotClone: 1 requests, 0 disallowed");
    struct Case {
        QStringList args;
        QByteArray input, out, err;
        int exit;
    };
    const Case cases[] = {
        {{robots, log, "--csv", dir.filePath("whole.csv")}, {}, rfc, "3 lines skipped\n", 0},
        {{robots, "-"}, sample, rfc, "3 lines skipped\n", 0},
        {{robots, dir.filePath("access.log.1.gz")}, {}, rfc, "3 lines skipped\n", 0},
        {{"--reader", "first-match", robots, log}, {}, firstMatch, "3 lines skipped\n", 0},
        {{robots, dir.filePath("part1.log"), "--csv", dir.filePath("part1.csv")}, {}, {}, {}, 0},
        {{robots, dir.filePath("part2.log"), "--csv", dir.filePath("part2.csv")}, {}, {}, {}, 0},
        {{"--merge", dir.filePath("part1.csv"), dir.filePath("part2.csv"), "--csv",
          dir.filePath("merged.csv")},
         {},
         {},
         {},
         0},
        {{robots, dir.filePath("missing.log")},
         {},
         {},
         "sfcheck: " + dir.filePath("missing.log").toUtf8() + ": no such file\n",
         2},
        {{dir.filePath("none.txt"), log},
         {},
         {},
         "sfcheck: " + dir.filePath("none.txt").toUtf8() + ": no such file\n",
         2},
        {{robots, dir.path()}, {}, {}, "sfcheck: " + dir.path().toUtf8() + ": is a folder, not a log\n", 2},
        {{"--reader", "nobody", robots, log},
         {},
         {},
         "sfcheck: unknown reader \"nobody\": rfc9309, google or first-match\n",
         2},
        {{"--merge", log}, {}, {}, {}, 2},
    };
    for (const Case& c : cases) {
        const Ran ran = runSfcheck(c.args, c.input);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(ran.exit, c.exit) << what << "\n" << ran.err.toStdString();
        if (!c.out.isEmpty()) {
            EXPECT_EQ(ran.out, c.out) << what;
        }
        if (!c.err.isEmpty()) {
            EXPECT_EQ(ran.err, c.err) << what;
        }
    }
    const QByteArray whole = readFile(dir.filePath("whole.csv"));
    EXPECT_TRUE(
        whole.startsWith("robot,purpose,requests,disallowed,robots_txt_fetches,first_seen,last_seen\n"));
    EXPECT_TRUE(whole.contains(",3,2,1,2026-10-10T10:00:00Z,2026-10-11T09:30:00Z\n")) << whole.toStdString();
    EXPECT_TRUE(whole.contains("\nunknown:WeirdCrawler,,1,1,0,2026-10-10T11:55:36Z,2026-10-10T11:55:36Z\n"));
    EXPECT_EQ(readFile(dir.filePath("merged.csv")), whole);
}
