#include "rules/FirstMatchReading.h"

#include "rules/FirstMatchText.h"

#include <algorithm>

namespace sf::rules {
namespace {

enum class Key { Other, UserAgent, Allow, Disallow, CrawlDelay, RequestRate };

// key.strip().lower() compared with the keys the reader knows; only ASCII can match them.
Key keyOf(std::string_view key)
{
    const auto is = [key](std::string_view word) {
        return key.size() == word.size() &&
               std::equal(key.begin(), key.end(), word.begin(), [](char a, char b) {
                   return (a >= 'A' && a <= 'Z' ? static_cast<char>(a + 32) : a) == b;
               });
    };
    if (is("user-agent"))
        return Key::UserAgent;
    if (is("allow"))
        return Key::Allow;
    if (is("disallow"))
        return Key::Disallow;
    if (is("crawl-delay"))
        return Key::CrawlDelay;
    if (is("request-rate"))
        return Key::RequestRate;
    return Key::Other;
}

// Whether int() raises on a value the reader converts (Crawl-delay, each number of Request-rate).
bool conversionFails(Key key, std::string_view value)
{
    bool digits = false;
    if (key == Key::CrawlDelay)
        return firstmatch::digitsRejected(value, digits);
    const size_t slash = value.find('/');
    if (slash == std::string_view::npos || value.find('/', slash + 1) != std::string_view::npos)
        return false;
    bool firstDigits = false, secondDigits = false;
    const bool first = firstmatch::digitsRejected(value.substr(0, slash), firstDigits);
    const bool second = firstmatch::digitsRejected(value.substr(slash + 1), secondDigits);
    return firstDigits && secondDigits && (first || second);
}

// A path that the reader's unquoting, parsing and quoting leave as it is: "/" and the bytes quote()
// keeps, not starting with "//" (which would be a host).
bool isPlainPath(std::string_view url)
{
    return url.starts_with('/') && !url.starts_with("//") && std::all_of(url.begin(), url.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
           });
}

} // namespace

void PrefixIndex::add(std::string_view key, int value)
{
    const int node = m_trie.insert(key);
    m_values.resize(static_cast<size_t>(m_trie.size()), INT_MAX);
    m_values[static_cast<size_t>(node)] = std::min(m_values[static_cast<size_t>(node)], value);
}

int PrefixIndex::first(std::string_view text) const
{
    int best = m_values[0];
    int node = 0;
    for (size_t i = 0; i < text.size() && node >= 0; ++i) {
        node = m_trie.child(node, text[i]);
        if (node >= 0)
            best = std::min(best, m_values[static_cast<size_t>(node)]);
    }
    return best == INT_MAX ? -1 : best;
}

Verdict FirstMatchRules::check(QByteArrayView url) const
{
    if (m_refuseAll)
        return Verdict{false, 0};
    // The URL is parsed before any group is looked at.
    const std::string_view raw(url.data(), static_cast<size_t>(url.size()));
    std::optional<std::string> parsed;
    if (!isPlainPath(raw) && !(parsed = firstmatch::requestPath(raw)))
        return Verdict{false, 0};
    if (m_rules.empty())
        return Verdict{true, 0};
    const int rule = m_index.first(parsed ? std::string_view(*parsed) : raw);
    return rule < 0 ? Verdict{true, 0} : Verdict{m_rules[rule].allow, m_rules[rule].line};
}

const FirstMatchRules::Rule* FirstMatchRules::ruleAt(int line) const
{
    const auto found = std::lower_bound(m_rules.begin(), m_rules.end(), line,
                                        [](const Rule& rule, int l) { return rule.line < l; });
    return found != m_rules.end() && found->line == line ? &*found : nullptr;
}

// The reader's state machine over the lines, as robotparser's parse() runs it.
struct FirstMatchFile::Reader {
    FirstMatchFile& file;
    int state = 0; // 0: before a group, 1: after user-agent lines, 2: after a rule
    Entry entry;

    void setUse(int line, LineUse use) { file.m_use[static_cast<size_t>(line)] = use; }
    void closeEntry()
    {
        file.addEntry(entry);
        entry = Entry{};
    }
    void blankLine()
    {
        if (state == 2)
            closeEntry();
        entry = Entry{};
        state = 0;
    }
    // False where the reader stops: a value its URL parser or int() rejects.
    bool keyValue(Key key, std::string value, int line);
};

