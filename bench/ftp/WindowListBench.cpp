// The remote browser of the main window against the curl tool, on one loopback pyftpdlib server in
// the same run: the time from the refresh command to a filled list of 20,000 entries, and the same
// folder listed by curl (curl -sS -u USER:PASS ftp://127.0.0.1:PORT/big/ -X MLSD -o /dev/null), each
// on its own and in turn.
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "project/RuleGrid.h"
#include "support/BenchWindow.h"
#include "support/FtpServer.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kEntries = 20000;
sf::test::FtpServer* g_server = nullptr;
sf::frmMain* g_window = nullptr;
QTreeWidget* g_list = nullptr; // the window's remote list "lv"

void refreshList(benchmark::State& state)
{
    g_window->RefreshRemoteList();
    if (g_list->topLevelItemCount() != kEntries + 1)
        state.SkipWithError("the list is not full");
}

void curlList(benchmark::State& state)
{
    const QStringList args{QStringLiteral("-sS"),
                           QStringLiteral("-u"),
                           g_server->user() + u':' + g_server->password(),
                           QStringLiteral("ftp://127.0.0.1:%1/big/").arg(g_server->port()),
                           QStringLiteral("-X"),
                           QStringLiteral("MLSD"),
                           QStringLiteral("-o"),
                           QStringLiteral("/dev/null")};
    QProcess curl;
    curl.start(QStringLiteral("curl"), args);
    if (!curl.waitForFinished(-1) || curl.exitCode() != 0)
        state.SkipWithError("curl failed");
}

void BM_Window_RefreshList(benchmark::State& state)
{
    for (auto _ : state)
        refreshList(state);
}

void BM_curl_List(benchmark::State& state)
{
    for (auto _ : state)
        curlList(state);
}

// A project whose rules for every robot block 9,000 of the folder's entries, which the list greys.
QStringList blockingRules()
{
    QStringList rows = sf::RuleGrid::newProjectTemplate();
    rows.insert(5, QStringLiteral("User-agent: *"));
    rows.insert(6, QStringLiteral("Disallow: /big/page-1"));
    rows.insert(7, QStringLiteral("Allow: /big/page-15"));
    rows.insert(8, QStringLiteral("Disallow: /private/"));
    rows.insert(9, QStringLiteral("Disallow: /*.pdf$"));
    return rows;
}

// The two in turn at every iteration, so that a slow moment of the machine weighs on both: the
// ratio of the window's time to curl's over all iterations. Run on a new project and on one with rules.
void BM_Window_vs_curl(benchmark::State& state, bool withRules)
{
    g_window->setGridRows(withRules ? blockingRules() : sf::RuleGrid::newProjectTemplate());
    qint64 window = 0;
    qint64 curl = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        refreshList(state);
        window += clock.nsecsElapsed();
        clock.start();
        curlList(state);
        curl += clock.nsecsElapsed();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["window_ms"] = static_cast<double>(window) / runs / 1e6;
    state.counters["curl_ms"] = static_cast<double>(curl) / runs / 1e6;
    state.counters["ratio"] = curl > 0 ? static_cast<double>(window) / static_cast<double>(curl) : 0;
}

bool fillFolder(sf::test::FtpServer& server)
{
    server.makeDir(QStringLiteral("/big"));
    const QString folder = server.localPath(QStringLiteral("/big"));
    for (int i = 0; i < kEntries; ++i) {
        QFile file(QStringLiteral("%1/page-%2.html").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    sf::bench::BenchApplication app(argc, argv);
    sf::test::FtpServer server;
    if (!server.start(sf::test::FtpServer::Kind::Pyftpdlib) || !fillFolder(server)) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    sf::frmMain window;
    sf::bench::openMainWindow(window, false);
    if (!sf::bench::connectMainWindow(window, server.host(), server.user(), server.password(),
                                      server.port()) ||
        !window.ftpCommands().session().SetFTPDirectory(QStringLiteral("/big"))) {
        std::fprintf(stderr, "cannot connect\n");
        return 1;
    }
    g_server = &server;
    g_window = &window;
    g_list = window.findChild<QTreeWidget*>(QStringLiteral("lv"));
    benchmark::RegisterBenchmark("Window_RefreshList_20000", BM_Window_RefreshList)
        ->Iterations(10)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("curl_List_20000", BM_curl_List)
        ->Iterations(10)
        ->Unit(benchmark::kMillisecond);
    for (const bool withRules : {false, true})
        benchmark::RegisterBenchmark(withRules ? "Window_vs_curl_List_20000_RulesBlock9000"
                                               : "Window_vs_curl_List_20000",
                                     BM_Window_vs_curl, withRules)
            ->Iterations(20)
            ->Unit(benchmark::kMillisecond);
    const int code = app.run();
    window.SetModified(false);
    return code;
}
