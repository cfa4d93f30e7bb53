#pragma once

#include "rules/RobotsTxt.h"

#include <QString>

#include <vector>

namespace sf::robots {

struct ContentSignalProblem {
    int line = 0; // 1-based
    QString text;
};

// The Content-Signal lines (the content signals policy: search, ai-input and ai-train, each yes or
// no) that say something else than their writer probably meant: a key the policy does not know, a
// value other than yes or no, a line outside any group, and a "yes" that the group's own rules
// contradict because they block the whole site for every robot of the group.
std::vector<ContentSignalProblem> lintContentSignals(const RobotsTxt& txt);

} // namespace sf::robots
