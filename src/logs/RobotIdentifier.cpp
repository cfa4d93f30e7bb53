#include "logs/RobotIdentifier.h"

#include "robots/RobotDatabase.h"

#include <algorithm>
#include <array>

#include <QSet>

namespace sf::logs {
namespace {

bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

// Whether the lower-case phrase appears in the text as a whole token, in any case.
bool containsWhole(std::string_view text, std::string_view phrase)
{
    if (phrase.empty() || phrase.size() > text.size())
        return false;
    for (size_t at = 0; at + phrase.size() <= text.size(); ++at) {
        if ((at > 0 && isTokenChar(text[at - 1])) ||
            (at + phrase.size() < text.size() && isTokenChar(text[at + phrase.size()])))
            continue;
        size_t i = 0;
        while (i < phrase.size() && lower(text[at + i]) == phrase[i])
            ++i;
        if (i == phrase.size())
            return true;
    }
    return false;
}

bool isNameChar(char c)
{
    return isTokenChar(c) || c == '.';
}

bool callsItselfARobot(const std::string& name)
{
    static constexpr std::array<std::string_view, 5> kWords{"bot", "crawl", "spider", "fetch", "scrape"};
    const std::string low = lowered(name);
    return std::any_of(kWords.begin(), kWords.end(),
                       [&](std::string_view word) { return low.find(word) != std::string::npos; });
}

} // namespace

RobotIdentifier::RobotIdentifier(std::vector<KnownRobot> robots) : m_robots(std::move(robots))
{
    for (size_t i = 0; i < m_robots.size(); ++i) {
        const std::string token =
            lowered(std::string_view(m_robots[i].token.constData(), m_robots[i].token.size()));
        if (token.empty())
            continue;
        if (std::all_of(token.begin(), token.end(), isTokenChar))
            m_words.emplace(token, static_cast<int>(i));
        else
            m_phrases.emplace_back(token, static_cast<int>(i));
    }
}

Result<RobotIdentifier> RobotIdentifier::fromDatabase(const QString& path)
{
    std::vector<KnownRobot> robots;
    QSet<QByteArray> seen;
    const Result<void> read = RobotDatabase(path).readAll([&](qint32, const char* data) {
        const RobotRecord record = RobotRecord::fromData(data);
        const QByteArray token = record.Robot_exclusion_useragent.trimmed().toUtf8();
        if (token.isEmpty() || token == "*" || seen.contains(token.toLower()))
            return;
        seen.insert(token.toLower());
        robots.push_back({token, record.Robot_purpose});
    });
    if (!read)
        return read;
    return RobotIdentifier(std::move(robots));
}

int RobotIdentifier::knownRobot(std::string_view agent) const
{
    int best = -1;
    size_t bestLength = 0;
    std::string word;
    for (size_t i = 0; i < agent.size();) {
        if (!isTokenChar(agent[i])) {
            ++i;
            continue;
        }
        const size_t begin = i;
        while (i < agent.size() && isTokenChar(agent[i]))
            ++i;
        if (i - begin <= bestLength)
            continue;
        word.assign(agent.substr(begin, i - begin));
        std::transform(word.begin(), word.end(), word.begin(), lower);
        if (const auto it = m_words.find(word); it != m_words.end()) {
            best = it->second;
            bestLength = word.size();
        }
    }
    for (const auto& [phrase, robot] : m_phrases) {
        if (phrase.size() > bestLength && containsWhole(agent, phrase)) {
            best = robot;
            bestLength = phrase.size();
        }
    }
    return best;
}

Identity RobotIdentifier::identify(std::string_view userAgent) const
{
    Identity identity;
    if (const int robot = knownRobot(userAgent); robot >= 0) {
        identity.kind = Identity::Kind::Known;
        identity.robot = robot;
    } else if (std::string name = robotProductName(userAgent); !name.empty()) {
        identity.kind = Identity::Kind::Unknown;
        identity.unknownName = std::move(name);
    }
    return identity;
}

std::string robotProductName(std::string_view agent)
{
    // A product name starts the agent or follows a space, "(", ";" or ","; it ends before "/" (its
    // version), a separator or the end. A URL's parts follow "/" or ":" and never qualify.
    for (size_t i = 0; i < agent.size();) {
        const bool starts = i == 0 || agent[i - 1] == ' ' || agent[i - 1] == '(' || agent[i - 1] == ';' ||
                            agent[i - 1] == ',' || agent[i - 1] == '+';
        if (!isNameChar(agent[i]) || !starts) {
            ++i;
            continue;
        }
        const size_t begin = i;
        while (i < agent.size() && isNameChar(agent[i]))
            ++i;
        const char next = i < agent.size() ? agent[i] : ' ';
        if (next != '/' && next != ' ' && next != ';' && next != ')' && next != ',')
            continue;
        std::string name(agent.substr(begin, i - begin));
        if (callsItselfARobot(name))
            return name;
    }
    return {};
}

} // namespace sf::logs
