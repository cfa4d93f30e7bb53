// One reading (SF_FUZZ_READING, an index into kReadings) of any robots.txt for any crawler and URL:
// the indexed rules must give the verdict that trying every rule gives.
#include "FuzzRobotsInput.h"
#include "rules/FirstMatchText.h"
#include "rules/Readings.h"

#include <cstdlib>

namespace {

using namespace sf::rules;

// The longest matching pattern, Allow on a tie, the first line among equals.
Verdict everyRule(const RuleSet& rules, QByteArrayView url)
{
    const std::string path = pathOfUrl(std::string_view(url.data(), static_cast<size_t>(url.size())));
    int allow = -1, disallow = -1, allowLine = 0, disallowLine = 0;
    for (const Rule& rule : rules.rules()) {
        if (!patternMatches(path, rule.pattern))
            continue;
        int& best = rule.allow ? allow : disallow;
        int& line = rule.allow ? allowLine : disallowLine;
        const int length = static_cast<int>(rule.pattern.size());
        if (length > best || (length == best && rule.line < line))
            best = length, line = rule.line;
    }
    const bool blocked = (allow > 0 || disallow > 0) && disallow > allow;
    return {!blocked, disallow > allow ? disallowLine : allowLine};
}

Verdict firstRule(const FirstMatchRules& rules, QByteArrayView url)
{
    const auto path = firstmatch::requestPath(std::string_view(url.data(), static_cast<size_t>(url.size())));
    if (!path)
        return {false, 0};
    for (const FirstMatchRules::Rule& rule : rules.rules()) {
        if (path->starts_with(rule.path))
            return {rule.allow, rule.line};
    }
    return {true, 0};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const RobotsInput input = robotsInput(data, size);
    const RobotsTxt txt(input.robots);
    const Readings readings(txt);
    const Reading reading = kReadings[SF_FUZZ_READING];
    const Verdict verdict = readings.check(reading, input.agent, input.url);
    Verdict expected;
    if (reading == Reading::FirstMatch) {
        const FirstMatchRules rules = readings.firstMatch().rulesFor(input.agent);
        expected = readings.firstMatch().readable() ? firstRule(rules, input.url) : Verdict{false, 0};
    } else {
        expected = everyRule(readings.file(reading).rulesFor(input.agent), input.url);
    }
    if (verdict.allowed != expected.allowed || verdict.line != expected.line || verdict.line < 0 ||
        verdict.line > static_cast<int>(txt.lines().size()))
        std::abort();
    if (describeVerdicts(readings, input.agent, input.url, readings.checkAll(input.agent, input.url))
            .isEmpty())
        std::abort();
    return 0;
}
