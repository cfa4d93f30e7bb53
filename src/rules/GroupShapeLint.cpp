#include "rules/GroupShapeLint.h"
#include "base/Translate.h"

#include <QCoreApplication>
#include <QStringList>

namespace sf::rules {
namespace {

constexpr qsizetype kNamesShown = 3;

SF_FILE_TRANSLATIONS("sf::rules::GroupShapeLint")

// Whether a line between two user-agent lines makes them look like two groups: an empty line or a
// line of another key does; a comment line does not.
bool separates(const Line& line)
{
    if (line.kind == LineKind::Blank)
        return line.comment.isEmpty();
    return line.kind != LineKind::UserAgent;
}

QString agentName(const Line& line)
{
    return isGlobalAgent(line.value) ? QStringLiteral("\"*\"") : QString::fromUtf8(line.value);
}

QString names(const RobotsTxt& txt, const std::vector<int>& agents, size_t from, size_t to)
{
    QStringList list;
    for (size_t i = from; i < to && list.size() < kNamesShown; ++i)
        list << agentName(txt.lines()[static_cast<size_t>(agents[i])]);
    const auto more = static_cast<qsizetype>(to - from) - list.size();
    QString text = list.join(QStringLiteral(", "));
    if (more > 0)
        text += tr(" and %1 more").arg(more);
    return text;
}

// What crawlers do with the merged group, said of those the first user-agent lines name.
QString effect(const RobotsTxt& txt, const Group& group, size_t split)
{
    bool global = false;
    for (size_t i = 0; i < split; ++i)
        global = global || isGlobalAgent(txt.lines()[static_cast<size_t>(group.agents[i])].value);
    const QString who = global ? tr("every crawler without a group of its own") : tr("each of them");
    const QByteArray token =
        global ? QByteArray("*") : crawlerToken(txt.lines()[static_cast<size_t>(group.agents[0])].value);
    if (!txt.check(token, "/").allowed)
        return tr("%1 is disallowed from /").arg(who);
    const int firstRule = txt.lines()[static_cast<size_t>(group.rules.front())].number;
    return tr("%1 follows the rules from line %2 on").arg(who).arg(firstRule);
}

void lintRunOn(const RobotsTxt& txt, const Group& group, std::vector<LintProblem>& out)
{
    if (group.rules.empty())
        return;
    const std::vector<Line>& lines = txt.lines();
    for (size_t i = 1; i < group.agents.size(); ++i) {
        bool apart = false;
        for (int l = group.agents[i - 1] + 1; l < group.agents[i] && !apart; ++l)
            apart = separates(lines[static_cast<size_t>(l)]);
        if (!apart)
            continue;
        out.push_back({lines[static_cast<size_t>(group.agents[i])].number,
                       tr("%1 and %2 form one group: %3")
                           .arg(names(txt, group.agents, 0, i),
                                names(txt, group.agents, i, group.agents.size()), effect(txt, group, i)),
                       LintKind::RunOnGroup});
        return; // one mark says it for the whole group
    }
}

void lintClosedSite(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    const Verdict all = txt.check("*", "/");
    if (all.allowed || all.line == 0)
        return;
    for (const Group& group : txt.groups()) {
        for (const int a : group.agents) {
            const QByteArray& value = txt.lines()[static_cast<size_t>(a)].value;
            if (!isGlobalAgent(value) && txt.check(crawlerToken(value), "/").allowed)
                return; // a crawler of its own group may come in: the site is not closed to all
        }
    }
    out.push_back({all.line,
                   tr("The whole site is closed to every crawler: a file left from a staging site?"),
                   LintKind::ClosedSite});
}

} // namespace

void lintGroupShape(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    for (const Group& group : txt.groups())
        lintRunOn(txt, group, out);
    lintClosedSite(txt, out);
}

} // namespace sf::rules
