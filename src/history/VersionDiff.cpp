#include "history/VersionDiff.h"

#include "base/Translate.h"
#include "project/RobotsCompare.h"
#include "rules/RobotsTxt.h"

#include <QHash>
#include <QSet>

#include <cstdint>
#include <vector>

namespace sf::history {
namespace {

SF_FILE_TRANSLATIONS("sf::history")

constexpr qsizetype kLargestTable = 4'000'000; // cells of the common-run table (two bytes each)

QList<QByteArray> linesOf(const QByteArray& file)
{
    QList<QByteArray> lines = file.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // a final line end ends the last line
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// The middle of two files (without their common first and last lines) as a longest common run.
void middleDifference(const QList<QByteArray>& a, const QList<QByteArray>& b, qsizetype first, qsizetype aEnd,
                      qsizetype bEnd, QList<LineChange>& out)
{
    const qsizetype n = aEnd - first, m = bEnd - first;
    const auto removed = [&](qsizetype i) { out.append({LineChange::Kind::Removed, int(i + 1), 0, a[i]}); };
    const auto added = [&](qsizetype j) { out.append({LineChange::Kind::Added, 0, int(j + 1), b[j]}); };
    if (n * m > kLargestTable) {
        for (qsizetype i = first; i < aEnd; ++i)
            removed(i);
        for (qsizetype j = first; j < bEnd; ++j)
            added(j);
        return;
    }
    // run[i][j]: the longest common run of a[first + i ..] and b[first + j ..].
    std::vector<std::uint16_t> run(static_cast<size_t>((n + 1) * (m + 1)), 0);
    const auto at = [&](qsizetype i, qsizetype j) -> std::uint16_t& { return run[size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            at(i, j) = a[first + i] == b[first + j] ? std::uint16_t(at(i + 1, j + 1) + 1)
                                                    : std::max(at(i + 1, j), at(i, j + 1));
    qsizetype i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[first + i] == b[first + j]) {
            out.append({LineChange::Kind::Same, int(first + i + 1), int(first + j + 1), a[first + i]});
            ++i, ++j;
        } else if (j == m || (i < n && at(i + 1, j) >= at(i, j + 1))) {
            removed(first + i++);
        } else {
            added(first + j++);
        }
    }
}

// A rule's value as a path it speaks of: its "*" read as nothing, without a final "$".
QString pathOfRule(const QByteArray& value)
{
    QByteArray path = value;
    if (path.endsWith('$'))
        path.chop(1);
    path.replace("*", "");
    return path.startsWith('/') ? QString::fromLatin1(rules::normalisedPattern(path)) : QString();
}

// "*" and the product tokens the files' user-agent lines name, each once.
QStringList agentsOf(const rules::RobotsTxt& before, const rules::RobotsTxt& after)
{
    QStringList agents{QStringLiteral("*")};
    QSet<QString> seen;
    for (const rules::RobotsTxt* txt : {&before, &after})
        for (const rules::Line& line : txt->lines()) {
            if (line.kind != rules::LineKind::UserAgent || rules::isGlobalAgent(line.value))
                continue;
            const QString token = QString::fromLatin1(rules::agentToken(line.value));
            if (!token.isEmpty() && !seen.contains(token.toLower())) {
                seen.insert(token.toLower());
                agents.append(token);
            }
        }
    return agents;
}

QString readerName(rules::Reading reading)
{
    switch (reading) {
    case rules::Reading::Rfc9309:
        return tr("RFC 9309");
    case rules::Reading::Google:
        return tr("Google");
    case rules::Reading::FirstMatch:
        return tr("first-match");
    }
    return {};
}

QString agentName(const QString& agent)
{
    return agent == u"*" ? tr("Robots without a group of their own") : agent;
}

QString lineNote(const AccessDifference& d)
{
    const int line = d.newLine > 0 ? d.newLine : d.oldLine;
    if (line == 0)
        return {};
    return d.newLine > 0 ? tr(" (line %1)").arg(d.newLine) : tr(" (line %1 before)").arg(d.oldLine);
}

} // namespace

QList<LineChange> lineDifference(const QByteArray& oldFile, const QByteArray& newFile)
{
    const QList<QByteArray> a = linesOf(oldFile), b = linesOf(newFile);
    qsizetype first = 0, aEnd = a.size(), bEnd = b.size();
    while (first < aEnd && first < bEnd && a[first] == b[first])
        ++first;
    while (aEnd > first && bEnd > first && a[aEnd - 1] == b[bEnd - 1])
        --aEnd, --bEnd;
    QList<LineChange> out;
    for (qsizetype i = 0; i < first; ++i)
        out.append({LineChange::Kind::Same, int(i + 1), int(i + 1), a[i]});
    middleDifference(a, b, first, aEnd, bEnd, out);
    for (qsizetype i = aEnd; i < a.size(); ++i)
        out.append({LineChange::Kind::Same, int(i + 1), int(bEnd + i - aEnd + 1), a[i]});
    return out;
}

QStringList rulePaths(const QByteArray& oldFile, const QByteArray& newFile)
{
    QStringList paths{QStringLiteral("/")};
    QSet<QString> seen{paths.first()};
    for (const QByteArray* file : {&oldFile, &newFile}) {
        const rules::RobotsTxt txt(*file);
        for (const rules::Line& line : txt.lines()) {
            if (line.kind != rules::LineKind::Allow && line.kind != rules::LineKind::Disallow)
                continue;
            const QString path = pathOfRule(line.value);
            if (!path.isEmpty() && !seen.contains(path)) {
                seen.insert(path);
                paths.append(path);
            }
        }
    }
    return paths;
}

QList<AccessDifference> accessDifferences(const QByteArray& oldFile, const QByteArray& newFile)
{
    const rules::RobotsTxt before(oldFile), after(newFile);
    const rules::Readings was(before), now(after);
    const QStringList paths = rulePaths(oldFile, newFile);
    QList<AccessDifference> differences;
    for (const QString& agent : agentsOf(before, after)) {
        const QByteArray token = agent.toLatin1();
        for (const rules::Reading reading : rules::kReadings) {
            const rules::ReadingRules oldRules = was.rulesFor(reading, token),
                                      newRules = now.rulesFor(reading, token);
            for (const QString& path : paths) {
                const rules::Verdict a = oldRules.check(path.toLatin1()), b = newRules.check(path.toLatin1());
                if (a.allowed != b.allowed)
                    differences.append({agent, path, reading, b.allowed, a.line, b.line});
            }
        }
    }
    return differences;
}

QStringList describeAccess(const QList<AccessDifference>& differences)
{
    // One line per robot, path and change; the readings named only where not all of them see it.
    const auto keyOf = [](const AccessDifference& d) {
        return d.agent + u'\n' + d.path + (d.nowAllowed ? u'+' : u'-');
    };
    QList<qsizetype> firsts;
    QHash<QString, QStringList> readings;
    for (qsizetype i = 0; i < differences.size(); ++i) {
        QStringList& seen = readings[keyOf(differences[i])];
        if (seen.isEmpty())
            firsts << i;
        seen << readerName(differences[i].reading);
    }
    QStringList lines;
    for (const qsizetype i : firsts) {
        const AccessDifference& d = differences[i];
        QString line = (d.nowAllowed ? tr("%1: %2 becomes allowed") : tr("%1: %2 becomes blocked"))
                           .arg(d.agent, d.path) +
                       lineNote(d);
        const QStringList& by = readings[keyOf(d)];
        if (by.size() < qsizetype(rules::kReadings.size()))
            line += tr(", for %1 readers only").arg(by.join(tr(" and ")));
        lines << line;
    }
    return lines;
}

QStringList describeLines(const QList<LineChange>& changes)
{
    QStringList lines;
    for (const LineChange& c : changes) {
        if (c.kind == LineChange::Kind::Removed)
            lines << QStringLiteral("- %1: %2").arg(c.oldLine).arg(QString::fromUtf8(c.text));
        else if (c.kind == LineChange::Kind::Added)
            lines << QStringLiteral("+ %1: %2").arg(c.newLine).arg(QString::fromUtf8(c.text));
    }
    return lines;
}

QString changeSentence(const ServerFile& replaced, const QByteArray& sent)
{
    if (replaced.state == ServerFile::State::Unread)
        return tr("The file it replaced could not be read from the server.");
    if (replaced.state == ServerFile::State::Held && replaced.bytes == sent)
        return tr("The same file as before.");
    const QByteArray before = replaced.state == ServerFile::State::Held ? replaced.bytes : QByteArray();
    const QList<AccessChange> changes = RobotsCompare::compare(before, sent, rulePaths(before, sent));
    if (changes.isEmpty())
        return replaced.state == ServerFile::State::None
                   ? tr("The first file there: every robot may crawl what it could without one.")
                   : tr("Only the text changed: every robot may crawl what it could before.");
    const AccessChange& c = changes.first();
    QString sentence = (c.nowAllowed ? tr("%1 may now crawl %2") : tr("%1 may no longer crawl %2"))
                           .arg(agentName(c.agent), c.path);
    if (changes.size() == 2)
        sentence += tr(", and one more change");
    else if (changes.size() > 2)
        sentence += tr(", and %1 more changes").arg(changes.size() - 1);
    return sentence;
}

} // namespace sf::history
