// Opening a 500 KiB robots.txt from a loopback pyftpdlib server into the main window's grid.
//  - ImportIntoGrid_500KiB: what the program does once the bytes have arrived: decode, split, find
//    the lines a project cannot keep, replace the grid's body, and let the shown window lay out
//    and paint the new rows.
//  - OpenServerRobots_500KiB: the whole Tools command, transfer included, for comparison.
#include "gui/ftp/FtpCommands.h"
#include "gui/main/CrawlerCommands.h"
#include "gui/main/frmMain.h"
#include "project/RobotsText.h"
#include "support/BenchWindow.h"
#include "support/FtpServer.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

sf::frmMain* g_window = nullptr;
QByteArray g_bytes;

// About 500 KiB of rules and comments, with accents, in UTF-8 and CR LF.
QByteArray bigRobotsTxt()
{
    QByteArray bytes = "User-agent: *\r\n";
    for (int i = 0; bytes.size() < 500 * 1024; ++i) {
        if (i % 500 == 0)
            bytes += "\r\n# Caf\xC3\xA9 section " + QByteArray::number(i) + "\r\nUser-agent: Bot" +
                     QByteArray::number(i) + "\r\n";
        bytes += "Disallow: /some/folder/of/the/site/page-" + QByteArray::number(i) + ".html\r\n";
    }
    return bytes;
}

void BM_ImportIntoGrid(benchmark::State& state)
{
    for (auto _ : state) {
        const sf::RobotsTextFile file = sf::RobotsText::read(g_bytes);
        g_window->setGridRows(sf::RobotsText::gridWithBody(g_window->gridRows(), file.lines));
        QApplication::processEvents();
        if (file.lines.size() < 10000)
            state.SkipWithError("the file did not come whole");
    }
}

void BM_OpenServerRobots(benchmark::State& state)
{
    for (auto _ : state) {
        g_window->SetModified(false);
        g_window->crawlerCommands().OpenServerRobots();
        QApplication::processEvents();
        if (g_window->gridRows().size() < 10000)
            state.SkipWithError("the file did not come whole");
    }
}

} // namespace

int main(int argc, char** argv)
{
    sf::bench::BenchApplication app(argc, argv);
    sf::test::FtpServer server;
    g_bytes = bigRobotsTxt();
    if (!server.start(sf::test::FtpServer::Kind::Pyftpdlib)) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    server.writeFile(QStringLiteral("/robots.txt"), g_bytes);
    sf::frmMain window;
    sf::bench::openMainWindow(window, true);
    if (!sf::bench::connectMainWindow(window, server.host(), server.user(), server.password(),
                                      server.port())) {
        std::fprintf(stderr, "cannot connect\n");
        return 1;
    }
    g_window = &window;
    benchmark::RegisterBenchmark("ImportIntoGrid_500KiB", BM_ImportIntoGrid)
        ->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenServerRobots_500KiB", BM_OpenServerRobots)
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
    const int code = app.run();
    window.SetModified(false);
    return code;
}
