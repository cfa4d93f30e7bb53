#include "fence/ServerRulesText.h"

namespace sf::fence {
namespace {

bool isPlain(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           QByteArrayView("/_-~%=&,:@;").contains(c);
}

QByteArray hexEscape(unsigned char b)
{
    static const char hex[] = "0123456789ABCDEF";
    return QByteArray("\\x") + hex[b >> 4] + hex[b & 15];
}

QByteArray joined(const std::vector<QByteArray>& parts)
{
    if (parts.size() == 1)
        return parts.front();
    QByteArray out = "(?:";
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? "|" : "") + parts[i];
    return out + ')';
}

constexpr char kRobotsTxt[] = "/robots\\.txt";
constexpr char kApacheRequest[] = "^\\S+\\s";
constexpr char kApacheStar[] = "\\S*";
constexpr char kApacheEnd[] = "(?:\\s|$)";

} // namespace

namespace regex {

QByteArray agent(const QByteArray& token)
{
    return "(?:^|[^A-Za-z0-9_-])" + token.toLower() + "(?:[^A-Za-z0-9_-]|$)";
}

QByteArray pattern(const QByteArray& pattern, const char* anyBytes, const char* targetEnd)
{
    const bool anchored = pattern.endsWith('$');
    const QByteArrayView body = QByteArrayView(pattern).first(pattern.size() - (anchored ? 1 : 0));
    QByteArray out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '*') {
            if (i == 0 || body[i - 1] != '*')
                out += anyBytes;
        } else if (isPlain(c)) {
            out += c;
        } else if (QByteArrayView(".?+()[]|^").contains(c)) {
            out += '\\';
            out += c;
        } else {
            out += hexEscape(static_cast<unsigned char>(c));
        }
    }
    return anchored ? out + targetEnd : out;
}

} // namespace regex

std::vector<FenceText::Run> FenceText::runsOf(const RobotFence& fence)
{
    std::vector<Run> runs;
    for (const FenceRule& rule : fence.rules) {
        if (runs.empty() || runs.back().allow != rule.allow)
            runs.push_back(Run{rule.allow, {}});
        runs.back().rules.push_back(&rule);
    }
    return runs;
}

QByteArray FenceText::lineComment(int line) const
{
    QByteArray text = m_txt.lines()[static_cast<size_t>(line - 1)].text.trimmed();
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return "# line " + QByteArray::number(line) + ": " + text;
}

QByteArray FenceText::robotComment(const RobotFence& fence) const
{
    QByteArray text = "# " + fence.token + ": ";
    if (fence.groupLines.empty())
        return text + "no group of robots.txt names it or \"*\"";
    text += "the group of robots.txt line";
    for (size_t i = 0; i < fence.groupLines.size(); ++i)
        text += (i ? ", " : " ") + QByteArray::number(fence.groupLines[i]);
    return fence.rules.empty() ? text + ", which disallows it nothing" : text;
}

QByteArray FenceText::header(const char* comment) const
{
    return QByteArray("# Written by Spiderfence from robots.txt: answers 403 to what robots.txt disallows "
                      "the robots below,\n# as they read it; robots.txt itself is never refused. ") +
           comment + '\n';
}

QByteArray FenceText::apache() const
{
    QByteArray out = QByteArray(kBlockBegin) + '\n' + header("Every other request is left as it was.") +
                     "<IfModule mod_rewrite.c>\nRewriteEngine On\n";
    const QByteArray request = QByteArray(kApacheRequest) + regex::kAbsolutePrefix;
    for (const RobotFence& fence : m_fences) {
        out += robotComment(fence) + '\n';
        if (fence.rules.empty())
            continue;
        const std::vector<Run> runs = runsOf(fence);
        int rest = static_cast<int>(runs.size()) + 1; // the robots.txt rule and the runs
        out += "RewriteCond %{HTTP_USER_AGENT} !" + regex::agent(fence.token) + " [NC]\n";
        out += "RewriteRule ^ - [S=" + QByteArray::number(rest--) + "]\n";
        out += "RewriteCond %{THE_REQUEST} " + request + kRobotsTxt + "(?:[?\\s]|$)\n";
        out += "RewriteRule ^ - [S=" + QByteArray::number(rest--) + "]\n";
        for (const Run& run : runs) {
            for (size_t i = 0; i < run.rules.size(); ++i) {
                out += lineComment(run.rules[i]->line) + '\n';
                out += "RewriteCond %{THE_REQUEST} " + request +
                       regex::pattern(run.rules[i]->pattern, kApacheStar, kApacheEnd) +
                       (i + 1 < run.rules.size() ? " [OR]\n" : "\n");
            }
            out += run.allow ? "RewriteRule ^ - [S=" + QByteArray::number(rest--) + "]\n"
                             : "RewriteRule ^ - [F]\n";
            if (!run.allow)
                --rest;
        }
    }
    return out + "</IfModule>\n" + kBlockEnd + '\n';
}

