#include "rules/RobotsRules.h"

#include <algorithm>

namespace sf::rules {
namespace {

// The bytes every match of the pattern starts with.
std::string_view literalBeginning(std::string_view pattern)
{
    if (!pattern.empty() && pattern.back() == '$')
        pattern.remove_suffix(1);
    return pattern.substr(0, pattern.find('*'));
}

// For a pattern that starts with a wildcard: the first literal piece after it, which every matching
// path holds somewhere.
std::string_view innerPiece(std::string_view pattern)
{
    if (!pattern.empty() && pattern.back() == '$')
        pattern.remove_suffix(1);
    for (size_t star = pattern.find('*'); star != std::string_view::npos; star = pattern.find('*')) {
        pattern.remove_prefix(star + 1);
        const std::string_view piece = pattern.substr(0, pattern.find('*'));
        if (!piece.empty())
            return piece;
    }
    return {};
}

struct Best {
    int priority = -1; // the matched pattern's length; -1 when none matched
    int line = 0;

    void offer(int p, int l)
    {
        if (p > priority || (p == priority && l < line)) {
            priority = p;
            line = l;
        }
    }
};

} // namespace

bool patternMatches(std::string_view path, std::string_view pattern)
{
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored)
        pattern.remove_suffix(1);
    size_t star = pattern.find('*');
    if (star == std::string_view::npos)
        return anchored ? path == pattern : path.starts_with(pattern);
    if (!path.starts_with(pattern.substr(0, star)))
        return false;
    size_t pos = star;
    pattern.remove_prefix(star + 1);
    // Between stars, the earliest place a piece fits leaves the most room for the rest.
    while ((star = pattern.find('*')) != std::string_view::npos) {
        const size_t found = path.find(pattern.substr(0, star), pos);
        if (found == std::string_view::npos)
            return false;
        pos = found + star;
        pattern.remove_prefix(star + 1);
    }
    if (anchored)
        return path.size() - pos >= pattern.size() && path.ends_with(pattern);
    return path.find(pattern, pos) != std::string_view::npos;
}

void appendPercentEncoded(QByteArray& out, unsigned char byte)
{
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[byte >> 4];
    out += hex[byte & 15];
}

std::string pathOfUrl(std::string_view url)
{
    constexpr auto npos = std::string_view::npos;
    const size_t searchStart = url.starts_with("//") ? 2 : 0;
    const size_t earlyPath = url.find_first_of("/?;", searchStart);
    size_t protocolEnd = url.find("://", searchStart);
    if (earlyPath < protocolEnd)
        protocolEnd = npos; // a path, parameter or query before "://": no scheme
    protocolEnd = protocolEnd == npos ? searchStart : protocolEnd + 3;
    const size_t pathStart = url.find_first_of("/?;", protocolEnd);
    if (pathStart == npos)
        return "/";
    const size_t hash = url.find('#', searchStart);
    if (hash < pathStart)
        return "/";
    const size_t pathEnd = hash == npos ? url.size() : hash;
    std::string path(url.substr(pathStart, pathEnd - pathStart));
    if (path.front() != '/')
        path.insert(path.begin(), '/');
    return path;
}

RuleSet::RuleSet(std::vector<Rule> rules) : m_rules(std::move(rules))
{
    for (size_t r = 0; r < m_rules.size(); ++r) {
        const std::string_view beginning = literalBeginning(m_rules[r].pattern);
        const std::string_view inner = innerPiece(m_rules[r].pattern);
        if (beginning.size() <= 1 && !inner.empty())
            m_inner.add(inner, static_cast<int>(r));
        else
            m_beginnings.add(beginning, static_cast<int>(r));
    }
    m_beginnings.finish();
    m_inner.finish();
}

void RuleSet::Index::add(std::string_view key, int rule)
{
    m_added.emplace_back(m_trie.insert(key), rule);
}

void RuleSet::Index::finish()
{
    std::sort(m_added.begin(), m_added.end());
    m_rules.assign(static_cast<size_t>(m_trie.size()), Rules{});
    for (size_t i = 0; i < m_added.size(); ++i) {
        Rules& rules = m_rules[static_cast<size_t>(m_added[i].first)];
        if (i == 0 || m_added[i - 1].first != m_added[i].first)
            rules.begin = static_cast<int>(i);
        rules.end = static_cast<int>(i) + 1;
        m_order.push_back(m_added[i].second);
    }
    m_added = {};
}

template <class Visit> void RuleSet::Index::walk(std::string_view text, Visit visit) const
{
    int node = 0;
    for (size_t depth = 0; node >= 0; ++depth) {
        const Rules& rules = m_rules[static_cast<size_t>(node)];
        for (int i = rules.begin; i < rules.end; ++i)
            visit(m_order[i]);
        node = depth < text.size() ? m_trie.child(node, text[depth]) : -1;
    }
}

Verdict RuleSet::check(QByteArrayView urlOrPath) const
{
    return checkPath(pathOfUrl(std::string_view(urlOrPath.data(), urlOrPath.size())));
}

Verdict RuleSet::checkPath(std::string_view path) const
{
    Best allow, disallow;
    const auto verify = [&](int r) {
        const Rule& rule = m_rules[r];
        if (patternMatches(path, rule.pattern))
            (rule.allow ? allow : disallow).offer(static_cast<int>(rule.pattern.size()), rule.line);
    };
    m_beginnings.walk(path, verify);
    for (size_t start = 0; start < path.size() && !m_inner.empty(); ++start)
        m_inner.walk(path.substr(start), verify);
    // A tie goes to Allow; an empty pattern (priority 0) decides nothing by itself.
    const bool blocked = (allow.priority > 0 || disallow.priority > 0) && disallow.priority > allow.priority;
    return Verdict{!blocked, disallow.priority > allow.priority ? disallow.line : allow.line};
}

} // namespace sf::rules
