#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sf::logs {

// A robot of the database as the log reader tells it: the token its robots.txt group is written
// for (Robot_exclusion_useragent) and its purpose.
struct KnownRobot {
    QByteArray token;
    QString purpose;
};

// Who sent a request, by its User-Agent header.
struct Identity {
    enum class Kind { Visitor, Known, Unknown };
    Kind kind = Kind::Visitor;
    int robot = -1;          // Known: the index into RobotIdentifier::robots()
    std::string unknownName; // Unknown: the product name the agent gives itself
};

// Tells robots apart by their tokens: a request is the known robot whose token appears in its
// User-Agent as a whole token (letters, digits, "-" and "_" make a token), in any case, the longest
// token when several do; "Googlebot-Image/1.0" is Googlebot-Image, not Googlebot. An agent that names
// no known robot but whose product name has "bot", "crawl", "spider", "fetch" or "scrape" in it is an
// unknown robot of that name; anything else is a visitor.
class RobotIdentifier {
public:
    explicit RobotIdentifier(std::vector<KnownRobot> robots = {});
    // The robots of a robots.rbd with a token (the first record of a token names it).
    static Result<RobotIdentifier> fromDatabase(const QString& path);

    const std::vector<KnownRobot>& robots() const { return m_robots; }
    Identity identify(std::string_view userAgent) const;

private:
    int knownRobot(std::string_view userAgent) const;

    std::vector<KnownRobot> m_robots;
    std::unordered_map<std::string, int> m_words;       // lower-case tokens of token characters only
    std::vector<std::pair<std::string, int>> m_phrases; // lower-case tokens with other characters
};

// The product name in a User-Agent that calls itself a robot, or empty.
std::string robotProductName(std::string_view userAgent);

} // namespace sf::logs
