// The lint's short list: its problems grouped by kind and group of the file.
#include "base/Translate.h"
#include "rules/RobotsLint.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>

namespace sf::rules {
namespace {

SF_FILE_TRANSLATIONS("RobotsLint")

// What several problems of a kind have in common; empty where one text says it (the kind is
// found once per file) or where the first problem's text stands for the rest.
QString summary(LintKind kind, int count)
{
    switch (kind) {
    case LintKind::RunOnGroup:
        return tr("%1 groups run on: their user-agent lines have no rule between them").arg(count);
    case LintKind::BlankLineInGroup:
        return tr("first-match readers end %1 groups at a blank line inside them and ignore the rules after "
                  "it")
            .arg(count);
    case LintKind::GoogleOnlyLine:
        return tr("only Google's parser reads %1 lines (keys misspelt or without a colon); RFC 9309 and "
                  "first-match readers ignore them")
            .arg(count);
    case LintKind::RuleBeforeAgent:
        return tr("%1 rules stand before any User-agent line: crawlers ignore them").arg(count);
    case LintKind::AgentTwoGroups:
        return tr("%1 user-agents also head an earlier group: crawlers merge the groups, but first-match "
                  "readers read only the first")
            .arg(count);
    case LintKind::EmptyAgent:
        return tr("%1 empty User-agent lines: first-match readers apply their group to every crawler")
            .arg(count);
    case LintKind::ShadowedRule:
        return tr("first-match readers never get to %1 rules: a rule of the other kind above matches their "
                  "URLs first")
            .arg(count);
    case LintKind::PlainWildcard:
        return tr("first-match readers read %1 rules with * or $ as plain characters").arg(count);
    case LintKind::FinalStar:
        return tr("first-match readers read the final * of %1 rules as a plain character; without it the "
                  "rules "
                  "mean the same to every reader")
            .arg(count);
    case LintKind::IndexFolder:
        return tr("Google's parser takes %1 Allow rules for index.html pages as also allowing their folders")
            .arg(count);
    case LintKind::PathUnanchored:
        return tr("%1 paths start with neither \"/\" nor \"*\": they match no URL").arg(count);
    case LintKind::HashInPath:
        return tr("%1 paths hold a \"#\", which starts a comment: the rules end before it").arg(count);
    case LintKind::RawSpace:
        return tr("%1 paths hold a raw space, which crawlers request percent-encoded").arg(count);
    case LintKind::NonAscii:
        return tr("%1 paths hold characters outside ASCII: write them percent-encoded as UTF-8").arg(count);
    case LintKind::AgentCut:
        return tr("crawlers read %1 user-agents only up to the first character that is not a letter, \"_\" "
                  "or \"-\"")
            .arg(count);
    case LintKind::SameRule:
        return tr("%1 rules repeat an earlier rule of their group").arg(count);
    default:
        return {};
    }
}

} // namespace

QString lineRanges(const std::vector<int>& lines)
{
    std::vector<std::pair<int, int>> runs;
    for (const int line : lines) {
        if (!runs.empty() && line <= runs.back().second + 1)
            runs.back().second = std::max(runs.back().second, line);
        else
            runs.emplace_back(line, line);
    }
    if (runs.empty())
        return {};
    const auto text = [](int first, int last) {
        return first == last ? QString::number(first) : QStringLiteral("%1-%2").arg(first).arg(last);
    };
    if (runs.size() > 4)
        return text(runs.front().first, runs.back().second);
    QStringList parts;
    for (const auto& [first, last] : runs)
        parts << text(first, last);
    return parts.join(QStringLiteral(", "));
}

std::vector<LintFinding> lintFindings(const RobotsTxt& txt, const std::vector<LintProblem>& problems)
{
    std::map<std::pair<LintKind, int>, std::vector<const LintProblem*>> byKindAndGroup;
    for (const LintProblem& problem : problems) {
        const auto index = static_cast<size_t>(problem.line - 1);
        const int group = index < txt.lines().size() ? txt.lines()[index].group : -1;
        byKindAndGroup[{problem.kind, group}].push_back(&problem);
    }
    std::vector<LintFinding> out;
    for (const auto& [key, found] : byKindAndGroup) {
        LintFinding finding;
        finding.kind = key.first;
        for (const LintProblem* problem : found)
            finding.lines.push_back(problem->line);
        std::sort(finding.lines.begin(), finding.lines.end());
        finding.lines.erase(std::unique(finding.lines.begin(), finding.lines.end()), finding.lines.end());
        const QString common = summary(finding.kind, static_cast<int>(found.size()));
        if (found.size() == 1 || common.isEmpty())
            finding.text = found.front()->text;
        if (found.size() > 1)
            finding.text =
                (common.isEmpty() ? finding.text : common) + tr(": lines %1").arg(lineRanges(finding.lines));
        out.push_back(std::move(finding));
    }
    std::stable_sort(out.begin(), out.end(), [](const LintFinding& a, const LintFinding& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.lines.front() < b.lines.front();
    });
    return out;
}

std::vector<LintFinding> lintFindings(QByteArrayView text)
{
    const RobotsTxt txt(text);
    return lintFindings(txt, lint(txt, text.size()));
}

} // namespace sf::rules
