// The client's own share of a listing, without a server: parsing 20,000 MLSD lines as pyftpdlib
// writes them, and filling a cDirList with them in local time the way cFTP does.
#include "ftp/ListingParser.h"
#include "ftp/cDirList.h"

#include <QTimeZone>

#include <benchmark/benchmark.h>

namespace {

constexpr int kEntries = 20000;

QByteArray mlsdListing()
{
    QByteArray data;
    for (int i = 0; i < kEntries; ++i)
        data += "modify=20261207131326;perm=radfwMT;size=" + QByteArray::number(i) +
                ";type=file;unique=fe00ga720de; page-" + QByteArray::number(i).rightJustified(5, '0') +
                ".html\r\n";
    return data;
}

void BM_ParseMlsd(benchmark::State& state)
{
    const QByteArray data = mlsdListing();
    for (auto _ : state)
        benchmark::DoNotOptimize(sf::ftp::parseListing(data, true, QDateTime::currentDateTimeUtc()));
}

void BM_FillDirList(benchmark::State& state)
{
    const auto entries = sf::ftp::parseListing(mlsdListing(), true, QDateTime::currentDateTimeUtc());
    for (auto _ : state) {
        cDirList list;
        const QTimeZone zone = QTimeZone::systemTimeZone();
        for (const auto& entry : entries) {
            const QDateTime time = entry.modified.toOffsetFromUtc(zone.offsetFromUtc(entry.modified));
            list.Add(cDirList::AttrNormal, time, time, time, static_cast<qint32>(entry.size), entry.name);
        }
        benchmark::DoNotOptimize(list.Count());
    }
}

} // namespace

BENCHMARK(BM_ParseMlsd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillDirList)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
