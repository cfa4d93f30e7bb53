#pragma once

#include "rules/RobotsTxt.h"

#include <QString>

#include <vector>

namespace sf::rules {

// Crawlers read at most this many bytes of a robots.txt.
inline constexpr qsizetype kCrawlerReadLimit = 500 * 1024;

struct LintProblem {
    int line = 0; // 1-based
    QString text;
};

// The lines a crawler reads differently from what their writer probably meant, in line order: a
// rule before any user-agent, a user-agent with characters outside letters, "_" and "-", a path
// that starts with neither "/" nor "*", a raw space or "#" in a path, a byte outside ASCII in a
// path, the same rule twice in a group, the same agent heading two groups, the first line past
// what crawlers read, and Content-Signal lines that say something else than meant. Lint only reads.
std::vector<LintProblem> lint(const RobotsTxt& txt, qsizetype fileSize);
std::vector<LintProblem> lint(QByteArrayView text);

} // namespace sf::rules
