#pragma once

#include "base/Result.h"
#include "logs/AccessLogAudit.h"

#include <QStringList>

#include <atomic>
#include <cstdint>
#include <string>

namespace sf::logs {

// How far a reading is, for a progress bar, and the way to stop it from another thread.
struct AuditProgress {
    std::atomic<std::int64_t> done{0};  // bytes of the files read so far (as stored: compressed for gzip)
    std::atomic<std::int64_t> total{0}; // bytes of all the files; 0 while unknown (standard input)
    std::atomic<bool> cancel{false};
};

// The errorNumber of a reading stopped through AuditProgress::cancel.
constexpr int kAuditCancelled = 1;

// Cuts a stream of bytes into lines for a counter. A line longer than kMaxLine is skipped as a whole
// without being held; a last line without its line end is read as well.
class LineSplitter {
public:
    static constexpr size_t kMaxLine = 4 * 1024 * 1024;

    explicit LineSplitter(AuditCounter& counter) : m_counter(counter) {}
    void feed(const char* data, size_t size);
    // The end of the stream.
    void finish();

private:
    AuditCounter& m_counter;
    std::string m_carry; // the start of a line that the next bytes go on with
    bool m_overlong = false;
};

// Reads the logs (paths, "-" for standard input; plain or gzip, told by their first bytes) in the
// order given and counts their lines. A plain file larger than splitAbove bytes is split at line
// ends and read by `threads` threads (0: one per core). Fails when a log cannot be opened or read,
// or when cancelled.
constexpr std::int64_t kSplitAbove = 32 * 1024 * 1024;
Result<AuditReport> auditLogs(const QStringList& logs, const AuditSetup& setup,
                              AuditProgress* progress = nullptr, int threads = 0,
                              std::int64_t splitAbove = kSplitAbove);

// The logs in time order: by the time of each file's first request (a rotated set "access.log.2.gz",
// "access.log.1", "access.log" comes out oldest first); a log without a readable request goes last.
// A list with standard input in it stays as it is.
QStringList inTimeOrder(const QStringList& logs);

} // namespace sf::logs
