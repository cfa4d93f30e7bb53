#include "project/PurposePreset.h"

#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"

#include <QHash>
#include <QMap>
#include <QSet>

#include <vector>

namespace sf::RuleGrid {
namespace {

QByteArray tokenOf(const QString& userAgent)
{
    return rules::agentToken(userAgent.trimmed().toUtf8()).toLower();
}

// The grid's lines as a crawler reads them; line n is row n - 1.
rules::RobotsTxt readRows(const QStringList& rows)
{
    return rules::RobotsTxt(rows.join(u'\n').toUtf8());
}

QByteArray groupToken(const rules::Line& line)
{
    return rules::isGlobalAgent(line.value) ? QByteArray("*") : rules::agentToken(line.value).toLower();
}

// The edits to the rows, applied in one pass so that row numbers stay those of the reading.
struct RowEdits {
    std::vector<bool> drop;
    QMap<int, QString> insertBefore;

    explicit RowEdits(qsizetype rows) : drop(static_cast<size_t>(rows)) {}
    QStringList apply(const QStringList& rows) const
    {
        QStringList out;
        for (int r = 0; r <= rows.size(); ++r) {
            if (insertBefore.contains(r))
                out << insertBefore.value(r);
            if (r < rows.size() && !drop[static_cast<size_t>(r)])
                out << rows.at(r);
        }
        return out;
    }
};

// A group that names only chosen agents gets "Disallow: /" for its rules; the chosen agents of a
// shared group leave it. Returns the tokens that leave their groups.
QSet<QByteArray> editGroups(const rules::RobotsTxt& txt, const QSet<QByteArray>& chosen, RowEdits& edits)
{
    QSet<QByteArray> moved;
    for (const rules::Group& group : txt.groups()) {
        std::vector<int> chosenRows;
        for (const int a : group.agents) {
            if (chosen.contains(groupToken(txt.lines()[static_cast<size_t>(a)])))
                chosenRows.push_back(a);
        }
        if (chosenRows.empty())
            continue;
        if (chosenRows.size() < group.agents.size()) {
            for (const int a : chosenRows) {
                edits.drop[static_cast<size_t>(a)] = true;
                moved.insert(groupToken(txt.lines()[static_cast<size_t>(a)]));
            }
            continue;
        }
        for (const int r : group.rules)
            edits.drop[static_cast<size_t>(r)] = true;
        const int at = group.rules.empty() ? group.agents.back() + 1 : group.rules.front();
        edits.insertBefore.insert(at, QStringLiteral("Disallow: /"));
    }
    return moved;
}

} // namespace

QString presetAgentText(const QString& userAgent)
{
    const QString name = userAgent.trimmed();
    const QString token = QString::fromUtf8(rules::agentToken(name.toUtf8()));
    if (token.isEmpty())
        return {};
    return token == name ? token : token + QStringLiteral(" # ") + name;
}

QStringList agentsWithGroup(const QStringList& rows, const QStringList& agents)
{
    const rules::RobotsTxt txt = readRows(rows);
    QSet<QByteArray> grouped;
    for (const rules::Group& group : txt.groups()) {
        for (const int a : group.agents)
            grouped.insert(groupToken(txt.lines()[static_cast<size_t>(a)]));
    }
    QStringList found;
    for (const QString& agent : agents) {
        const QByteArray token = tokenOf(agent);
        if (!token.isEmpty() && grouped.contains(token) && !found.contains(agent))
            found << agent;
    }
    return found;
}

BlockReport blockAgents(QStringList& rows, const QStringList& agents, bool replaceExisting)
{
    BlockReport report;
    QStringList named; // one agent per token, in the order given
    QSet<QByteArray> tokens;
    for (const QString& agent : agents) {
        const QByteArray token = tokenOf(agent);
        if (token.isEmpty())
            report.unnamable << agent;
        else if (!tokens.contains(token)) {
            tokens.insert(token);
            named << agent;
        }
    }
    const QStringList grouped = agentsWithGroup(rows, named);
    QSet<QByteArray> chosen = tokens;
    if (!replaceExisting) {
        report.left = grouped;
        for (const QString& agent : grouped)
            chosen.remove(tokenOf(agent));
    } else {
        report.replaced = grouped;
    }
    RowEdits edits(rows.size());
    const QSet<QByteArray> moved =
        editGroups(readRows(rows), replaceExisting ? chosen : QSet<QByteArray>(), edits);
    rows = edits.apply(rows);
    QStringList group;
    for (const QString& agent : named) {
        const QByteArray token = tokenOf(agent);
        if (grouped.contains(agent) && !moved.contains(token))
            continue; // blocked in its own group, or left there
        group << QStringLiteral("User-agent: ") + presetAgentText(agent);
    }
    if (group.isEmpty())
        return report;
    group << QStringLiteral("Disallow: /") << QString();
    const qsizetype at = std::min<qsizetype>(kGroupRow, rows.size());
    for (qsizetype i = 0; i < group.size(); ++i)
        rows.insert(at + i, group.at(i));
    return report;
}

} // namespace sf::RuleGrid
