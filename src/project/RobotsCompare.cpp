#include "project/RobotsCompare.h"

#include "rules/RobotsTxt.h"

#include <QCoreApplication>
#include <QSet>
#include <QUrl>

namespace sf::RobotsCompare {
namespace {

// The product tokens the file's user-agent lines name, "*" first.
void addAgents(const rules::RobotsTxt& txt, QStringList& agents, QSet<QString>& seen)
{
    for (const rules::Line& line : txt.lines()) {
        if (line.kind != rules::LineKind::UserAgent || rules::isGlobalAgent(line.value))
            continue;
        const QString token = QString::fromLatin1(rules::agentToken(line.value));
        if (!token.isEmpty() && !seen.contains(token.toLower())) {
            seen.insert(token.toLower());
            agents.append(token);
        }
    }
}

} // namespace

QString entryPath(const QString& folder, const QString& name, bool isFolder)
{
    static const QByteArray kSegmentSafe("!$&'()*+,;=:@");
    QByteArray path;
    for (const QString& segment : (folder + u'/' + name).split(u'/', Qt::SkipEmptyParts))
        path += '/' + QUrl::toPercentEncoding(segment, kSegmentSafe);
    if (path.isEmpty() || isFolder)
        path += '/';
    return QString::fromLatin1(path);
}

QList<AccessChange> compare(const QByteArray& oldFile, const QByteArray& newFile, const QStringList& paths)
{
    const rules::RobotsTxt before(oldFile), after(newFile);
    QStringList agents{QStringLiteral("*")};
    QSet<QString> seen;
    addAgents(before, agents, seen);
    addAgents(after, agents, seen);
    QList<AccessChange> changes;
    for (const QString& agent : agents) {
        const QByteArray token = agent.toLatin1();
        const rules::RuleSet oldRules = before.rulesFor(token), newRules = after.rulesFor(token);
        for (const QString& path : paths) {
            const QByteArray bytes = path.toLatin1();
            const rules::Verdict was = oldRules.check(bytes), now = newRules.check(bytes);
            if (was.allowed != now.allowed)
                changes.append({agent, path, now.allowed, was.line, now.line});
        }
    }
    return changes;
}

QString describe(const QList<AccessChange>& changes, int limit)
{
    QStringList lines;
    for (qsizetype i = 0; i < std::min<qsizetype>(changes.size(), limit); ++i) {
        const AccessChange& c = changes.at(i);
        lines << (c.nowAllowed ? QCoreApplication::translate("sf::RobotsCompare", "%1: %2 becomes allowed")
                               : QCoreApplication::translate("sf::RobotsCompare", "%1: %2 becomes blocked"))
                     .arg(c.agent, c.path);
    }
    if (changes.size() > limit)
        lines << QCoreApplication::translate("sf::RobotsCompare", "... and %1 more.")
                     .arg(changes.size() - limit);
    return lines.join(u'\n');
}

} // namespace sf::RobotsCompare
