#pragma once

#include "fence/ServerRules.h"

#include <QByteArray>

#include <vector>

namespace sf::fence {

// Writes planned fences in each server's syntax (see ServerRules.h for what they mean).
class FenceText {
public:
    FenceText(const rules::RobotsTxt& txt, const std::vector<RobotFence>& fences)
        : m_txt(txt), m_fences(fences)
    {
    }

    QByteArray apache() const;
    QByteArray nginx() const;
    QByteArray caddy() const;

private:
    // Runs of rules of one kind, in deciding order.
    struct Run {
        bool allow = false;
        std::vector<const FenceRule*> rules;
    };
    static std::vector<Run> runsOf(const RobotFence& fence);
    // "# line 4: Disallow: /a", the line as robots.txt has it, made safe for a comment.
    QByteArray lineComment(int line) const;
    QByteArray robotComment(const RobotFence& fence) const;
    QByteArray header(const char* comment) const;

    const rules::RobotsTxt& m_txt;
    const std::vector<RobotFence>& m_fences;
};

// The pieces of the regular expressions the servers match (PCRE for Apache and nginx, RE2 for Caddy).
namespace regex {
// A case-insensitive match of the token as a whole word of the User-Agent header.
QByteArray agent(const QByteArray& token);
// A pattern over the request target. anyBytes is what "*" becomes; targetEnd what a final "$" becomes.
QByteArray pattern(const QByteArray& pattern, const char* anyBytes, const char* targetEnd);
// What may come before the path: the scheme and host of a request in absolute form.
inline constexpr char kAbsolutePrefix[] = "(?:[A-Za-z][A-Za-z0-9+.-]*://[^/?\\s]*)?";
} // namespace regex

} // namespace sf::fence
