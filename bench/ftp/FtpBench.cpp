// cFTP next to the curl tool, on the same loopback server in the same run:
//  - listing a folder of 20,000 entries (MLSD on pyftpdlib, as both clients send it);
//  - uploading a 500 KiB robots.txt (cFTP in 255-byte chunks with progress events, curl -T).
// curl starts a process and logs in every time; cFTP lists on its open connection, so the table
// also shows cFTP connecting, changing folder and listing (or uploading), like a fresh curl.
// The curl commands: curl -sS -u USER:PASS ftp://127.0.0.1:PORT/big/ -X MLSD -o /dev/null
//                    curl -sS -u USER:PASS -T robots.txt ftp://127.0.0.1:PORT/robots.txt
#include "ftp/cFTP.h"
#include "support/FtpServer.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

constexpr int kEntries = 20000;
constexpr int kUploadBytes = 500 * 1024;

struct Site {
    sf::test::FtpServer server;
    cFTP ftp;
    QString listDir;   // remote folder of kEntries entries ("" when not set up)
    QString uploadDir; // remote folder that takes the upload
};

Site* g_sites[2] = {};
QTemporaryDir* g_local = nullptr;

QString uploadSource()
{
    return g_local->filePath(QStringLiteral("robots.txt"));
}

QString url(const Site& site, const QString& path)
{
    return QStringLiteral("ftp://127.0.0.1:%1/%2").arg(site.server.port()).arg(path.mid(1));
}

bool runCurl(const Site& site, QStringList args)
{
    args.prepend(site.server.user() + QLatin1Char(':') + site.server.password());
    args.prepend(QStringLiteral("-u"));
    args.prepend(QStringLiteral("-sS"));
    QProcess curl;
    curl.start(QStringLiteral("curl"), args);
    return curl.waitForFinished(-1) && curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
}

void connectSite(Site& site, const QString& dir)
{
    site.ftp.SetModePassive();
    site.ftp.SetTransferBinary();
    site.ftp.OpenConnection(site.server.host(), site.server.user(), site.server.password(),
                            site.server.port());
    site.ftp.SetFTPDirectory(dir);
}

void BM_cFTP_List(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    connectSite(site, site.listDir);
    for (auto _ : state) {
        const auto list = site.ftp.GetDirectoryListing(QStringLiteral("*.*"));
        if (!list || list->Count() != kEntries)
            state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
    }
}

void BM_cFTP_ConnectAndList(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    for (auto _ : state) {
        connectSite(site, site.listDir);
        const auto list = site.ftp.GetDirectoryListing(QStringLiteral("*.*"));
        if (!list || list->Count() != kEntries)
            state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
    }
}

void BM_curl_List(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    const QString command = site.ftp.UsesMachineListing() ? QStringLiteral("MLSD") : QStringLiteral("LIST");
    for (auto _ : state)
        if (!runCurl(site, {url(site, site.listDir + "/"), QStringLiteral("-X"), command,
                            QStringLiteral("-o"), QStringLiteral("/dev/null")}))
            state.SkipWithError("curl failed");
}

void BM_cFTP_Upload(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    connectSite(site, site.uploadDir);
    for (auto _ : state)
        if (!site.ftp.FTPUploadFile(uploadSource(), QStringLiteral("robots.txt")))
            state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
}

void BM_cFTP_ConnectAndUpload(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    for (auto _ : state) {
        connectSite(site, site.uploadDir);
        if (!site.ftp.FTPUploadFile(uploadSource(), QStringLiteral("robots.txt")))
            state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
    }
}

void BM_curl_Upload(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    for (auto _ : state)
        if (!runCurl(site, {QStringLiteral("-T"), uploadSource(), url(site, site.uploadDir + "/robots.txt")}))
            state.SkipWithError("curl failed");
}

// Keeps the mean real time of every benchmark to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred)
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio(const std::string& ours, const std::string& theirs) const
    {
        const auto a = times.find(ours);
        const auto b = times.find(theirs);
        if (a != times.end() && b != times.end())
            std::printf("ratio %-28s / %-22s = %.2f\n", ours.c_str(), theirs.c_str(), a->second / b->second);
    }
    std::map<std::string, double> times;
};

bool setUpSite(Site& site, sf::test::FtpServer::Kind kind, bool withListing)
{
    if (!site.server.start(kind)) {
        std::fprintf(stderr, "%s\n", qPrintable(site.server.errorString()));
        return false;
    }
    site.uploadDir = site.server.writableDir();
    if (withListing) {
        site.listDir = QStringLiteral("/big");
        site.server.makeDir(site.listDir);
        const QString folder = site.server.localPath(site.listDir);
        for (int i = 0; i < kEntries; ++i) {
            QFile file(QStringLiteral("%1/page-%2.html").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
    }
    return true;
}

void registerSite(int s, const char* name, bool withListing)
{
    const std::string suffix = std::string("_") + name;
    if (withListing) {
        benchmark::RegisterBenchmark(("cFTP_List" + suffix).c_str(), BM_cFTP_List, s)->Iterations(10);
        benchmark::RegisterBenchmark(("cFTP_ConnectAndList" + suffix).c_str(), BM_cFTP_ConnectAndList, s)
            ->Iterations(10);
        benchmark::RegisterBenchmark(("curl_List" + suffix).c_str(), BM_curl_List, s)->Iterations(10);
    }
    benchmark::RegisterBenchmark(("cFTP_Upload" + suffix).c_str(), BM_cFTP_Upload, s)->Iterations(20);
    benchmark::RegisterBenchmark(("cFTP_ConnectAndUpload" + suffix).c_str(), BM_cFTP_ConnectAndUpload, s)
        ->Iterations(20);
    benchmark::RegisterBenchmark(("curl_Upload" + suffix).c_str(), BM_curl_Upload, s)->Iterations(20);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir local;
    g_local = &local;
    QByteArray text;
    for (int i = 0; text.size() < kUploadBytes; ++i)
        text += "User-agent: robot-" + QByteArray::number(i) + "\r\nDisallow: /private/area-" +
                QByteArray::number(i) + "/\r\n";
    text.truncate(kUploadBytes);
    sf::test::writeFileBytes(uploadSource(), text);

    Site pyftpdlib, vsftpd;
    g_sites[0] = &pyftpdlib;
    g_sites[1] = &vsftpd;
    if (!setUpSite(pyftpdlib, sf::test::FtpServer::Kind::Pyftpdlib, true) ||
        !setUpSite(vsftpd, sf::test::FtpServer::Kind::Vsftpd, false))
        return 1;
    registerSite(0, "pyftpdlib", true);
    registerSite(1, "vsftpd", false);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("cFTP_List_pyftpdlib", "curl_List_pyftpdlib");
    reporter.printRatio("cFTP_ConnectAndList_pyftpdlib", "curl_List_pyftpdlib");
    reporter.printRatio("cFTP_Upload_pyftpdlib", "curl_Upload_pyftpdlib");
    reporter.printRatio("cFTP_ConnectAndUpload_pyftpdlib", "curl_Upload_pyftpdlib");
    reporter.printRatio("cFTP_Upload_vsftpd", "curl_Upload_vsftpd");
    reporter.printRatio("cFTP_ConnectAndUpload_vsftpd", "curl_Upload_vsftpd");
    benchmark::Shutdown();
    return 0;
}
