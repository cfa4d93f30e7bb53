#include "logs/AccessLogReader.h"

#include "base/Translate.h"
#include "logs/AccessLogLine.h"

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define SF_DUP _dup
#else
#include <unistd.h>
#define SF_DUP dup
#endif

namespace sf::logs {
namespace {

SF_FILE_TRANSLATIONS("AccessLog")

constexpr size_t kChunk = 1024 * 1024;

Result<void> cancelled()
{
    return Result<void>::failure(tr("The reading was cancelled."), kAuditCancelled);
}

bool isCancelled(const AuditProgress* progress)
{
    return progress && progress->cancel.load(std::memory_order_relaxed);
}

void advance(AuditProgress* progress, std::int64_t bytes)
{
    if (progress)
        progress->done.fetch_add(bytes, std::memory_order_relaxed);
}

QString nameOf(const QString& log)
{
    return log == QLatin1String("-") ? tr("standard input") : log;
}

bool isGzip(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray magic = file.read(2);
    return magic == QByteArray("\x1f\x8b", 2);
}

struct GzCloser {
    void operator()(gzFile_s* file) const { gzclose(file); }
};
using GzFile = std::unique_ptr<gzFile_s, GzCloser>;

GzFile openStream(const QString& log)
{
    if (log == QLatin1String("-"))
        return GzFile(gzdopen(SF_DUP(0), "rb"));
    return GzFile(gzopen(QFile::encodeName(log).constData(), "rb"));
}

// A stretch of a stream that ends at a line end (or at the stream's end), so that any thread can
// count it on its own.
struct Chunk {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    size_t capacity = 0;

    // Room for `wanted` bytes, the bytes held kept.
    void reserve(size_t wanted)
    {
        if (wanted <= capacity)
            return;
        const size_t grown = std::max(wanted, 2 * kChunk);
        std::unique_ptr<char[]> bigger(new char[grown]);
        if (size > 0)
            std::memcpy(bigger.get(), data.get(), size);
        data = std::move(bigger);
        capacity = grown;
    }
};

// The chunks one thread inflates for the others to count: at most `limit` wait, so memory stays
// the same however long the log is; their buffers come back to be filled again.
class ChunkQueue {
public:
    explicit ChunkQueue(size_t limit) : m_limit(limit) {}

    // False when `limit` chunks already wait: the caller counts this one itself.
    bool tryPush(Chunk& chunk)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (m_chunks.size() >= m_limit)
                return false;
            m_chunks.push_back(std::move(chunk));
        }
        m_ready.notify_one();
        return true;
    }
    // Waits for a chunk; none once closed and empty.
    std::optional<Chunk> pop()
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_chunks.empty() || m_closed; });
        if (m_chunks.empty())
            return std::nullopt;
        Chunk chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        return chunk;
    }
    void close()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_ready.notify_all();
    }
    Chunk spare()
    {
        const std::lock_guard lock(m_mutex);
        if (m_spare.empty())
            return {};
        Chunk chunk = std::move(m_spare.back());
        m_spare.pop_back();
        return chunk;
    }
    // A counted chunk's buffer, kept unless it grew for a long line.
    void recycle(Chunk chunk)
    {
        chunk.size = 0;
        const std::lock_guard lock(m_mutex);
        if (chunk.capacity <= 2 * kChunk && m_spare.size() <= m_limit + 2)
            m_spare.push_back(std::move(chunk));
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Chunk> m_chunks;
    std::vector<Chunk> m_spare;
    size_t m_limit;
    bool m_closed = false;
};

constexpr size_t kQueuedChunks = 4;

void countChunk(LineSplitter& lines, const Chunk& chunk)
{
    lines.feed(chunk.data.get(), chunk.size);
    lines.finish();
}

// A counting thread: the queue's chunks into its own counter until the queue closes.
void countQueued(ChunkQueue& queue, AuditCounter& counter, const AuditProgress* progress)
{
    LineSplitter lines(counter);
    while (std::optional<Chunk> chunk = queue.pop()) {
        if (!isCancelled(progress))
            countChunk(lines, *chunk);
        queue.recycle(std::move(*chunk));
    }
}

