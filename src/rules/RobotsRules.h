#pragma once

#include "rules/ByteTrie.h"

#include <QByteArray>
#include <QByteArrayView>

#include <string>
#include <string_view>
#include <vector>

namespace sf::rules {

struct Verdict {
    bool allowed = true;
    int line = 0; // the line that decided, 1-based; 0 when no line did
};

struct Rule {
    std::string pattern; // normalised; "*" any bytes, a final "$" the end of the path
    bool allow = false;
    int line = 0;
};

// One crawler's rules, indexed by their literal beginnings (or, for those that start with a wildcard,
// by the first literal piece after it) so that a path is checked against the
// few rules that can match it. The longest matching pattern decides; Allow wins a tie.
class RuleSet {
public:
    explicit RuleSet(std::vector<Rule> rules = {});

    // A full URL or a path; only the path, parameters and query are matched (the fragment is not).
    Verdict check(QByteArrayView urlOrPath) const;
    Verdict checkPath(std::string_view path) const;
    const std::vector<Rule>& rules() const { return m_rules; }

private:
    // A trie of keys, each ending at the rules it stands for.
    class Index {
    public:
        void add(std::string_view key, int rule);
        void finish();
        bool empty() const { return m_order.empty(); }
        // Calls visit(rule) for each rule whose key begins the text.
        template <class Visit> void walk(std::string_view text, Visit visit) const;

    private:
        struct Rules {
            int begin = 0, end = 0; // into m_order
        };
        ByteTrie m_trie;
        std::vector<Rules> m_rules;               // by node of m_trie, from finish() on
        std::vector<std::pair<int, int>> m_added; // (node, rule) until finish()
        std::vector<int> m_order;
    };

    std::vector<Rule> m_rules;
    Index m_beginnings; // rules by the literal text they start with
    Index m_inner;      // rules that start with a wildcard, by the first literal piece after it
};

// Whether a normalised pattern matches the beginning of a path (or all of it, with a final "$").
bool patternMatches(std::string_view path, std::string_view pattern);
// Appends "%XX", the byte in upper-case hex.
void appendPercentEncoded(QByteArray& out, unsigned char byte);

// The part of a URL that rules are matched against: path, parameters and query, "/" when empty.
std::string pathOfUrl(std::string_view url);

} // namespace sf::rules
