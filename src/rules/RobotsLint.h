#pragma once

#include "rules/RobotsTxt.h"

#include <QString>

#include <vector>

namespace sf::rules {

// Crawlers read at most this many bytes of a robots.txt.
inline constexpr qsizetype kCrawlerReadLimit = 500 * 1024;

// What the lint finds, the most harmful first: the order of the short list.
enum class LintKind {
    ClosedSite,
    NotUtf8,
    ParserStops,
    RunOnGroup,
    TooLarge,
    ByteOrderMark,
    BlankLineInGroup,
    GoogleOnlyLine,
    RuleBeforeAgent,
    AgentTwoGroups,
    EmptyAgent,
    ShadowedRule,
    PlainWildcard,
    FinalStar,
    IndexFolder,
    PathUnanchored,
    HashInPath,
    RawSpace,
    NonAscii,
    AgentCut,
    SignalContradicted,
    SignalUnknown,
    SignalValue,
    SignalOutside,
    SameRule,
};

struct LintProblem {
    int line = 0; // 1-based
    QString text;
    LintKind kind = LintKind::SameRule;
};

// One entry of the short list: the problems of one kind in one group of the file (or outside any
// group), with the lines they concern.
struct LintFinding {
    LintKind kind = LintKind::SameRule;
    std::vector<int> lines; // ascending
    // The problem's own text for one line; for several, what they have in common and the lines:
    // "first-match readers read 212 rules with * or $ as plain characters: lines 14-380".
    QString text;
};

// The lines a crawler reads differently from what their writer probably meant, in line order: a
// rule before any user-agent, a user-agent with characters outside letters, "_" and "-", a path
// that starts with neither "/" nor "*", a raw space or "#" in a path, a byte outside ASCII in a
// path, the same rule twice in a group, the same agent heading two groups, the first line past
// what crawlers read, and Content-Signal lines that say something else than meant. Lint only reads.
std::vector<LintProblem> lint(const RobotsTxt& txt, qsizetype fileSize);
std::vector<LintProblem> lint(QByteArrayView text);

// The short list of lint(): one finding per kind and group, the most harmful kinds first, then in
// line order.
std::vector<LintFinding> lintFindings(const RobotsTxt& txt, const std::vector<LintProblem>& problems);
std::vector<LintFinding> lintFindings(QByteArrayView text);
// "14", "14-20, 31" or, for many runs, "14-380": the lines as a reader takes them in.
QString lineRanges(const std::vector<int>& lines);

} // namespace sf::rules
