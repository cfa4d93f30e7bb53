#pragma once

#include "rules/ByteTrie.h"
#include "rules/RobotsRules.h"
#include "rules/RobotsTxt.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace sf::rules {

// The keys that begin a text, each with the smallest value it was added with: the first of the
// prefixes that match.
class PrefixIndex {
public:
    void add(std::string_view key, int value);
    // The smallest value of the keys that begin the text; -1 when none does.
    int first(std::string_view text) const;

private:
    ByteTrie m_trie;
    std::vector<int> m_values{INT_MAX}; // by node of m_trie
};

// One crawler's rules as a first-match reader reads them.
class FirstMatchRules {
public:
    struct Rule {
        std::string path; // unquoted, parsed as a URL and quoted again, as the reader compares it
        bool allow = false;
        int line = 0;
    };

    // Blocked with no deciding line when the file could not be read or the URL is one the reader's
    // URL parser rejects; allowed with none when no rule of the group matches or no group applies.
    Verdict check(QByteArrayView url) const;
    // The first user-agent line of the group that applies; 0 when none does.
    int groupLine() const { return m_groupLine; }
    const std::vector<Rule>& rules() const { return m_rules; }
    // The group's rule written on that line, if the group has one there.
    const Rule* ruleAt(int line) const;

private:
    friend class FirstMatchFile;
    bool m_refuseAll = false;
    int m_groupLine = 0;
    std::vector<Rule> m_rules;
    PrefixIndex m_index;
};

// How Python 3.11's urllib.robotparser reads a robots.txt, and therefore many scrapers and tools
// built on it: the file is UTF-8 or unreadable (the reader then refuses every URL); lines end at
// every line end Python knows; a blank line ends a group; only "User-agent", "Allow", "Disallow",
// "Crawl-delay", "Request-rate" and "Sitemap" with a colon are read; values are unquoted; a group
// naming "*" is kept only when it is the first such group; a group applies when one of its
// user-agents occurs in the crawler's name (up to a "/"), the named groups in file order before the
// "*" one; in the group, the first rule that the URL starts with decides. "*" and "$" are plain
// characters. Line numbers are the file's lines as the other readings number them.
class FirstMatchFile {
public:
    // What the reader made of a line.
    enum class LineUse : std::uint8_t {
        Unread,       // no line the reader acts on (or after it stopped)
        Agent,        // a user-agent line
        Rule,         // a rule of a group the reader keeps
        NoGroup,      // a rule outside any group for this reader (after a blank line, say)
        DroppedGroup, // a rule of a second "*" group, which the reader drops
        LostGroup,    // a rule of the group the reader was reading when it stopped
    };
    struct Entry {
        std::vector<std::string> agents; // lower case, unquoted
        std::vector<int> agentLines;
        std::vector<FirstMatchRules::Rule> rules;
        bool global = false; // names "*"
    };

    explicit FirstMatchFile(const RobotsTxt& txt);

    bool readable() const { return m_readable; }
    // The line whose value the reader's URL parser rejected, where it stopped reading; 0 if none.
    int stopLine() const { return m_stopLine; }
    LineUse use(int line) const;
    // The groups the reader keeps, in file order; the "*" one is also defaultEntry().
    const std::vector<Entry>& entries() const { return m_entries; }
    const Entry* defaultEntry() const { return m_default >= 0 ? &m_entries[m_default] : nullptr; }
    // The rules for a crawler by its name (a product token or a whole user-agent string).
    FirstMatchRules rulesFor(QByteArrayView crawler) const;

private:
    struct Reader;
    void addEntry(Entry& entry);

    bool m_readable = true;
    int m_stopLine = 0;
    int m_default = -1;
    std::vector<Entry> m_entries;
    std::vector<LineUse> m_use; // by line number
};

} // namespace sf::rules
