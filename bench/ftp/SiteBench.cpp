#include "SiteBench.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace sf::bench {

namespace {

QTemporaryDir* g_local = nullptr;
std::vector<std::pair<std::string, std::string>> g_ratios; // site name, upload name

QString uploadSource()
{
    return g_local->filePath(QStringLiteral("robots.txt"));
}

QString url(const Site& site, const QString& path)
{
    const char* scheme = site.protocol == sf::ftp::Protocol::Sftp           ? "sftp"
                         : site.protocol == sf::ftp::Protocol::FtpsImplicit ? "ftps"
                                                                            : "ftp";
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(QLatin1String(scheme)).arg(site.port).arg(path);
}

// curl -sS -u USER:PASS [-k] [--ssl-reqd] OPTIONS ARGS
bool runCurl(const Site& site, const QStringList& args)
{
    QStringList all{QStringLiteral("-sS"), QStringLiteral("-u"),
                    site.user + QLatin1Char(':') + site.password};
    if (site.protocol != sf::ftp::Protocol::Ftp)
        all << QStringLiteral("-k");
    if (site.protocol == sf::ftp::Protocol::FtpExplicit)
        all << QStringLiteral("--ssl-reqd");
    QProcess curl;
    curl.start(QStringLiteral("curl"), all + site.curlOptions + args);
    return curl.waitForFinished(-1) && curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
}

void connectSite(Site& site, const QString& dir)
{
    site.ftp.SetProtocol(site.protocol);
    site.ftp.SetModePassive();
    site.ftp.SetTransferBinary();
    // A failure shows in the listing or upload that follows, which reports the session's error.
    if (site.ftp.OpenConnection(site.host, site.user, site.password, site.port))
        static_cast<void>(site.ftp.SetFTPDirectory(dir));
}

void listOnce(benchmark::State& state, Site& site)
{
    const auto list = site.ftp.GetDirectoryListing(QStringLiteral("*.*"));
    if (!list || list->Count() != kEntries)
        state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
}

void uploadOnce(benchmark::State& state, Site& site)
{
    const QString name = QStringLiteral("robots.txt");
    if (!(site.publish ? site.ftp.PublishFile(uploadSource(), name)
                       : site.ftp.FTPUploadFile(uploadSource(), name)))
        state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
}

void BM_cFTP_List(benchmark::State& state, Site* site)
{
    connectSite(*site, site->listDir);
    // Once untimed: the first listing of a folder finds the server's caches cold, and this row
    // runs first.
    site->ftp.GetDirectoryListing(QStringLiteral("*.*"));
    for (auto _ : state)
        listOnce(state, *site);
}

void BM_cFTP_ConnectAndList(benchmark::State& state, Site* site)
{
    for (auto _ : state) {
        connectSite(*site, site->listDir);
        listOnce(state, *site);
    }
}

void BM_curl_List(benchmark::State& state, Site* site)
{
    QStringList args{url(*site, site->listDir + "/"), QStringLiteral("-o"), QStringLiteral("/dev/null")};
    if (site->protocol != sf::ftp::Protocol::Sftp) // the listing command cFTP chose on this server
        args << QStringLiteral("-X")
             << (site->ftp.UsesMachineListing() ? QStringLiteral("MLSD") : QStringLiteral("LIST"));
    for (auto _ : state)
        if (!runCurl(*site, args))
            state.SkipWithError("curl failed");
}

void BM_cFTP_Upload(benchmark::State& state, Site* site)
{
    connectSite(*site, site->uploadDir);
    for (auto _ : state)
        uploadOnce(state, *site);
}

void BM_cFTP_ConnectAndUpload(benchmark::State& state, Site* site)
{
    for (auto _ : state) {
        connectSite(*site, site->uploadDir);
        uploadOnce(state, *site);
    }
}

void BM_curl_Upload(benchmark::State& state, Site* site)
{
    for (auto _ : state)
        if (!runCurl(*site,
                     {QStringLiteral("-T"), uploadSource(), url(*site, site->uploadDir + "/robots.txt")}))
            state.SkipWithError("curl failed");
}

// Keeps the mean real time of every benchmark to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred)
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio(const std::string& ours, const std::string& theirs) const
    {
        const auto a = m_times.find(ours);
        const auto b = m_times.find(theirs);
        if (a != m_times.end() && b != m_times.end())
            std::printf("ratio %-32s / %-22s = %.2f\n", ours.c_str(), theirs.c_str(), a->second / b->second);
    }

private:
    std::map<std::string, double> m_times;
};

void writeUploadSource()
{
    QByteArray text;
    for (int i = 0; text.size() < kUploadBytes; ++i)
        text += "User-agent: robot-" + QByteArray::number(i) + "\r\nDisallow: /private/area-" +
                QByteArray::number(i) + "/\r\n";
    sf::test::writeFileBytes(uploadSource(), text.left(kUploadBytes));
}

} // namespace

bool makeEntries(const QString& folder)
{
    QDir().mkpath(folder);
    for (int i = 0; i < kEntries; ++i) {
        QFile file(QStringLiteral("%1/page-%2.html").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

void registerSite(Site& site, const std::string& name)
{
    const std::string suffix = "_" + name;
    const std::string upload = site.publish ? "Publish" : "Upload";
    if (!site.listDir.isEmpty()) {
        benchmark::RegisterBenchmark(("cFTP_List" + suffix).c_str(), BM_cFTP_List, &site)->Iterations(10);
        benchmark::RegisterBenchmark(("cFTP_ConnectAndList" + suffix).c_str(), BM_cFTP_ConnectAndList, &site)
            ->Iterations(10);
        benchmark::RegisterBenchmark(("curl_List" + suffix).c_str(), BM_curl_List, &site)->Iterations(10);
    }
    benchmark::RegisterBenchmark(("cFTP_" + upload + suffix).c_str(), BM_cFTP_Upload, &site)->Iterations(20);
    benchmark::RegisterBenchmark(("cFTP_ConnectAnd" + upload + suffix).c_str(), BM_cFTP_ConnectAndUpload,
                                 &site)
        ->Iterations(20);
    benchmark::RegisterBenchmark(("curl_Upload" + suffix).c_str(), BM_curl_Upload, &site)->Iterations(20);
    g_ratios.emplace_back(name, upload);
}

int runBenchmarks()
{
    QTemporaryDir local;
    g_local = &local;
    writeUploadSource();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [name, upload] : g_ratios) {
        reporter.printRatio("cFTP_List_" + name, "curl_List_" + name);
        reporter.printRatio("cFTP_ConnectAndList_" + name, "curl_List_" + name);
        reporter.printRatio("cFTP_" + upload + "_" + name, "curl_Upload_" + name);
        reporter.printRatio("cFTP_ConnectAnd" + upload + "_" + name, "curl_Upload_" + name);
    }
    g_local = nullptr;
    return 0;
}

} // namespace sf::bench
