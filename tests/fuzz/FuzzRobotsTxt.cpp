// A robots.txt of any bytes, read as the evaluator reads it, by every reading, and linted.
#include "FuzzRobotsInput.h"
#include "rules/Readings.h"
#include "rules/RobotsLint.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const RobotsInput input = robotsInput(data, size);
    const sf::rules::RobotsTxt txt(input.robots);
    const sf::rules::Readings readings(txt);
    for (const sf::rules::LintProblem& problem : sf::rules::lint(txt, input.robots.size())) {
        if (problem.line < 1 || problem.line > static_cast<int>(txt.lines().size()) || problem.text.isEmpty())
            std::abort();
    }
    return 0;
}
