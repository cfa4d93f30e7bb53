// "Import crawler list..." of the whole crawler-user-agents list (about 1,500 entries) into a robot
// database of 250 robots: read the JSON, merge by token, write robots.rbd through a temporary file.
// Every repetition starts again from the same 250-robot file (in the page cache).
#include "base/FileUtils.h"
#include "robots/CrawlerImport.h"
#include "robots/RobotDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace sf;

QByteArray g_list;
QByteArray g_database;
QString g_path;

// 250 robots; every tenth carries a token of the list (one in two of those as the user's robot).
QByteArray makeDatabase(int robots)
{
    CrawlerList list;
    if (!readCrawlerList(g_list, list))
        return {};
    QByteArray bytes;
    for (int n = 1; n <= robots; ++n) {
        RobotRecord r;
        r.Robot_name = QStringLiteral("Example Crawler %1").arg(n);
        r.Robot_exclusion_useragent = n % 10 == 0 ? list.robots.at(n / 10).Robot_exclusion_useragent
                                                  : QStringLiteral("examplecrawler%1").arg(n);
        r.Robot_description = QString(200, u'd');
        r.Modified_by =
            n % 20 == 0 ? QStringLiteral("Greyfield") : importMark(CrawlerListFormat::CrawlerUserAgents);
        bytes += r.toData() + QByteArray(RobotRecord::kSlotSize - RobotRecord::kDataSize, '\0');
    }
    return bytes;
}

void BM_ImportCrawlerUserAgents(benchmark::State& state)
{
    CrawlerImportReport report;
    for (auto _ : state) {
        state.PauseTiming();
        if (!SaveFileAtomically(g_path, g_database)) {
            state.SkipWithError("cannot write the database");
            return;
        }
        state.ResumeTiming();
        if (!importCrawlerList(g_path, g_list, {46363.0, QStringLiteral("2026.12.1")}, report)) {
            state.SkipWithError("the import failed");
            return;
        }
    }
    state.counters["robots_after"] = static_cast<double>(RobotDatabase(g_path).count());
    state.counters["added"] = report.added;
    state.SetLabel(report.text().toStdString());
}
BENCHMARK(BM_ImportCrawlerUserAgents)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QFile list(QStringLiteral(SF_CRAWLER_LIST));
    if (!list.open(QIODevice::ReadOnly))
        return 1;
    g_list = list.readAll();
    g_database = makeDatabase(250);
    QTemporaryDir dir;
    g_path = dir.filePath(QStringLiteral("robots.rbd"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
