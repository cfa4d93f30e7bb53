#pragma once

#include "rules/RobotsLint.h"

#include <vector>

namespace sf::rules {

// The Content-Signal lines (the content signals policy: search, ai-input and ai-train, each yes or
// no) that say something else than their writer probably meant: a key the policy does not know, a
// value other than yes or no, a line outside any group, and a "yes" that the group's own rules
// contradict because they block the whole site for every robot of the group.
// Part of lint(); adds to out in line order.
void lintContentSignals(const RobotsTxt& txt, std::vector<LintProblem>& out);

} // namespace sf::rules