QByteArray FenceText::nginx() const
{
    QByteArray out = header("Include this file in the http block of nginx.conf, and write in each "
                            "server block:\n#     if ($spiderfence_refuse) { return 403; }");
    QByteArray combined;
    const QByteArray start = QByteArray("\"~^") + regex::kAbsolutePrefix;
    for (size_t r = 0; r < m_fences.size(); ++r) {
        const RobotFence& fence = m_fences[r];
        const QByteArray n = QByteArray::number(r + 1);
        out += '\n' + robotComment(fence) + '\n';
        out += "map $http_user_agent $spiderfence_agent_" + n + " {\n    default 0;\n    \"~*" +
               regex::agent(fence.token) + "\" 1;\n}\n";
        out += "map $request_uri $spiderfence_path_" + n + " {\n    default 0;\n";
        if (!fence.rules.empty())
            out += "    " + start + kRobotsTxt + "(?:\\?|$)\" 0; # robots.txt itself\n";
        for (const FenceRule& rule : fence.rules) {
            out += "    " + start + regex::pattern(rule.pattern, ".*", "$") + "\" " +
                   (rule.allow ? "0" : "1") + "; " + lineComment(rule.line) + '\n';
        }
        out += "}\n";
        combined += (r ? " " : "") + ("$spiderfence_agent_" + n) + ("$spiderfence_path_" + n);
    }
    out += "\n# 1 when a robot above asks for what robots.txt disallows it.\n";
    out += "map \"" + combined + "\" " + kNginxVariable + " {\n    default 0;\n    \"~(?:^| )11\" 1;\n}\n";
    return out;
}

QByteArray FenceText::caddy() const
{
    QByteArray out = header("Import this file at the top of the Caddyfile, and write \"import "
                            "spiderfence\"\n# first in the site block.");
    out += QByteArray("(") + kCaddySnippet + ") {\n";
    const QByteArray start = QByteArray("^") + regex::kAbsolutePrefix;
    for (size_t r = 0; r < m_fences.size(); ++r) {
        const RobotFence& fence = m_fences[r];
        out += '\t' + robotComment(fence) + '\n';
        std::vector<QByteArray> allowed{QByteArray(kRobotsTxt) + "(?:\\?|$)"};
        int matcher = 0;
        for (const Run& run : runsOf(fence)) {
            std::vector<QByteArray> patterns;
            for (const FenceRule* rule : run.rules)
                patterns.push_back(regex::pattern(rule->pattern, ".*", "$"));
            if (run.allow) {
                for (const FenceRule* rule : run.rules)
                    out += '\t' + lineComment(rule->line) + '\n';
                allowed.insert(allowed.end(), patterns.begin(), patterns.end());
                continue;
            }
            const QByteArray name =
                "@spiderfence_" + QByteArray::number(r + 1) + '_' + QByteArray::number(++matcher);
            out += '\t' + name + " {\n";
            for (const FenceRule* rule : run.rules)
                out += "\t\t" + lineComment(rule->line) + '\n';
            out += "\t\theader_regexp User-Agent (?i)" + regex::agent(fence.token) + '\n';
            out += "\t\tvars_regexp {http.request.orig_uri} " + start + joined(patterns) + '\n';
            out += "\t\tnot vars_regexp {http.request.orig_uri} " + start + joined(allowed) + '\n';
            out += "\t}\n\trespond " + name + " 403\n";
        }
    }
    return out + "}\n";
}

} // namespace sf::fence