bool FirstMatchFile::Reader::keyValue(Key key, std::string value, int line)
{
    if (key == Key::UserAgent) {
        if (state == 2)
            closeEntry();
        entry.global = entry.global || value == "*";
        entry.agents.push_back(firstmatch::lower(value));
        entry.agentLines.push_back(line);
        setUse(line, LineUse::Agent);
        state = 1;
    } else if ((key == Key::Allow || key == Key::Disallow) && state == 0) {
        setUse(line, LineUse::NoGroup);
    } else if (key == Key::Allow || key == Key::Disallow) {
        const std::optional<std::string> path = firstmatch::reparse(value);
        if (!path)
            return false;
        // An empty Disallow allows everything.
        entry.rules.push_back({firstmatch::quote(*path), key == Key::Allow || value.empty(), line});
        state = 2;
    } else if ((key == Key::CrawlDelay || key == Key::RequestRate) && state != 0) {
        if (conversionFails(key, value))
            return false;
        state = 2;
    }
    return true;
}

FirstMatchFile::FirstMatchFile(const RobotsTxt& txt)
{
    const std::vector<Line>& lines = txt.lines();
    m_use.resize(lines.size() + 1, LineUse::Unread);
    const std::string_view bytes(txt.text().constData(), static_cast<size_t>(txt.text().size()));
    m_readable = firstmatch::isValidUtf8(bytes);
    if (!m_readable)
        return;
    Reader reader{*this, 0, Entry{}};
    size_t fileLine = 0; // index into lines of the line that holds the reader's line
    for (const firstmatch::TextLine& textLine : firstmatch::splitLines(bytes)) {
        while (fileLine + 1 < lines.size() &&
               lines[fileLine + 1].offset <= static_cast<qsizetype>(textLine.offset))
            ++fileLine;
        const int number = lines[fileLine].number;
        std::string_view text = textLine.text;
        if (text.empty())
            reader.blankLine();
        text = firstmatch::strip(text.substr(0, text.find('#')));
        const size_t colon = text.find(':');
        if (text.empty() || colon == std::string_view::npos)
            continue;
        const Key key = keyOf(firstmatch::strip(text.substr(0, colon)));
        if (!reader.keyValue(key, firstmatch::unquote(firstmatch::strip(text.substr(colon + 1))), number)) {
            for (const FirstMatchRules::Rule& rule : reader.entry.rules)
                m_use[static_cast<size_t>(rule.line)] = LineUse::LostGroup;
            m_stopLine = number;
            return;
        }
    }
    if (reader.state == 2)
        reader.closeEntry();
}

void FirstMatchFile::addEntry(Entry& entry)
{
    const bool dropped = entry.global && m_default >= 0;
    for (const FirstMatchRules::Rule& rule : entry.rules)
        m_use[static_cast<size_t>(rule.line)] = dropped ? LineUse::DroppedGroup : LineUse::Rule;
    if (dropped)
        return;
    if (entry.global)
        m_default = static_cast<int>(m_entries.size());
    m_entries.push_back(std::move(entry));
}

FirstMatchFile::LineUse FirstMatchFile::use(int line) const
{
    return line > 0 && static_cast<size_t>(line) < m_use.size() ? m_use[static_cast<size_t>(line)]
                                                                : LineUse::Unread;
}

FirstMatchRules FirstMatchFile::rulesFor(QByteArrayView crawler) const
{
    FirstMatchRules out;
    out.m_refuseAll = !m_readable;
    const std::string whole =
        firstmatch::replaceInvalidUtf8(std::string_view(crawler.data(), crawler.size()));
    const std::string name = firstmatch::lower(std::string_view(whole).substr(0, whole.find('/')));
    const Entry* applies = defaultEntry();
    for (const Entry& entry : m_entries) {
        if (!entry.global &&
            std::any_of(entry.agents.begin(), entry.agents.end(),
                        [&](const std::string& agent) { return name.find(agent) != std::string::npos; })) {
            applies = &entry;
            break;
        }
    }
    if (!applies)
        return out;
    out.m_groupLine = applies->agentLines.front();
    out.m_rules = applies->rules;
    for (size_t r = 0; r < out.m_rules.size(); ++r)
        out.m_index.add(out.m_rules[r].path, static_cast<int>(r));
    return out;
}

} // namespace sf::rules
