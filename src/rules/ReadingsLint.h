#pragma once

#include "rules/RobotsLint.h"

#include <vector>

namespace sf::rules {

// The lines that the readings (RFC 9309, Google's parser, first-match readers) read differently, each
// with what will happen and, where there is a way, how to write it so that every reading agrees: a
// byte order mark, a file that is not UTF-8, keys only lenient readers take, "*" and "$" in rules, an
// Allow/Disallow pair whose order decides for first-match readers, a blank line inside a group, an
// empty User-agent, and a value at which first-match readers stop. Part of lint(); adds to out.
void lintReadings(const RobotsTxt& txt, std::vector<LintProblem>& out);

} // namespace sf::rules