// Cuts an inflated stream into chunks at line ends and hands them to the counting threads (counting
// a chunk itself when they lag behind). A line without an end beyond LineSplitter::kMaxLine is
// dropped as it comes, counted as skipped.
class ChunkCutter {
public:
    ChunkCutter(ChunkQueue& queue, AuditCounter& counter)
        : m_queue(queue), m_counter(counter), m_lines(counter)
    {
        m_current = m_queue.spare();
    }

    // Room for `size` more bytes at the end of the chunk being filled.
    char* room(size_t size)
    {
        m_current.reserve(m_current.size + size);
        return m_current.data.get() + m_current.size;
    }
    // `size` bytes were written into room().
    void filled(size_t size)
    {
        char* fresh = m_current.data.get() + m_current.size;
        if (m_overlong) { // m_current is empty: the rest of an overlong line is dropped
            const auto* newline = static_cast<const char*>(std::memchr(fresh, '\n', size));
            if (!newline)
                return;
            m_counter.addSkipped();
            m_overlong = false;
            const size_t rest = size - static_cast<size_t>(newline + 1 - fresh);
            std::memmove(fresh, newline + 1, rest);
            size = rest;
        }
        m_current.size += size;
        const char* end = m_current.data.get() + m_current.size;
        const char* last = end;
        while (last > fresh && last[-1] != '\n')
            --last;
        if (last == fresh) { // the chunk is one line, not ended yet
            if (m_current.size > LineSplitter::kMaxLine) {
                m_overlong = true;
                m_current.size = 0;
            }
            return;
        }
        Chunk next = m_queue.spare();
        const size_t tail = static_cast<size_t>(end - last);
        next.reserve(tail + kChunk);
        if (tail > 0)
            std::memcpy(next.data.get(), last, tail);
        next.size = tail;
        m_current.size -= tail;
        hand(m_current);
        m_current = std::move(next);
    }
    // The end of the stream.
    void finish()
    {
        if (m_overlong)
            m_counter.addSkipped();
        else if (m_current.size > 0)
            hand(m_current);
        m_overlong = false;
    }

private:
    void hand(Chunk& chunk)
    {
        if (m_queue.tryPush(chunk))
            return;
        countChunk(m_lines, chunk);
        chunk.size = 0;
        m_queue.recycle(std::move(chunk));
    }

    ChunkQueue& m_queue;
    AuditCounter& m_counter;
    LineSplitter m_lines;
    Chunk m_current;
    bool m_overlong = false;
};

// Inflates a stream (a plain one is copied) into the cutter.
Result<void> inflateInto(gzFile file, const QString& log, ChunkCutter& cutter, AuditProgress* progress)
{
    gzbuffer(file, 256 * 1024);
    std::int64_t reported = 0;
    for (;;) {
        if (isCancelled(progress))
            return cancelled();
        const int got = gzread(file, cutter.room(kChunk), static_cast<unsigned>(kChunk));
        int error = Z_OK;
        const char* message = got < 0 ? gzerror(file, &error) : nullptr;
        if (got < 0 && error != Z_BUF_ERROR) // Z_BUF_ERROR: a gzip file that stops early, read so far
            return Result<void>::failure(
                tr("%1: cannot read: %2").arg(nameOf(log), QString::fromUtf8(message)));
        if (got <= 0)
            break;
        cutter.filled(static_cast<size_t>(got));
        const std::int64_t offset = gzoffset(file);
        advance(progress, offset - reported);
        reported = offset;
    }
    cutter.finish();
    return {};
}

// The counting threads of one stream; the queue is closed and they are joined however it ends.
class CountingThreads {
public:
    CountingThreads(ChunkQueue& queue, std::vector<AuditCounter>& counters, const AuditProgress* progress)
        : m_queue(queue)
    {
        for (size_t i = 1; i < counters.size(); ++i)
            m_threads.emplace_back(
                [&queue, &counters, progress, i] { countQueued(queue, counters[i], progress); });
    }
    ~CountingThreads() { join(); }
    CountingThreads(const CountingThreads&) = delete;
    CountingThreads& operator=(const CountingThreads&) = delete;

