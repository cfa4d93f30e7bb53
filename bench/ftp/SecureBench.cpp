// cFTP next to the curl tool over FTP over TLS (explicit, vsftpd) and SFTP (OpenSSH's sshd), on the
// same loopback servers in the same run:
//  - listing a folder of 20,000 entries (LIST over TLS; SFTP's long names);
//  - publishing a 500 KiB robots.txt (cFTP through a temporary name and a rename, curl -T).
// curl starts a process and logs in every time; the ConnectAnd rows show cFTP doing the same.
// The curl commands: curl -sS -k --ssl-reqd -u anonymous:guest ftp://127.0.0.1:PORT/big/ -o /dev/null
//                    curl -sS -k --ssl-reqd -u anonymous:guest -T robots.txt
//                    ftp://127.0.0.1:PORT/upload/robots.txt curl -sS -k -u root:PASS
//                    sftp://127.0.0.1:PORT/HOME/big/ -o /dev/null curl -sS -k -u root:PASS -T robots.txt
//                    sftp://127.0.0.1:PORT/HOME/robots.txt
#include "app/Prompt.h"
#include "ftp/cFTP.h"
#include "support/FtpServer.h"
#include "support/SshServer.h"
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

// Trusts every certificate and host key for this run, as a user answering "This time" would.
class TrustingPrompt final : public sf::Prompt {
public:
    Answer message(const QString&, Buttons buttons, Icon) override
    {
        return buttons == Buttons::Trust ? Answer::ThisTime : Answer::Ok;
    }
    QString openFileName(const FileDialog&) override { return {}; }
    QString saveFileName(const FileDialog&) override { return {}; }
    QString text(const QString&, bool) override { return {}; }
};

struct Site {
    sf::ftp::Protocol protocol = sf::ftp::Protocol::Ftp;
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;
    QString user;
    QString password;
    QString listDir;   // remote folder of kEntries entries
    QString uploadDir; // remote folder that takes the upload
    cFTP ftp;
};

Site* g_sites[2] = {};
QTemporaryDir* g_local = nullptr;

QString uploadSource()
{
    return g_local->filePath(QStringLiteral("robots.txt"));
}

QString url(const Site& site, const QString& path)
{
    const char* scheme = site.protocol == sf::ftp::Protocol::Sftp ? "sftp" : "ftp";
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(QLatin1String(scheme)).arg(site.port).arg(path);
}

bool runCurl(const Site& site, QStringList args)
{
    args = QStringList{QStringLiteral("-sS"), QStringLiteral("-k"), QStringLiteral("-u"),
                       site.user + QLatin1Char(':') + site.password} +
           args;
    if (site.protocol != sf::ftp::Protocol::Sftp)
        args.prepend(QStringLiteral("--ssl-reqd"));
    QProcess curl;
    curl.start(QStringLiteral("curl"), args);
    return curl.waitForFinished(-1) && curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
}

void connectSite(Site& site, const QString& dir)
{
    site.ftp.SetProtocol(site.protocol);
    site.ftp.SetModePassive();
    site.ftp.SetTransferBinary();
    site.ftp.OpenConnection(site.host, site.user, site.password, site.port);
    site.ftp.SetFTPDirectory(dir);
}

void listOnce(benchmark::State& state, Site& site)
{
    const auto list = site.ftp.GetDirectoryListing(QStringLiteral("*.*"));
    if (!list || list->Count() != kEntries)
        state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
}

void BM_cFTP_List(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    connectSite(site, site.listDir);
    for (auto _ : state)
        listOnce(state, site);
}

void BM_cFTP_ConnectAndList(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    for (auto _ : state) {
        connectSite(site, site.listDir);
        listOnce(state, site);
    }
}

void BM_curl_List(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    for (auto _ : state)
        if (!runCurl(site,
                     {url(site, site.listDir + "/"), QStringLiteral("-o"), QStringLiteral("/dev/null")}))
            state.SkipWithError("curl failed");
}

void BM_cFTP_Publish(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    connectSite(site, site.uploadDir);
    for (auto _ : state)
        if (!site.ftp.PublishFile(uploadSource(), QStringLiteral("robots.txt")))
            state.SkipWithError(site.ftp.GetLastErrorMessage().toUtf8().constData());
}

