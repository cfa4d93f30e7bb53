// Downloads a 5 MB file from the test web server (tests/servers/http_server.py on a loopback port)
// three ways and prints the ratio of each transfer-control way to the curl command:
//   BM_SafeDownload   DownloadFile: Execute, events until done, whole body written over the target
//   BM_ChunkedReceive Execute, then ReadBodyInChunks with 256-byte chunks and a progress callback, as
//                     the updater receives the main program, then the file written
//   BM_TransferOnly   Execute and events until the body has arrived, nothing read or written
//   BM_CurlCommand    curl -s -f -o <file> -w %{time_total} <url>, timed as a whole and by its own report
#include "transfer/Inet.h"
#include "transfer/SafeDownload.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr qsizetype kFileSize = 5 * 1024 * 1024;
QString g_url;
QString g_target;
std::map<std::string, double> g_seconds; // mean seconds per download, by benchmark

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void record(benchmark::State& state, const std::string& name, double total)
{
    g_seconds[name] = total / static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

void BM_SafeDownload(benchmark::State& state)
{
    double total = 0;
    for (auto _ : state) {
        const double start = now();
        sf::Inet inet;
        inet.SetBodyLimit(sf::kProgramDownloadLimit); // a program's download, as the updater makes it
        if (!sf::DownloadFile(inet, g_url, g_target, false).ok || QFileInfo(g_target).size() != kFileSize)
            state.SkipWithError("download failed");
        total += now() - start;
    }
    record(state, "safe", total);
}

void BM_ChunkedReceive(benchmark::State& state)
{
    double total = 0;
    for (auto _ : state) {
        const double start = now();
        sf::Inet inet;
        inet.SetBodyLimit(sf::kProgramDownloadLimit); // a program's download, as the updater makes it
        inet.Execute(g_url, QStringLiteral("GET"));
        while (inet.StillExecuting())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        qint64 progress = 0;
        const QByteArray buffer = sf::ReadBodyInChunks(inet, 256, [&](qint64 bytes) {
                                      return (progress = bytes) > 0;
                                  }).value_or(QByteArray());
        if (buffer.size() != kFileSize || !sf::ReplaceFile(g_target, buffer, false).ok)
            state.SkipWithError("download failed");
        total += now() - start;
    }
    record(state, "chunked", total);
}

void BM_CurlCommand(benchmark::State& state)
{
    double total = 0, own = 0;
    for (auto _ : state) {
        const double start = now();
        QProcess curl;
        curl.start(QStringLiteral("curl"), {"-s", "-f", "-o", g_target, "-w", "%{time_total}", g_url});
        if (!curl.waitForFinished() || curl.exitCode() != 0)
            state.SkipWithError("curl failed");
        total += now() - start;
        own += curl.readAllStandardOutput().toDouble();
    }
    record(state, "curl", total);
    g_seconds["curl-own"] = own / static_cast<double>(state.iterations());
}

void BM_TransferOnly(benchmark::State& state)
{
    double total = 0;
    for (auto _ : state) {
        const double start = now();
        sf::Inet inet;
        inet.SetBodyLimit(sf::kProgramDownloadLimit); // a program's download, as the updater makes it
        inet.Execute(g_url, QStringLiteral("GET"));
        while (inet.StillExecuting())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (inet.BytesReceived() != kFileSize)
            state.SkipWithError("transfer failed");
        total += now() - start;
    }
    record(state, "transfer", total);
}

BENCHMARK(BM_TransferOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CurlCommand)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SafeDownload)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ChunkedReceive)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir state, out;
    QFile file(state.filePath(QStringLiteral("files/big.bin")));
    QRandomGenerator gen(5);
    QByteArray body(kFileSize, Qt::Uninitialized);
    gen.fillRange(reinterpret_cast<quint32*>(body.data()), body.size() / 4);
    if (!QDir().mkpath(state.filePath(QStringLiteral("files"))) || !file.open(QIODevice::WriteOnly) ||
        file.write(body) != body.size())
        return 1;
    file.close();
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(SF_SERVERS_DIR "/http_server.py"), QStringLiteral("--state"), state.path()});
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const QByteArray line = server.readLine().trimmed();
    if (!line.startsWith("PORT "))
        return 1;
    g_url = QStringLiteral("http://127.0.0.1:%1/files/big.bin").arg(QString::fromLatin1(line.mid(5)));
    g_target = out.filePath(QStringLiteral("big.bin"));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    server.kill();
    server.waitForFinished();
    // Against the curl command as a whole (process start included), and against the time curl itself
    // reports for the transfer (-w %{time_total}: connect to last byte written, no process start).
    for (const char* base : {"curl", "curl-own"}) {
        if (!g_seconds.count(base))
            continue;
        for (const char* name : {"transfer", "safe", "chunked"})
            if (g_seconds.count(name))
                std::printf("ratio %-8s / %-8s: %.2f (%.1f ms / %.1f ms)\n", name, base,
                            g_seconds[name] / g_seconds[base], g_seconds[name] * 1000,
                            g_seconds[base] * 1000);
    }
    return 0;
}