    void join()
    {
        m_queue.close();
        for (std::thread& thread : m_threads)
            if (thread.joinable())
                thread.join();
    }

private:
    ChunkQueue& m_queue;
    std::vector<std::thread> m_threads;
};

// A plain or gzip stream, read by zlib: this thread inflates, it and the other `threads - 1` count.
Result<AuditReport> readStream(const QString& log, const AuditSetup& setup, AuditProgress* progress,
                               int threads)
{
    const GzFile file = openStream(log);
    if (!file)
        return Result<AuditReport>::failure(tr("%1: cannot read").arg(nameOf(log)));
    std::vector<AuditCounter> counters(static_cast<size_t>(std::max(1, threads)), AuditCounter(setup));
    ChunkQueue queue(counters.size() > 1 ? kQueuedChunks : 0);
    Result<void> read;
    {
        CountingThreads counting(queue, counters, progress);
        ChunkCutter cutter(queue, counters[0]);
        read = inflateInto(file.get(), log, cutter, progress);
        counting.join();
    }
    if (!read)
        return read;
    if (isCancelled(progress))
        return cancelled();
    AuditReport report;
    for (const AuditCounter& counter : counters)
        report.add(counter.report());
    return report;
}

// The offset of the first line that starts at or after `from` (the size when none does).
std::int64_t lineStartFrom(QFile& file, std::int64_t from, std::int64_t size)
{
    if (from <= 0)
        return 0;
    if (!file.seek(from - 1))
        return size;
    std::vector<char> buffer(64 * 1024);
    std::int64_t at = from - 1;
    while (at < size) {
        const qint64 got = file.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (got <= 0)
            return size;
        if (const void* end = std::memchr(buffer.data(), '\n', static_cast<size_t>(got)))
            return at + (static_cast<const char*>(end) - buffer.data()) + 1;
        at += got;
    }
    return size;
}

// Bytes [begin, end) of a plain file, which begin and end at line starts.
Result<void> readPart(const QString& path, std::int64_t begin, std::int64_t end, AuditCounter& counter,
                      AuditProgress* progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !file.seek(begin))
        return Result<void>::failure(tr("%1: cannot read: %2").arg(path, file.errorString()));
    std::vector<char> buffer(kChunk);
    LineSplitter lines(counter);
    for (std::int64_t at = begin; at < end;) {
        if (isCancelled(progress))
            return cancelled();
        const qint64 got =
            file.read(buffer.data(), std::min<qint64>(static_cast<qint64>(buffer.size()), end - at));
        if (got < 0)
            return Result<void>::failure(tr("%1: cannot read: %2").arg(path, file.errorString()));
        if (got == 0)
            break; // the file became shorter while it was read
        lines.feed(buffer.data(), static_cast<size_t>(got));
        at += got;
        advance(progress, got);
    }
    lines.finish();
    return {};
}

// A large plain file, cut at line ends into one part per thread.
Result<AuditReport> readSplit(const QString& path, std::int64_t size, const AuditSetup& setup,
                              AuditProgress* progress, int threads)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<AuditReport>::failure(tr("%1: cannot read: %2").arg(path, file.errorString()));
    std::vector<std::int64_t> starts{0};
    for (int i = 1; i < threads; ++i)
        starts.push_back(std::max(starts.back(), lineStartFrom(file, size * i / threads, size)));
    starts.push_back(size);
    std::vector<AuditCounter> counters(static_cast<size_t>(threads), AuditCounter(setup));
    std::vector<Result<void>> results(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    for (size_t i = 0; i < counters.size(); ++i)
        workers.emplace_back(
            [&, i] { results[i] = readPart(path, starts[i], starts[i + 1], counters[i], progress); });
    for (std::thread& worker : workers)
        worker.join();
    AuditReport report;
    for (size_t i = 0; i < counters.size(); ++i) {
        if (!results[i])
            return results[i];
        report.add(counters[i].report());
    }
    return report;
}

