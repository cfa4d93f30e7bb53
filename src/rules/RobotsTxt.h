#pragma once

#include "rules/RobotsRules.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace sf::rules {

// How a crawler reads a robots.txt (RFC 9309, with the reading of the widely used open-source
// parser where the RFC leaves room). Everything works on the file's bytes.
//
//   RobotsTxt txt(bytes);                       // parse once: lines, groups
//   Verdict v = txt.check("FooBot", "/a/b.html"); // allowed?, deciding line (1-based, 0 = none)
//   RuleSet rules = txt.rulesFor("FooBot");     // the robot's rules, indexed: check many paths fast
//   rules.check("/x"); rules.check("https://host/x?q#frag");
//
// lines() gives every line with its kind, key, value and group, for tools that show or lint the
// file; groups() gives the groups as a crawler forms them.

enum class LineKind { Blank, UserAgent, Allow, Disallow, Sitemap, Unknown, Invalid };

struct Line {
    int number = 0;       // 1-based
    qsizetype offset = 0; // of the line's first byte in the file
    LineKind kind = LineKind::Blank;
    QByteArray text;    // the line as written, without its line end
    QByteArray key;     // trimmed, as written
    QByteArray value;   // trimmed, without the comment
    QByteArray comment; // from "#" on, empty when there is none
    int group = -1;     // index into groups(); -1 for lines before the first user-agent
};

struct Group {
    std::vector<int> agents; // indices into lines() of the user-agent lines
    std::vector<int> rules;  // indices into lines() of the Allow and Disallow lines
};

class RobotsTxt {
public:
    RobotsTxt() = default;
    explicit RobotsTxt(QByteArrayView text);

    // The file's bytes as given, for readings that split them otherwise.
    const QByteArray& text() const { return m_text; }
    const std::vector<Line>& lines() const { return m_lines; }
    const std::vector<Group>& groups() const { return m_groups; }

    // The rules that apply to a crawler with this product token: those of the groups naming it
    // (case-insensitively), else those of the "*" groups.
    RuleSet rulesFor(QByteArrayView productToken) const;
    Verdict check(QByteArrayView productToken, QByteArrayView urlOrPath) const;

private:
    void addLine(int number, qsizetype offset, QByteArrayView text);
    void assignGroups();

    QByteArray m_text;
    std::vector<Line> m_lines;
    std::vector<Group> m_groups;
};

// The token a user-agent line names: its leading letters, "_" and "-" ("FooBot/1.0" is "FooBot").
QByteArray agentToken(QByteArrayView userAgentValue);
// The token to check a robot by, from the user-agent text that heads its group: its agentToken, or
// the text itself when that is empty ("*" checks the rules every crawler reads).
QByteArray crawlerToken(QByteArrayView userAgent);
// Whether a user-agent value is the "*" of every crawler ("*" alone or followed by a space).
bool isGlobalAgent(QByteArrayView userAgentValue);
// An Allow or Disallow value as it is matched: bytes above 0x7F percent-encoded, the hex digits of
// every existing "%XX" in upper case.
QByteArray normalisedPattern(QByteArrayView value);

} // namespace sf::rules