void BM_cFTP_ConnectAndPublish(benchmark::State& state, int s)
{
    Site& site = *g_sites[s];
    for (auto _ : state) {
        connectSite(site, site.uploadDir);
        if (!site.ftp.PublishFile(uploadSource(), QStringLiteral("robots.txt")))
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

// login: user and password; folders: the listed folder and the upload folder.
void describe(Site& site, sf::ftp::Protocol protocol, int port, const QStringList& login,
              const QStringList& folders)
{
    site.protocol = protocol;
    site.port = port;
    site.user = login.at(0);
    site.password = login.at(1);
    site.listDir = folders.at(0);
    site.uploadDir = folders.at(1);
}

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

void registerSite(int s, const std::string& name)
{
    const std::string suffix = "_" + name;
    benchmark::RegisterBenchmark(("cFTP_List" + suffix).c_str(), BM_cFTP_List, s)->Iterations(10);
    benchmark::RegisterBenchmark(("cFTP_ConnectAndList" + suffix).c_str(), BM_cFTP_ConnectAndList, s)
        ->Iterations(10);
    benchmark::RegisterBenchmark(("curl_List" + suffix).c_str(), BM_curl_List, s)->Iterations(10);
    benchmark::RegisterBenchmark(("cFTP_Publish" + suffix).c_str(), BM_cFTP_Publish, s)->Iterations(20);
    benchmark::RegisterBenchmark(("cFTP_ConnectAndPublish" + suffix).c_str(), BM_cFTP_ConnectAndPublish, s)
        ->Iterations(20);
    benchmark::RegisterBenchmark(("curl_Upload" + suffix).c_str(), BM_curl_Upload, s)->Iterations(20);
}

void printRatios(const RatioReporter& reporter, const std::string& name)
{
    reporter.printRatio("cFTP_List_" + name, "curl_List_" + name);
    reporter.printRatio("cFTP_ConnectAndList_" + name, "curl_List_" + name);
    reporter.printRatio("cFTP_Publish_" + name, "curl_Upload_" + name);
    reporter.printRatio("cFTP_ConnectAndPublish_" + name, "curl_Upload_" + name);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config; // the settings of this run, kept apart from the user's
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TrustingPrompt prompt;
    sf::Prompt::setInstance(&prompt);
    QTemporaryDir local;
    g_local = &local;
    QByteArray text;
    for (int i = 0; text.size() < kUploadBytes; ++i)
        text += "User-agent: robot-" + QByteArray::number(i) + "\r\nDisallow: /private/area-" +
                QByteArray::number(i) + "/\r\n";
    sf::test::writeFileBytes(uploadSource(), text.left(kUploadBytes));

    sf::test::FtpServer vsftpd;
    vsftpd.setTls(sf::test::FtpServer::Tls::Explicit);
    sf::test::SshServer sshd;
    if (!vsftpd.start(sf::test::FtpServer::Kind::Vsftpd) || !sshd.start() ||
        !makeEntries(vsftpd.localPath(QStringLiteral("/big"))) ||
        !makeEntries(sshd.root() + QStringLiteral("/big"))) {
        std::fprintf(stderr, "%s%s\n", qPrintable(vsftpd.errorString()), qPrintable(sshd.errorString()));
        return 1;
    }
    Site tls;
    Site sftp;
    describe(tls, sf::ftp::Protocol::FtpExplicit, vsftpd.port(), {vsftpd.user(), vsftpd.password()},
             {QStringLiteral("/big"), vsftpd.writableDir()});
    describe(sftp, sf::ftp::Protocol::Sftp, sshd.port(), {sshd.user(), sshd.password()},
             {sshd.root() + QStringLiteral("/big"), sshd.root()});
    g_sites[0] = &tls;
    g_sites[1] = &sftp;
    registerSite(0, "ftp_tls");
    registerSite(1, "sftp");

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter, "ftp_tls");
    printRatios(reporter, "sftp");
    benchmark::Shutdown();
    sf::Prompt::setInstance(nullptr);
    return 0;
}
