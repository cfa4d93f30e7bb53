#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <string>
#include <string_view>
#include <vector>

namespace sf::robots {

struct Verdict {
    bool allowed = true;
    int line = 0; // the line that decided, 1-based; 0 when no line did
};

struct Rule {
    std::string pattern; // normalised; "*" any bytes, a final "$" the end of the path
    bool allow = false;
    int line = 0;
};

// One crawler's rules, indexed by their literal beginnings so that a path is checked against the
// few rules that can match it. The longest matching pattern decides; Allow wins a tie.
class RuleSet {
public:
    explicit RuleSet(std::vector<Rule> rules = {});

    // A full URL or a path; only the path, parameters and query are matched (the fragment is not).
    Verdict check(QByteArrayView urlOrPath) const;
    Verdict checkPath(std::string_view path) const;
    const std::vector<Rule>& rules() const { return m_rules; }

private:
    struct Node {
        char byte = 0;
        int firstChild = -1;
        int nextSibling = -1;
        int rulesBegin = 0, rulesEnd = 0; // into m_order: rules whose literal beginning ends here
    };
    int child(int node, char byte) const;
    int addChild(int node, char byte);
    void index();

    std::vector<Rule> m_rules;
    std::vector<Node> m_nodes;
    std::vector<int> m_order;
};

// Whether a normalised pattern matches the beginning of a path (or all of it, with a final "$").
bool patternMatches(std::string_view path, std::string_view pattern);
// Appends "%XX", the byte in upper-case hex.
void appendPercentEncoded(QByteArray& out, unsigned char byte);

// The part of a URL that rules are matched against: path, parameters and query, "/" when empty.
std::string pathOfUrl(std::string_view url);

} // namespace sf::robots
