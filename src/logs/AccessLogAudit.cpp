#include "logs/AccessLogAudit.h"

#include "logs/AccessLogLine.h"
#include "rules/RobotsRules.h"

#include <algorithm>
#include <tuple>

namespace sf::logs {

void RobotTally::add(const RobotTally& other)
{
    requests += other.requests;
    disallowed += other.disallowed;
    robotsTxtFetches += other.robotsTxtFetches;
    firstSeen = std::min(firstSeen, other.firstSeen);
    lastSeen = std::max(lastSeen, other.lastSeen);
    if (purpose.isEmpty())
        purpose = other.purpose;
    for (const std::string& url : other.disallowedUrls) {
        if (disallowedUrls.size() >= kSampleUrls)
            break;
        if (std::find(disallowedUrls.begin(), disallowedUrls.end(), url) == disallowedUrls.end())
            disallowedUrls.push_back(url);
    }
}

void AuditReport::add(const AuditReport& other)
{
    visitors += other.visitors;
    skipped += other.skipped;
    lines += other.lines;
    for (const RobotTally& tally : other.robots) {
        const auto it = std::find_if(robots.begin(), robots.end(),
                                     [&](const RobotTally& mine) { return mine.robot == tally.robot; });
        if (it == robots.end())
            robots.push_back(tally);
        else
            it->add(tally);
    }
    sort();
}

void AuditReport::sort()
{
    std::sort(robots.begin(), robots.end(), [](const RobotTally& a, const RobotTally& b) {
        return std::tie(b.requests, a.robot) < std::tie(a.requests, b.robot);
    });
}

std::vector<const RobotTally*> AuditReport::worstFirst() const
{
    std::vector<const RobotTally*> out;
    for (const RobotTally& tally : robots)
        out.push_back(&tally);
    std::stable_sort(out.begin(), out.end(), [](const RobotTally* a, const RobotTally* b) {
        return std::make_tuple(!a->known, -a->disallowed, -a->requests) <
               std::make_tuple(!b->known, -b->disallowed, -b->requests);
    });
    return out;
}

bool isRobotsTxt(std::string_view target)
{
    std::string_view path = target;
    std::string ofUrl;
    if (path.substr(0, 1) != "/") {
        ofUrl = rules::pathOfUrl(target);
        path = ofUrl;
    }
    constexpr std::string_view kRobots = "/robots.txt";
    return path.substr(0, kRobots.size()) == kRobots &&
           (path.size() == kRobots.size() || path[kRobots.size()] == '?');
}

AuditCounter::AuditCounter(const AuditSetup& setup)
    : m_setup(setup), m_knownEntries(setup.robots->robots().size(), -1)
{
}

int AuditCounter::newEntry(const Identity& identity)
{
    Entry entry;
    QByteArray token;
    if (identity.kind == Identity::Kind::Known) {
        const KnownRobot& robot = m_setup.robots->robots()[identity.robot];
        token = robot.token;
        entry.tally.robot = token.toStdString();
        entry.tally.purpose = robot.purpose;
    } else {
        token = QByteArray::fromStdString(identity.unknownName);
        entry.tally.robot = "unknown:" + identity.unknownName;
        entry.tally.known = false;
    }
    entry.rules = m_setup.readings->rulesFor(m_setup.reading, token);
    m_entries.push_back(std::move(entry));
    return static_cast<int>(m_entries.size()) - 1;
}

int AuditCounter::entryOf(std::string_view userAgent)
{
    if (const auto it = m_agents.find(userAgent); it != m_agents.end())
        return it->second;
    const Identity identity = m_setup.robots->identify(userAgent);
    int entry = -1;
    if (identity.kind == Identity::Kind::Known) {
        int& known = m_knownEntries[identity.robot];
        if (known < 0)
            known = newEntry(identity);
        entry = known;
    } else if (identity.kind == Identity::Kind::Unknown) {
        const auto it = m_unknownEntries.find(identity.unknownName);
        if (it != m_unknownEntries.end())
            entry = it->second;
        else if (m_unknownEntries.size() < kMaxUnknownRobots)
            entry = m_unknownEntries[identity.unknownName] = newEntry(identity);
    }
    if (m_agents.size() >= kAgentCacheSize)
        m_agents.clear();
    m_agents.emplace(std::string(userAgent), entry);
    return entry;
}

void AuditCounter::addLine(std::string_view line)
{
    ++m_report.lines;
    const std::optional<LogRequest> request = parseAccessLogLine(line);
    if (!request) {
        ++m_report.skipped;
        return;
    }
    const int entry = entryOf(request->userAgent);
    if (entry < 0) {
        ++m_report.visitors;
        return;
    }
    Entry& e = m_entries[entry];
    RobotTally& tally = e.tally;
    ++tally.requests;
    tally.firstSeen = std::min(tally.firstSeen, request->time);
    tally.lastSeen = std::max(tally.lastSeen, request->time);
    if (isRobotsTxt(request->target)) {
        ++tally.robotsTxtFetches;
        return;
    }
    if (e.rules.check(QByteArrayView(request->target.data(), static_cast<qsizetype>(request->target.size())))
            .allowed)
        return;
    ++tally.disallowed;
    if (tally.disallowedUrls.size() < RobotTally::kSampleUrls &&
        std::find(tally.disallowedUrls.begin(), tally.disallowedUrls.end(), request->target) ==
            tally.disallowedUrls.end())
        tally.disallowedUrls.emplace_back(request->target);
}

AuditReport AuditCounter::report() const
{
    AuditReport report = m_report;
    for (const Entry& entry : m_entries)
        report.robots.push_back(entry.tally);
    report.sort();
    return report;
}

} // namespace sf::logs
