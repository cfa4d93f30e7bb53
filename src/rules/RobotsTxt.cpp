#include "rules/RobotsTxt.h"

#include <QtGlobal>

#include <cctype>

namespace sf::rules {
namespace {

// Crawlers read at most this much of one line.
constexpr qsizetype kMaxLineLength = 2083 * 8 - 1;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isSpace(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

bool startsWithNoCase(QByteArrayView key, const char* word)
{
    const size_t length = qstrlen(word);
    return static_cast<size_t>(key.size()) >= length && qstrnicmp(key.data(), word, length) == 0;
}

bool equalsNoCase(QByteArrayView key, const char* word)
{
    return static_cast<size_t>(key.size()) == qstrlen(word) && startsWithNoCase(key, word);
}

// Google's parser takes any key that begins with a key or one of its frequent misspellings.
LineKind googleKindOfKey(QByteArrayView key)
{
    for (const char* word : {"user-agent", "useragent", "user agent"}) {
        if (startsWithNoCase(key, word))
            return LineKind::UserAgent;
    }
    if (startsWithNoCase(key, "allow"))
        return LineKind::Allow;
    for (const char* word : {"disallow", "dissallow", "dissalow", "disalow", "diasllow", "disallaw"}) {
        if (startsWithNoCase(key, word))
            return LineKind::Disallow;
    }
    if (startsWithNoCase(key, "sitemap") || startsWithNoCase(key, "site-map"))
        return LineKind::Sitemap;
    return LineKind::Unknown;
}

// RFC 9309 knows the keys only spelled out, in any case.
LineKind kindOfKey(QByteArrayView key)
{
    if (equalsNoCase(key, "user-agent"))
        return LineKind::UserAgent;
    if (equalsNoCase(key, "allow"))
        return LineKind::Allow;
    if (equalsNoCase(key, "disallow"))
        return LineKind::Disallow;
    if (equalsNoCase(key, "sitemap"))
        return LineKind::Sitemap;
    return LineKind::Unknown;
}

// Where Google's parser ends the key: the first ":", or else a run of spaces when exactly two words
// follow.
qsizetype googleSeparatorOf(QByteArrayView content)
{
    const qsizetype colon = content.indexOf(':');
    if (colon >= 0)
        return colon;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    qsizetype space = 0;
    while (space < content.size() && !isBlank(content[space]))
        ++space;
    qsizetype value = space;
    while (value < content.size() && isBlank(content[value]))
        ++value;
    for (qsizetype i = value; i < content.size(); ++i) {
        if (isBlank(content[i]))
            return -1; // more than two words
    }
    return space < content.size() ? space : -1;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool sameTokenNoCase(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

} // namespace

KeyOfLine readKey(QByteArrayView content, KeyReading keys)
{
    KeyOfLine out;
    if (content.isEmpty())
        return out;
    out.separator = keys == KeyReading::Google ? googleSeparatorOf(content) : content.indexOf(':');
    const QByteArrayView key = out.separator >= 0 ? trimmed(content.first(out.separator)) : QByteArrayView();
    if (key.isEmpty()) {
        out.kind = LineKind::Invalid;
        out.separator = -1;
    } else {
        out.kind = keys == KeyReading::Google ? googleKindOfKey(key) : kindOfKey(key);
    }
    return out;
}

bool allowsIndexFolder(QByteArrayView value)
{
    const qsizetype slash = value.lastIndexOf('/');
    return slash >= 0 && value.sliced(slash).startsWith("/index.htm");
}

QByteArray agentToken(QByteArrayView value)
{
    qsizetype end = 0;
    while (end < value.size() &&
           (std::isalpha(static_cast<unsigned char>(value[end])) || value[end] == '-' || value[end] == '_'))
        ++end;
    return value.first(end).toByteArray();
}

QByteArray crawlerToken(QByteArrayView userAgent)
{
    const QByteArray token = agentToken(userAgent.trimmed());
    return token.isEmpty() ? userAgent.trimmed().toByteArray() : token;
}

bool isGlobalAgent(QByteArrayView value)
{
    return value.startsWith('*') && (value.size() == 1 || isSpace(value[1]));
}

QByteArray normalisedPattern(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const auto b = static_cast<unsigned char>(value[i]);
        if (b == '%' && i + 2 < value.size() && isHex(value[i + 1]) && isHex(value[i + 2])) {
            out += '%';
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(value[i + 1])));
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(value[i + 2])));
            i += 2;
        } else if (b >= 0x80) {
            appendPercentEncoded(out, b);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

RobotsTxt::RobotsTxt(QByteArrayView text, KeyReading keys) : m_text(text.toByteArray()), m_keys(keys)
{
    static const char bom[] = "\xEF\xBB\xBF";
    qsizetype start = 0;
    while (start < 3 && start < text.size() && text[start] == bom[start])
        ++start;
    int number = 0;
    bool afterCr = false;
    qsizetype lineStart = start;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\n' && c != '\r')
            continue;
        // The LF of a CR LF pair ends no second line.
        if (!(afterCr && c == '\n' && i == lineStart))
            addLine(++number, lineStart, text.sliced(lineStart, i - lineStart));
        afterCr = c == '\r';
        lineStart = i + 1;
    }
    addLine(++number, lineStart, text.sliced(lineStart));
    assignGroups();
}

void RobotsTxt::addLine(int number, qsizetype offset, QByteArrayView text)
{
    Line line;
    line.number = number;
    line.offset = offset;
    line.text = text.first(std::min(text.size(), kMaxLineLength)).toByteArray();
    const qsizetype hash = line.text.indexOf('#');
    if (hash >= 0)
        line.comment = line.text.sliced(hash);
    const QByteArrayView content =
        trimmed(QByteArrayView(line.text).first(hash >= 0 ? hash : line.text.size()));
    const KeyOfLine key = readKey(content, m_keys);
    line.kind = key.kind;
    if (key.separator >= 0) {
        line.key = trimmed(content.first(key.separator)).toByteArray();
        line.value = trimmed(content.sliced(key.separator + 1)).toByteArray();
    }
    if (m_keys == KeyReading::Rfc9309 && !m_googleOtherwise && !content.isEmpty())
        m_googleOtherwise = readKey(content, KeyReading::Google).kind != line.kind ||
                            (line.kind == LineKind::Allow && allowsIndexFolder(line.value));
    m_lines.push_back(std::move(line));
}

void RobotsTxt::assignGroups()
{
    bool ruleSeen = false; // a rule closes the group: the next user-agent line starts a new one
    for (size_t i = 0; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        if (line.kind == LineKind::UserAgent) {
            if (m_groups.empty() || ruleSeen)
                m_groups.emplace_back();
            ruleSeen = false;
            m_groups.back().agents.push_back(static_cast<int>(i));
        } else if ((line.kind == LineKind::Allow || line.kind == LineKind::Disallow) && !m_groups.empty()) {
            m_groups.back().rules.push_back(static_cast<int>(i));
            ruleSeen = true;
        }
        line.group = static_cast<int>(m_groups.size()) - 1;
    }
}

RuleSet RobotsTxt::rulesFor(QByteArrayView productToken) const
{
    std::vector<bool> specific(m_groups.size()), global(m_groups.size());
    bool anySpecific = false;
    for (size_t g = 0; g < m_groups.size(); ++g) {
        for (const int a : m_groups[g].agents) {
            const QByteArray& value = m_lines[a].value;
            if (isGlobalAgent(value))
                global[g] = true;
            else if (sameTokenNoCase(agentToken(value), productToken))
                specific[g] = anySpecific = true;
        }
    }
    std::vector<Rule> rules;
    for (size_t g = 0; g < m_groups.size(); ++g) {
        if (!(anySpecific ? specific[g] : global[g]))
            continue;
        for (const int r : m_groups[g].rules) {
            const Line& line = m_lines[r];
            const bool allow = line.kind == LineKind::Allow;
            const QByteArray pattern = normalisedPattern(line.value);
            rules.push_back(Rule{pattern.toStdString(), allow, line.number});
            // Google's parser reads "Allow: /dir/index.htm..." as also allowing "/dir/" itself.
            if (allow && m_keys == KeyReading::Google && allowsIndexFolder(pattern))
                rules.push_back(
                    Rule{pattern.first(pattern.lastIndexOf('/') + 1).toStdString() + '$', true, line.number});
        }
    }
    return RuleSet(std::move(rules));
}

Verdict RobotsTxt::check(QByteArrayView productToken, QByteArrayView urlOrPath) const
{
    return rulesFor(productToken).check(urlOrPath);
}

} // namespace sf::rules
