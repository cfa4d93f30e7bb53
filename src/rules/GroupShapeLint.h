#pragma once

#include "rules/RobotsLint.h"

#include <vector>

namespace sf::rules {

// The groups whose shape a reader takes for something else than crawlers do: user-agent lines that
// run on into the next group because no rule stands between them (an empty line or another key does
// not end a group), and a file that closes the whole site to every crawler it names, "*" included.
// Part of lint(); adds to out.
void lintGroupShape(const RobotsTxt& txt, std::vector<LintProblem>& out);

} // namespace sf::rules
