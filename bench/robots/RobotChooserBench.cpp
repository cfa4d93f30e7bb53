// RefreshRobotList on a robot database of 32,767 records (about 215 MB), written by the benchmark
// into a temporary folder through the program's own record code.
//
// Time: the median of the repetitions (each a fresh refill of the chooser, file in the page cache).
// Memory, measured once per repetition on a refresh into an empty chooser:
//   held  = heap bytes after the refresh minus heap bytes of the chooser holding only "All":
//           what the chooser keeps (names, user-agents, pictures, the model's rows);
//   peak  = the highest heap bytes during the refresh minus the same starting point;
//   rss   = the rise of the process's resident high-water mark (VmHWM, restarted before the refresh)
//           over the resident size before it: heap and anything else, such as file pages mapped in.
//           Freed heap pages are given back first (malloc_trim), or reused pages would hide the rise.
// The file is read through a buffer of about 400 KB, so neither peak may follow the file's size.
#include "HeapCounter.h"

#include "base/FileUtils.h"
#include "gui/main/RobotChooser.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>

namespace {

using namespace sf;

constexpr qint32 kRobots = kMaxRobotRecords;
QString g_databaseDir; // holds robots.rbd
QString g_emptyDir;    // holds nothing: the chooser lists only "All"

RobotRecord benchRobot(qint32 n)
{
    RobotRecord r;
    r.Robot_name = QStringLiteral("Example Crawler %1").arg(n);
    r.Robot_exclusion_useragent = QStringLiteral("examplecrawler%1").arg(n);
    r.Robot_useragent =
        QStringLiteral("Mozilla/5.0 (compatible; ExampleCrawler%1/2.1; +http://crawler.example/bot)").arg(n);
    r.Robot_cover_url = QStringLiteral("http://crawler.example/bot/%1").arg(n);
    r.Robot_owner_name = QStringLiteral("Example Owner %1").arg(n % 977);
    r.Robot_description = QString(200, u'd');
    r.Robot_exclusions = kRobotYes;
    r.Robot_category = static_cast<qint16>(n % 6 + 1);
    r.Modified_date = 46363.0;
    r.Modified_by = QStringLiteral("Greyfield");
    r.RobotVersion = QStringLiteral("2026.12.1");
    return r;
}

bool writeDatabase(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint32 n = 1; n <= kRobots; ++n) {
        if (!RobotDatabase::writeRecord(file, n, benchRobot(n)))
            return false;
    }
    return file.flush();
}

struct Memory {
    double held = 0;
    double peak = 0;
    double rss = 0;
};

Memory measureRefresh(RobotChooser& chooser)
{
    SetProgramDirectory(g_emptyDir);
    chooser.RefreshRobotList();
    SetProgramDirectory(g_databaseDir);
    malloc_trim(0); // give freed heap pages back, so that the refresh's own pages show in the RSS
    const std::int64_t residentBefore = rss::current();
    const bool rssReset = rss::resetPeak();
    const std::int64_t before = heap::live();
    heap::resetPeak();
    chooser.RefreshRobotList();
    Memory m;
    m.peak = static_cast<double>(heap::peak() - before);
    m.held = static_cast<double>(heap::live() - before);
    m.rss = rssReset ? static_cast<double>(rss::peak() - residentBefore) : -1;
    return m;
}

void BM_RefreshRobotList(benchmark::State& state)
{
    QComboBox robotList;
    RobotChooser chooser(&robotList);
    const Memory m = measureRefresh(chooser);
    for (auto _ : state) {
        chooser.RefreshRobotList();
        benchmark::DoNotOptimize(robotList.count());
    }
    if (robotList.count() != kRobots + 1)
        state.SkipWithError("the chooser does not list every robot");
    state.counters["entries"] = robotList.count();
    state.counters["held_MB"] = m.held / 1e6;
    state.counters["heap_peak_MB"] = m.peak / 1e6;
    state.counters["peak_per_held"] = m.peak / m.held;
    state.counters["rss_peak_MB"] = m.rss / 1e6;
    state.counters["rss_peak_per_held"] = m.rss / m.held;
}
BENCHMARK(BM_RefreshRobotList)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// The same pass without the widget: the entries and UserAgents alone.
void BM_ChooserListRefresh(benchmark::State& state)
{
    RobotChooserList list;
    const QString path = g_databaseDir + QStringLiteral("/robots.rbd");
    for (auto _ : state) {
        if (const Result<void> read = list.refresh(path); !read)
            state.SkipWithError(read.error.toUtf8().constData());
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(BM_ChooserListRefresh)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir databaseDir;
    QTemporaryDir emptyDir;
    g_databaseDir = databaseDir.path();
    g_emptyDir = emptyDir.path();
    const QString path = g_databaseDir + QStringLiteral("/robots.rbd");
    if (!writeDatabase(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("robots.rbd: %d records, %lld bytes\n", kRobots, static_cast<long long>(QFile(path).size()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetProgramDirectory(QString());
    return 0;
}
