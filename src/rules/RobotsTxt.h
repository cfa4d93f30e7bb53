#pragma once

#include "rules/RobotsRules.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace sf::rules {

// How a crawler reads a robots.txt: as RFC 9309 writes it (the keys spelled out and followed by a
// colon), with the reading of the widely used open-source parser where the RFC leaves room; or with
// that parser's own leniencies (KeyReading::Google): misspelt keys ("Dissallow", "Useragent",
// "User agent", "Site-map", any key that begins with one of the keys), a space for a missing colon
// between exactly two words, and "Allow: /dir/index.html" taken as also allowing "/dir/". Everything
// works on the file's bytes.
//
//   RobotsTxt txt(bytes);                       // parse once: lines, groups
//   Verdict v = txt.check("FooBot", "/a/b.html"); // allowed?, deciding line (1-based, 0 = none)
//   RuleSet rules = txt.rulesFor("FooBot");     // the robot's rules, indexed: check many paths fast
//   rules.check("/x"); rules.check("https://host/x?q#frag");
//
// lines() gives every line with its kind, key, value and group, for tools that show or lint the
// file; groups() gives the groups as a crawler forms them.

enum class LineKind { Blank, UserAgent, Allow, Disallow, Sitemap, Unknown, Invalid };
enum class KeyReading { Rfc9309, Google };

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
    explicit RobotsTxt(QByteArrayView text, KeyReading keys = KeyReading::Rfc9309);

    KeyReading keyReading() const { return m_keys; }
    // For the RFC 9309 reading: whether Google's leniencies read some line otherwise (a key it
    // alone takes, or an Allow for an index.html page).
    bool googleReadsOtherwise() const { return m_googleOtherwise; }

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
    KeyReading m_keys = KeyReading::Rfc9309;
    bool m_googleOtherwise = false;
    std::vector<Line> m_lines;
    std::vector<Group> m_groups;
};

// What a line's key and value are to a reading: its kind, and where its key ends (-1: no key).
struct KeyOfLine {
    LineKind kind = LineKind::Blank;
    qsizetype separator = -1;
};
// The line's content is the text before its comment, trimmed.
KeyOfLine readKey(QByteArrayView content, KeyReading keys);
// Whether Google's parser reads an Allow value as also allowing its folder ("/d/index.html" allows "/d/").
bool allowsIndexFolder(QByteArrayView allowValue);

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
