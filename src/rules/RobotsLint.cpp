#include "rules/RobotsLint.h"

#include "base/Translate.h"
#include "rules/ContentSignalLint.h"
#include "rules/GroupShapeLint.h"
#include "rules/ReadingsLint.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>

namespace sf::rules {
namespace {

SF_FILE_TRANSLATIONS("RobotsLint")

bool isRule(const Line& line)
{
    return line.kind == LineKind::Allow || line.kind == LineKind::Disallow;
}

void lintAgent(const Line& line, std::vector<LintProblem>& out)
{
    if (isGlobalAgent(line.value))
        return;
    const QByteArray token = agentToken(line.value);
    // A name of one word with digits or dots ("AI2Bot") is best written whole: cut to its letters it
    // would also name every crawler with them in its name for first-match readers.
    const bool oneWord = !line.value.contains(' ') && !line.value.contains('\t') && !line.value.contains('/');
    if (token != line.value && !(oneWord && !token.isEmpty()))
        out.push_back({line.number,
                       tr("crawlers read this user-agent as \"%1\": only letters, \"_\" and \"-\" "
                          "count; first-match readers look for all of \"%2\" in the crawler's name instead. "
                          "Write \"User-agent: %1\" so every reading agrees")
                           .arg(QString::fromLatin1(token), QString::fromUtf8(line.value)),
                       LintKind::AgentCut});
}

void lintPath(const Line& line, std::vector<LintProblem>& out)
{
    const QByteArray& value = line.value;
    if (!value.isEmpty() && !value.startsWith('/') && !value.startsWith('*'))
        out.push_back({line.number, tr("the path starts with neither \"/\" nor \"*\": it matches no URL"),
                       LintKind::PathUnanchored});
    if (value.contains(' ') || value.contains('\t'))
        out.push_back(
            {line.number, tr("raw space in the path: crawlers request it as %20"), LintKind::RawSpace});
    const qsizetype hash = line.text.indexOf('#');
    if (hash > 0 && !value.isEmpty() && line.text.at(hash - 1) != ' ' && line.text.at(hash - 1) != '\t')
        out.push_back({line.number,
                       tr("\"#\" in the path starts a comment: the rule ends before it (write %23)"),
                       LintKind::HashInPath});
    if (std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        out.push_back({line.number,
                       tr("a character outside ASCII in the path: crawlers match its bytes "
                          "percent-encoded; write it percent-encoded as UTF-8"),
                       LintKind::NonAscii});
}

void lintGroups(const RobotsTxt& txt, std::vector<LintProblem>& out)
{
    const std::vector<Line>& lines = txt.lines();
    QHash<QByteArray, int> agentGroup; // agent (lower case) -> the line of its first group
    for (const Group& group : txt.groups()) {
        for (const int a : group.agents) {
            const QByteArray value = lines[a].value;
            const QByteArray agent = isGlobalAgent(value) ? QByteArray("*") : agentToken(value).toLower();
            const int first = agentGroup.value(agent, 0);
            if (first == 0)
                agentGroup.insert(agent, lines[a].number);
            else if (lines[static_cast<size_t>(first - 1)].group != lines[a].group)
                out.push_back({lines[a].number,
                               tr("this user-agent also heads the group at line %1; "
                                  "crawlers merge the two, but first-match readers read "
                                  "only the first. Merge the groups so every reading agrees")
                                   .arg(first),
                               LintKind::AgentTwoGroups});
        }
        QHash<QByteArray, int> seen; // kind and pattern -> first line
        for (const int r : group.rules) {
            const QByteArray key = QByteArray::number(int(lines[r].kind)) + normalisedPattern(lines[r].value);
            if (seen.contains(key))
                out.push_back({lines[r].number, tr("the same rule as line %1").arg(seen.value(key)),
                               LintKind::SameRule});
            else
                seen.insert(key, lines[r].number);
        }
    }
}

} // namespace

std::vector<LintProblem> lint(const RobotsTxt& txt, qsizetype fileSize)
{
    std::vector<LintProblem> out;
    for (const Line& line : txt.lines()) {
        if (line.kind == LineKind::UserAgent)
            lintAgent(line, out);
        if (isRule(line) && line.group < 0)
            out.push_back({line.number, tr("a rule before any User-agent line: crawlers ignore it"),
                           LintKind::RuleBeforeAgent});
        if (isRule(line))
            lintPath(line, out);
    }
    lintGroups(txt, out);
    lintContentSignals(txt, out);
    lintGroupShape(txt, out);
    lintReadings(txt, out);
    if (fileSize > kCrawlerReadLimit) {
        // The line that holds the first byte crawlers do not read.
        int number = 1;
        for (const Line& line : txt.lines()) {
            if (line.offset <= kCrawlerReadLimit)
                number = line.number;
        }
        out.push_back(
            {number,
             tr("the file is larger than 500 KiB: Google's crawler reads only the first 500 KiB, up "
                "to this line, and ignores the rest; RFC 9309 asks crawlers to read at least that "
                "much, first-match readers read it all. Keep the file under 500 KiB so every crawler "
                "reads all of it"),
             LintKind::TooLarge});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const LintProblem& a, const LintProblem& b) { return a.line < b.line; });
    return out;
}

std::vector<LintProblem> lint(QByteArrayView text)
{
    return lint(RobotsTxt(text), text.size());
}

} // namespace sf::rules