Result<AuditReport> readLog(const QString& log, const AuditSetup& setup, AuditProgress* progress, int threads,
                            std::int64_t splitAbove)
{
    if (log != QLatin1String("-")) {
        const QFileInfo info(log);
        if (!info.exists())
            return Result<AuditReport>::failure(tr("%1: no such file").arg(log));
        if (info.isDir())
            return Result<AuditReport>::failure(tr("%1: is a folder, not a log").arg(log));
        if (threads > 1 && info.size() > splitAbove && !isGzip(log))
            return readSplit(log, info.size(), setup, progress, threads);
    }
    return readStream(log, setup, progress, threads);
}

// The time of the first request in a stream (its first lines up to LineSplitter::kMaxLine), or the
// largest time there is.
std::int64_t firstRequestTime(gzFile file)
{
    std::string text;
    std::vector<char> buffer(64 * 1024);
    size_t parsed = 0; // text before this is lines that are no request
    while (text.size() <= LineSplitter::kMaxLine) {
        const int got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got > 0)
            text.append(buffer.data(), static_cast<size_t>(got));
        for (size_t end;
             (end = text.find('\n', parsed)) != std::string::npos || (got <= 0 && parsed < text.size());
             parsed = end + 1) {
            end = std::min(end, text.size());
            if (const auto request = parseAccessLogLine(std::string_view(text).substr(parsed, end - parsed)))
                return request->time;
        }
        if (got <= 0)
            break;
    }
    return std::numeric_limits<std::int64_t>::max();
}

} // namespace

void LineSplitter::feed(const char* data, size_t size)
{
    const char* end = data + size;
    while (data < end) {
        const char* newline =
            static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(end - data)));
        if (!newline) {
            if (!m_overlong)
                m_carry.append(data, static_cast<size_t>(end - data));
            if (m_carry.size() > kMaxLine) {
                m_overlong = true;
                std::string().swap(m_carry);
            }
            return;
        }
        const size_t length = static_cast<size_t>(newline - data);
        if (m_overlong || m_carry.size() + length > kMaxLine) {
            m_counter.addSkipped();
            m_overlong = false;
            std::string().swap(m_carry);
        } else if (!m_carry.empty()) {
            m_carry.append(data, length);
            m_counter.addLine(m_carry);
            m_carry.clear();
        } else {
            m_counter.addLine(std::string_view(data, length));
        }
        data = newline + 1;
    }
}

void LineSplitter::finish()
{
    if (m_overlong)
        m_counter.addSkipped();
    else if (!m_carry.empty())
        m_counter.addLine(m_carry);
    m_overlong = false;
    m_carry.clear();
}

Result<AuditReport> auditLogs(const QStringList& logs, const AuditSetup& setup, AuditProgress* progress,
                              int threads, std::int64_t splitAbove)
{
    if (threads <= 0)
        threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    if (progress) {
        std::int64_t total = 0;
        for (const QString& log : logs)
            total += log == QLatin1String("-") ? 0 : QFileInfo(log).size();
        progress->total = total;
    }
    AuditReport report;
    for (const QString& log : logs) {
        const Result<AuditReport> read = readLog(log, setup, progress, threads, splitAbove);
        if (!read)
            return read.status();
        report.add(read.value());
    }
    return report;
}

QStringList inTimeOrder(const QStringList& logs)
{
    if (logs.contains(QStringLiteral("-")))
        return logs;
    std::vector<std::pair<std::int64_t, QString>> timed;
    for (const QString& log : logs) {
        std::int64_t first = std::numeric_limits<std::int64_t>::max();
        if (const GzFile file = openStream(log))
            first = firstRequestTime(file.get());
        timed.emplace_back(first, log);
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& entry : timed)
        out << entry.second;
    return out;
}

} // namespace sf::logs
