// What an upload changes for robots: the server's robots.txt against the new one, in every reading,
// at the URL paths crawlers request below the site folder.
#include "base/Translate.h"
#include "ftp/cDirList.h"
#include "project/RobotsCompare.h"
#include "project/UploadCheck.h"
#include "robots/RobotPurposes.h"
#include "rules/Readings.h"
#include "rules/SiteFolder.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace sf::UploadCheck {
namespace {

SF_FILE_TRANSLATIONS("sf::UploadCheck")

using rules::Reading;
using rules::Verdict;

constexpr qsizetype kReadingCount = static_cast<qsizetype>(rules::kReadings.size());

// One file as every reading reads it.
struct FileReadings {
    explicit FileReadings(const QByteArray& bytes) : txt(bytes), readings(txt) {}
    FileReadings(const FileReadings&) = delete;
    FileReadings& operator=(const FileReadings&) = delete;

    // The lines of the file as the RFC 9309 reading and as Google's parser read them.
    template <class Visit> void forEachLine(Visit visit) const
    {
        for (const rules::Line& line : txt.lines())
            visit(line);
        if (&readings.file(Reading::Google) != &txt) {
            for (const rules::Line& line : readings.file(Reading::Google).lines())
                visit(line);
        }
    }

    rules::RobotsTxt txt;
    rules::Readings readings;
};

void addOnce(QStringList& agents, QSet<QString>& seen, const QString& token)
{
    if (!token.isEmpty() && !seen.contains(token.toLower())) {
        seen.insert(token.toLower());
        agents.append(token);
    }
}

// "*", the robots the new file names, those the live file names, then the given ones.
QStringList comparedAgents(const FileReadings& live, const FileReadings& upload, const QStringList& given)
{
    QStringList agents{QStringLiteral("*")};
    QSet<QString> seen{agents.first()};
    for (const FileReadings* file : {&upload, &live}) {
        file->forEachLine([&](const rules::Line& line) {
            if (line.kind == rules::LineKind::UserAgent && !rules::isGlobalAgent(line.value))
                addOnce(agents, seen, QString::fromLatin1(rules::agentToken(line.value)));
        });
    }
    for (const QString& agent : given)
        addOnce(agents, seen, QString::fromLatin1(rules::agentToken(agent.trimmed().toUtf8())));
    return agents;
}

// A path a rule's pattern matches, as written and with its wildcards taken as nothing; both, as
// first-match readers take "*" and "$" for plain characters.
void addRulePaths(const rules::Line& line, QSet<QByteArray>& paths)
{
    if ((line.kind != rules::LineKind::Allow && line.kind != rules::LineKind::Disallow) ||
        line.value.isEmpty())
        return;
    QByteArray pattern = rules::normalisedPattern(line.value);
    if (!pattern.startsWith('/'))
        pattern.prepend('/');
    paths.insert(pattern);
    QByteArray plain = pattern;
    if (plain.endsWith('$'))
        plain.chop(1);
    plain.replace("*", "");
    if (!plain.isEmpty())
        paths.insert(plain);
}

// "/" first, then the listed paths and the rules' paths, each once, in byte order.
std::vector<QByteArray> comparedPaths(const FileReadings& live, const FileReadings& upload,
                                      const QStringList& listed)
{
    QSet<QByteArray> found;
    for (const QString& path : listed)
        found.insert(path.toLatin1());
    for (const FileReadings* file : {&live, &upload})
        file->forEachLine([&](const rules::Line& line) { addRulePaths(line, found); });
    found.remove("/");
    std::vector<QByteArray> paths(found.begin(), found.end());
    std::sort(paths.begin(), paths.end());
    paths.insert(paths.begin(), QByteArray("/"));
    return paths;
}

// A robot's verdicts: for the live file and then the new one, for each reading, at each path.
std::vector<Verdict> verdictsOf(const FileReadings& live, const FileReadings& upload, QByteArrayView token,
                                const std::vector<QByteArray>& paths)
{
    std::vector<Verdict> verdicts;
    verdicts.reserve(2 * rules::kReadings.size() * paths.size());
    for (const FileReadings* file : {&live, &upload}) {
        for (const Reading reading : rules::kReadings) {
            const rules::ReadingRules rules = file->readings.rulesFor(reading, token);
            for (const QByteArray& path : paths)
                verdicts.push_back(rules.check(path));
        }
    }
    return verdicts;
}

bool sameVerdicts(const std::vector<Verdict>& a, const std::vector<Verdict>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Verdict& x, const Verdict& y) {
        return x.allowed == y.allowed && x.line == y.line;
    });
}

// What changes at path i, per reading.
std::array<Access, 3> accessAt(const std::vector<Verdict>& verdicts, size_t pathCount, size_t i)
{
    std::array<Access, 3> access{};
    for (size_t r = 0; r < access.size(); ++r) {
        const bool was = verdicts[r * pathCount + i].allowed;
        const bool now = verdicts[(access.size() + r) * pathCount + i].allowed;
        access[r] = was == now ? Access::Same : now ? Access::Gained : Access::Lost;
    }
    return access;
}

