#include "transfer/SafeDownload.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"
#include "transfer/Inet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace sf;
using sf::test::HttpServer;

namespace {

bool isExecutable(const QString& path)
{
    return QFile::permissions(path) & QFileDevice::ExeOwner;
}

} // namespace

TEST(SafeDownload, OnlyAWholeSuccessfulBodyReplacesTheOldFile)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    const QByteArray fresh(5000, 'n');
    server.putFile(QStringLiteral("ok.exe"), fresh);
    server.putFile(QStringLiteral("cut.exe"), fresh);
    server.cutShort(QStringLiteral("/files/cut.exe"), 1000);
    server.putFile(QStringLiteral("gone.exe"), fresh);
    server.answerStatus(QStringLiteral("/files/gone.exe"), 404);
    server.putFile(QStringLiteral("err.exe"), fresh);
    server.answerStatus(QStringLiteral("/files/err.exe"), 500);
    struct Case {
        QString name;
        bool replaced;
        int number;
    } cases[] = {
        {"ok.exe", true, 0},     {"cut.exe", false, 18},      {"gone.exe", false, 404},
        {"err.exe", false, 500}, {"missing.exe", false, 404},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString target = dir.filePath(c.name);
        const QByteArray old(9000, 'o'); // longer than the new body
        test::writeFileBytes(target, old);
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
        Inet inet;
        const Result<void> r =
            DownloadFile(inet, server.baseUrl() + QStringLiteral("/files/") + c.name, target, true);
        EXPECT_EQ(r.ok, c.replaced) << c.name.toStdString();
        EXPECT_EQ(r.errorNumber, c.number) << c.name.toStdString() << " " << r.error.toStdString();
        EXPECT_EQ(r.error.isEmpty(), c.replaced) << c.name.toStdString();
        EXPECT_EQ(test::readFileBytes(target), c.replaced ? fresh : old) << c.name.toStdString();
        EXPECT_TRUE(isExecutable(target)) << c.name.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), static_cast<qsizetype>(&c - cases + 1))
            << "no temporary file is left behind";
    }
}

TEST(SafeDownload, ReplaceFileGivesANewExecutableItsExecuteBitAndLeavesDataFilesAlone)
{
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("new-program"));
    ASSERT_TRUE(ReplaceFile(exe, "#!/bin/sh\n", true).ok);
    EXPECT_TRUE(isExecutable(exe));
    const QString data = dir.filePath(QStringLiteral("robots.rbd"));
    ASSERT_TRUE(ReplaceFile(data, "abc", false).ok);
    EXPECT_FALSE(isExecutable(data));
    EXPECT_EQ(test::readFileBytes(data), QByteArray("abc"));

    const Result<void> r = ReplaceFile(dir.filePath(QStringLiteral("no/such/folder/x")), "abc", false);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(isFileInUse(r));
    EXPECT_FALSE(r.error.isEmpty());
}

TEST(SafeDownload, ANewFileGetsTheModeTheUmaskGives)
{
    QTemporaryDir dir;
    const struct {
        mode_t umask;
        bool executable;
        mode_t mode;
    } cases[] = {
        {022, true, 0755}, {022, false, 0644}, {077, true, 0700}, {027, true, 0750}, {002, false, 0664},
    };
    for (const auto& c : cases) {
        const mode_t before = ::umask(c.umask);
        const QString target = dir.filePath(QStringLiteral("file"));
        test::writeFileBytes(target, "old");
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::WriteOther);
        const bool ok = ReplaceFile(target, "new", c.executable).ok;
        ::umask(before);
        ASSERT_TRUE(ok);
        struct stat st = {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << std::oct << c.umask << " " << c.executable;
    }
}

TEST(SafeDownload, AProgramThatRunsHoldsItsFileUntilItEnds)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("sleeper"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    EXPECT_FALSE(FileInUse(program));
    EXPECT_FALSE(FileInUse(dir.filePath(QStringLiteral("absent"))));
    QProcess running;
    running.start(program, {QStringLiteral("30")});
    ASSERT_TRUE(running.waitForStarted());
    EXPECT_TRUE(FileInUse(program));
    const Result<void> r = ReplaceFile(program, "new", true);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(isFileInUse(r));
    EXPECT_EQ(r.errorNumber, 75);
    EXPECT_FALSE(WaitUntilFree(program, 2));
    running.kill();
    running.waitForFinished();
    EXPECT_TRUE(WaitUntilFree(program, 2));
    EXPECT_TRUE(ReplaceFile(program, "new", true).ok);
    EXPECT_EQ(test::readFileBytes(program), QByteArray("new"));
}

TEST(SafeDownload, ReadBodyInChunksReportsEveryFullChunkAndStopsWhenAsked)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    QByteArray file;
    for (int i = 0; i < 3000; ++i)
        file.append(static_cast<char>(i * 7));
    server.putFile(QStringLiteral("body.bin"), file);
    Inet inet;
    inet.SetURL(server.baseUrl() + QStringLiteral("/files/body.bin"));
    ASSERT_EQ(inet.OpenURL(), file);
    std::vector<qint64> seen;
    const auto all = ReadBodyInChunks(inet, 256, [&](qint64 bytes) {
        seen.push_back(bytes);
        return true;
    });
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(*all, file);
    std::vector<qint64> expected;
    for (qint64 n = 256; n <= 2816; n += 256)
        expected.push_back(n);
    EXPECT_EQ(seen, expected) << "the short last chunk moves no progress";

    inet.OpenURL();
    seen.clear();
    EXPECT_FALSE(ReadBodyInChunks(inet, 256, [&](qint64 bytes) {
                     seen.push_back(bytes);
                     return bytes < 768;
                 }).has_value());
    EXPECT_EQ(seen, (std::vector<qint64>{256, 512, 768}));
}
