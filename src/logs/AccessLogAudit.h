#pragma once

#include "logs/RobotIdentifier.h"
#include "rules/Readings.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sf::logs {

// What one robot did in the log.
struct RobotTally {
    static constexpr size_t kSampleUrls = 5;

    std::string robot; // the database's token, or "unknown:NAME"
    QString purpose;   // the database's; empty for an unknown robot
    bool known = true;
    std::int64_t requests = 0;         // every request, robots.txt fetches included
    std::int64_t disallowed = 0;       // requests robots.txt refuses the robot (never a robots.txt fetch)
    std::int64_t robotsTxtFetches = 0; // requests for /robots.txt
    std::int64_t firstSeen = std::numeric_limits<std::int64_t>::max(); // seconds since 1970 UTC
    std::int64_t lastSeen = std::numeric_limits<std::int64_t>::min();
    std::vector<std::string> disallowedUrls; // the first few, as requested

    // Adds another tally of the same robot.
    void add(const RobotTally& other);
};

// The whole reading of one or more logs.
struct AuditReport {
    std::vector<RobotTally> robots; // sorted(): most requests first
    std::int64_t visitors = 0;      // requests of no robot
    std::int64_t skipped = 0;       // lines that are no request
    std::int64_t lines = 0;         // every line read, skipped ones included

    void add(const AuditReport& other);
    // Most requests first, then by name.
    void sort();
    // The window's order: known robots with the most disallowed requests first, unknown robots below.
    std::vector<const RobotTally*> worstFirst() const;
};

// What the lines are read against: the robots of the database and the robots.txt in force, in one
// reading. Both must outlive the counters that use them.
struct AuditSetup {
    const RobotIdentifier* robots = nullptr;
    const rules::Readings* readings = nullptr;
    rules::Reading reading = rules::Reading::Rfc9309;
};

// Counts the lines of one stretch of a log (one counter per thread). Its memory depends on the
// number of robots and user agents seen, never on the number of lines.
class AuditCounter {
public:
    explicit AuditCounter(const AuditSetup& setup);

    void addLine(std::string_view line);
    // A line too long to be read, left out.
    void addSkipped() { ++m_report.lines, ++m_report.skipped; }
    // What was counted, robots sorted.
    AuditReport report() const;

private:
    struct Entry {
        RobotTally tally;
        rules::ReadingRules rules;
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    static constexpr size_t kAgentCacheSize = 8192;
    static constexpr size_t kMaxUnknownRobots = 5000;

    int entryOf(std::string_view userAgent);
    int newEntry(const Identity& identity);

    AuditSetup m_setup;
    AuditReport m_report;
    std::vector<Entry> m_entries;
    std::vector<int> m_knownEntries; // by robot of the database; -1 until seen
    std::unordered_map<std::string, int> m_unknownEntries;
    std::unordered_map<std::string, int, Hash, std::equal_to<>> m_agents; // user agent -> entry, -1 visitor
};

// Whether the request target asks for /robots.txt (with a query or without).
bool isRobotsTxt(std::string_view target);

} // namespace sf::logs