QString readingNames(const std::array<Access, 3>& access, Access which)
{
    static const char* const kNames[] = {QT_TRANSLATE_NOOP("sf::UploadCheck", "RFC 9309"),
                                         QT_TRANSLATE_NOOP("sf::UploadCheck", "Google"),
                                         QT_TRANSLATE_NOOP("sf::UploadCheck", "first-match")};
    QStringList names;
    for (size_t r = 0; r < access.size(); ++r) {
        if (access[r] == which)
            names << tr(kNames[r]);
    }
    if (names.size() < 2)
        return names.value(0);
    const QString last = names.takeLast();
    return tr("%1 and %2").arg(names.join(QStringLiteral(", ")), last);
}

QString agentsText(const QStringList& agents)
{
    QStringList names = agents;
    if (names.first() == u"*")
        names.first() = tr("every robot without a group of its own (*)");
    const QString last = names.takeLast();
    QString text = names.isEmpty() ? last : tr("%1 and %2").arg(names.join(QStringLiteral(", ")), last);
    text[0] = text[0].toUpper();
    return text;
}

// "GPTBot may no longer crawl /private.html", with the readings when not all of them agree.
QString changeText(const PathChange& change)
{
    const auto count = [&](Access which) {
        return std::count(change.access.begin(), change.access.end(), which);
    };
    QStringList parts;
    for (const Access which : {Access::Lost, Access::Gained}) {
        if (count(which) == 0)
            continue;
        QString part = which == Access::Lost ? tr("may no longer crawl %1") : tr("may now crawl %1");
        part = part.arg(parts.isEmpty() ? change.path : tr("it"));
        if (count(which) < kReadingCount)
            part += u' ' + (count(which) == 1 ? tr("in the %1 reading") : tr("in the %1 readings"))
                               .arg(readingNames(change.access, which));
        parts << part;
    }
    return agentsText(change.agents) + u' ' + parts.join(tr(", and "));
}

} // namespace

QStringList searchEngineAgents(const QString& databasePath)
{
    QStringList agents;
    RobotPurposes purposes;
    if (!purposes.load(databasePath))
        return agents;
    if (const RobotPurpose* search = purposes.find(QStringLiteral("search engine"))) {
        for (const PurposeRobot& robot : search->robots)
            agents << robot.userAgent;
    }
    return agents;
}

QStringList listedSitePaths(const QString& folder, const QString& siteFolder, const cDirList* listing)
{
    QStringList paths;
    if (const auto top = rules::sitePath(siteFolder, folder))
        paths << RobotsCompare::entryPath(*top, QString(), true);
    if (!listing)
        return paths;
    for (const cDirItem& item : *listing) {
        if (item.FileName == u".." || item.FileName == u".")
            continue;
        const rules::SiteEntry entry = rules::siteEntry(siteFolder, folder, item.FileName);
        if (entry.inside)
            paths << RobotsCompare::entryPath(entry.directory, entry.name, item.Directory);
    }
    return paths;
}

QList<PathChange> accessChanges(const QByteArray& live, const QByteArray& upload,
                                const QStringList& listedPaths, const QStringList& agents)
{
    const FileReadings before(live), after(upload);
    const std::vector<QByteArray> paths = comparedPaths(before, after, listedPaths);
    QList<PathChange> changes;
    QHash<QString, qsizetype> entryOf; // path and access to the entry that holds them
    std::vector<Verdict> global;
    for (const QString& agent : comparedAgents(before, after, agents)) {
        std::vector<Verdict> verdicts = verdictsOf(before, after, agent.toLatin1(), paths);
        if (global.empty())
            global = verdicts; // "*" comes first
        else if (sameVerdicts(verdicts, global))
            continue; // reads what "*" reads: said with it
        for (size_t i = 0; i < paths.size(); ++i) {
            const std::array<Access, 3> access = accessAt(verdicts, paths.size(), i);
            if (access == std::array<Access, 3>{})
                continue;
            QString key = QString::fromLatin1(paths[i]) + u'\n';
            for (const Access a : access)
                key += QChar(u'0' + static_cast<int>(a));
            if (const auto found = entryOf.constFind(key); found != entryOf.constEnd()) {
                changes[*found].agents << agent;
                continue;
            }
            entryOf.insert(key, changes.size());
            changes.append({{agent}, QString::fromLatin1(paths[i]), access});
        }
    }
    return changes;
}

QString describeChanges(const QList<PathChange>& changes, int limit)
{
    if (changes.isEmpty())
        return tr("No robot may crawl more or less of the site than before, in any reading: only the text of "
                  "the file changes.");
    QStringList lines{tr("What robots may crawl changes:")};
    for (qsizetype i = 0; i < std::min<qsizetype>(changes.size(), limit); ++i)
        lines << changeText(changes.at(i));
    if (changes.size() > limit)
        lines << tr("... and %1 more.").arg(changes.size() - limit);
    return lines.join(u'\n');
}

QString targetText(const QString& serverPath, const QString& siteAddress)
{
    if (siteAddress.isEmpty())
        return tr("This upload writes %1.").arg(serverPath);
    return tr("This upload writes %1, which crawlers read as %2/robots.txt.").arg(serverPath, siteAddress);
}

} // namespace sf::UploadCheck
