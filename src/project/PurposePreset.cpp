#include "project/PurposePreset.h"

#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
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

// The part of a name first-match readers compare, as Python's robotparser does: up to a "/", in
// lower case.
QString firstMatchName(const QString& name)
{
    return name.section(u'/', 0, 0).trimmed().toLower();
}

// The word of a name a preset writes: the name up to a "/", or its first word.
QString presetWord(const QString& name)
{
    const QString head = name.section(u'/', 0, 0).trimmed();
    const qsizetype space = head.indexOf(QRegularExpression(QStringLiteral("\\s")));
    return space < 0 ? head : head.left(space);
}

// Whether "User-agent: word" names the robot of that name, and none of the others, in every reading:
// RFC 9309 and Google readers compare the word's leading letters, "_" and "-" with the crawler's
// own; first-match readers look for the whole word in the crawler's name.
bool namesOnly(const QString& word, const QString& name, const QStringList& others)
{
    const QByteArray token = rules::agentToken(word.toUtf8());
    const QString lowerWord = word.toLower();
    const auto named = [&](const QString& robot) {
        const QByteArray robotToken = rules::crawlerToken(robot.trimmed().toUtf8());
        return token.compare(robotToken, Qt::CaseInsensitive) == 0 ||
               firstMatchName(robot).contains(lowerWord);
    };
    if (token.isEmpty() || token.compare(rules::crawlerToken(name.toUtf8()), Qt::CaseInsensitive) != 0 ||
        !firstMatchName(name).contains(lowerWord))
        return false;
    return std::none_of(others.begin(), others.end(), [&](const QString& robot) {
        return robot.trimmed().compare(name, Qt::CaseInsensitive) != 0 && named(robot);
    });
}

// The agents the grid's groups name, as their lines write them ("*" aside).
QStringList groupAgents(const rules::RobotsTxt& txt)
{
    QStringList agents;
    for (const rules::Line& line : txt.lines()) {
        if (line.kind == rules::LineKind::UserAgent && !rules::isGlobalAgent(line.value))
            agents << QString::fromUtf8(line.value);
    }
    return agents;
}

} // namespace

QString presetAgentText(const QString& userAgent, const QStringList& otherRobots)
{
    const QString name = userAgent.trimmed();
    const QString word = presetWord(name);
    if (word.isEmpty() || !namesOnly(word, name, otherRobots))
        return {};
    return word == name ? word : word + QStringLiteral(" # ") + name;
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

BlockReport blockAgents(QStringList& rows, const QStringList& agents, bool replaceExisting,
                        const QStringList& otherRobots)
{
    BlockReport report;
    QSet<QByteArray> tokens;
    for (const QString& agent : agents)
        tokens.insert(tokenOf(agent));
    // The grid's agents keep their access too, unless their groups are the chosen agents' own.
    QStringList others = otherRobots;
    for (const QString& agent : groupAgents(readRows(rows))) {
        if (!tokens.contains(tokenOf(agent)))
            others << agent;
    }
    QStringList named; // one agent per written word, in the order given
    QSet<QString> words;
    tokens.clear();
    for (const QString& agent : agents) {
        const QString text = presetAgentText(agent, others);
        if (tokenOf(agent).isEmpty())
            report.unnamable << agent;
        else if (text.isEmpty())
            report.shared << agent;
        else if (!words.contains(text.section(u' ', 0, 0).toLower())) {
            words.insert(text.section(u' ', 0, 0).toLower());
            tokens.insert(tokenOf(agent));
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
        group << QStringLiteral("User-agent: ") + presetAgentText(agent, others);
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
