// The robots.txt evaluator at the sizes crawlers meet: 100,000 URLs against a 500 KiB file of 5,000
// rules (URLs per second), in each reading (RFC 9309, Google, first match), parsing that file, and
// marking a listed folder of 20,000 entries for one robot in the main window's remote list.
#include "gui/rules/CrawlMarks.h"
#include "rules/Readings.h"
#include "rules/RobotsTxt.h"

#include <QApplication>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRules = 5000;
constexpr int kUrls = 100000;
constexpr int kEntries = 20000;

// 5,000 rules of every form (literal, wildcard, end anchor, Allow) in 50 groups that all name "*",
// each line padded with a comment to about 100 bytes: 500 KiB. With a group size of 5,000, one group.
QByteArray bigRobots(int groupSize = 100)
{
    QByteArray text;
    for (int r = 0; r < kRules; ++r) {
        if (r % groupSize == 0)
            text += "\nUser-agent: *\nUser-agent: Bot" + QByteArray::number(r) + "\n";
        const QByteArray section =
            "/section-" + QByteArray::number(r % 97) + "/area-" + QByteArray::number(r);
        switch (r % 4) {
        case 0:
            text += "Disallow: " + section + "/private\n";
            break;
        case 1:
            text += "Disallow: " + section + "/*.pdf$\n";
            break;
        case 2:
            text += "Allow: " + section + "/public\n";
            break;
        default:
            text += "Disallow: /*/area-" + QByteArray::number(r) + "/tmp*\n";
            break;
        }
        text += "# " + QByteArray(60, 'c') + "\n";
    }
    return text;
}

std::vector<std::string> urls()
{
    std::mt19937 random(42);
    std::vector<std::string> out;
    out.reserve(kUrls);
    const char* tails[] = {"/private/x.html", "/doc.pdf", "/public/index.html", "/tmp/a", "/other?q=1"};
    for (int i = 0; i < kUrls; ++i)
        out.push_back("/section-" + std::to_string(random() % 97) + "/area-" +
                      std::to_string(random() % kRules) + tails[random() % 5]);
    return out;
}

void BM_ParseRobots(benchmark::State& state)
{
    const QByteArray text = bigRobots();
    for (auto _ : state)
        benchmark::DoNotOptimize(sf::rules::RobotsTxt(text).lines().size());
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_EvaluateUrls(benchmark::State& state)
{
    const QByteArray text = bigRobots();
    const sf::rules::RuleSet rules = sf::rules::RobotsTxt(text).rulesFor("AnyBot");
    const std::vector<std::string> paths = urls();
    int blocked = 0;
    for (auto _ : state) {
        for (const std::string& path : paths)
            blocked += rules.checkPath(path).allowed ? 0 : 1;
    }
    benchmark::DoNotOptimize(blocked);
    state.SetItemsProcessed(state.iterations() * kUrls);
    state.counters["rules"] = static_cast<double>(rules.rules().size());
    state.counters["URLs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kUrls, benchmark::Counter::kIsRate);
}

// URLs per second in one reading (the argument indexes kReadings). First-match readers keep only the
// first group that names "*": in the file of 50 groups they read 100 rules, in the file of one group
// all 5,000.
void evaluateInReading(benchmark::State& state, int groupSize)
{
    const sf::rules::RobotsTxt txt(bigRobots(groupSize));
    const sf::rules::Readings readings(txt);
    const sf::rules::Reading reading = sf::rules::kReadings[static_cast<size_t>(state.range(0))];
    const sf::rules::ReadingRules rules = readings.rulesFor(reading, "AnyBot");
    const std::vector<std::string> paths = urls();
    int blocked = 0;
    for (auto _ : state) {
        for (const std::string& path : paths)
            blocked +=
                rules.check(QByteArrayView(path.data(), static_cast<qsizetype>(path.size()))).allowed ? 0 : 1;
    }
    benchmark::DoNotOptimize(blocked);
    state.SetLabel(sf::rules::readingName(reading));
    state.SetItemsProcessed(state.iterations() * kUrls);
    state.counters["blocked"] = static_cast<double>(blocked) / static_cast<double>(state.iterations());
    state.counters["URLs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kUrls, benchmark::Counter::kIsRate);
}

void BM_EvaluateUrlsByReading(benchmark::State& state)
{
    evaluateInReading(state, 100);
}

void BM_EvaluateUrlsByReadingOneGroup(benchmark::State& state)
{
    evaluateInReading(state, kRules);
}

void BM_MarkFolder(benchmark::State& state)
{
    QTreeWidget list;
    list.setColumnCount(6);
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < kEntries; ++i)
        items << new QTreeWidgetItem(QStringList{
            QStringLiteral("page %1.html").arg(i, 5, 10, QLatin1Char('0')), "1KB", "", "", "", "b"});
    list.addTopLevelItems(items);
    const QStringList grid{"User-agent: *", "Disallow: /big/page%201*", "Allow: /big/page 10",
                           "Disallow: /*7.html$"};
    for (auto _ : state)
        sf::markCrawlableEntries(&list, QStringLiteral("/big"), QStringLiteral("*"), grid);
    state.SetItemsProcessed(state.iterations() * kEntries);
}

} // namespace

BENCHMARK(BM_ParseRobots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluateUrls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluateUrlsByReading)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluateUrlsByReadingOneGroup)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkFolder)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
