#include "fence/ServerRules.h"

#include "base/Translate.h"
#include "fence/ServerRulesText.h"
#include "rules/RobotsRules.h"

#include <algorithm>

namespace sf::fence {
namespace {

SF_FILE_TRANSLATIONS("Fence")

bool isTokenByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Whether a request target can hold every byte of the pattern: no space, no control byte.
bool canBeRequested(const QByteArray& pattern)
{
    return std::none_of(pattern.begin(), pattern.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b <= 0x20 || b == 0x7F;
    });
}

// Why the server cannot refuse exactly the requests the pattern matches, or nothing when it can.
QString patternProblem(ServerKind kind, const QByteArray& pattern)
{
    const qsizetype query = pattern.indexOf('?');
    const QByteArray path = query < 0 ? pattern : pattern.first(query);
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != '%')
            continue;
        if (i + 2 >= path.size() || !isHex(path[i + 1]) || !isHex(path[i + 2]))
            return tr("its path holds a \"%\" that starts no percent-encoded byte; web servers answer "
                      "400 to such requests before reading any rule");
        const QByteArray byte = path.mid(i + 1, 2).toUpper();
        if (kind == ServerKind::Apache && (byte == "2F" || byte == "00"))
            return tr("its path holds \"%%1\"; Apache httpd answers 404 to such requests before it reads "
                      ".htaccess, so they cannot be refused with 403")
                .arg(QString::fromLatin1(byte));
    }
    return {};
}

QString tokenProblem(const QByteArray& token)
{
    if (token.isEmpty())
        return tr("an empty user-agent token names no robot");
    if (!std::all_of(token.begin(), token.end(), isTokenByte))
        return tr("the user-agent token \"%1\" holds more than letters, digits, \"-\" and \"_\", so it "
                  "cannot be told apart as a whole token")
            .arg(QString::fromUtf8(token));
    return {};
}

// The user-agent lines of the groups a token reads (its own, else those of "*").
std::vector<int> groupLinesFor(const rules::RobotsTxt& txt, const QByteArray& token)
{
    std::vector<int> own, global;
    for (const rules::Group& group : txt.groups()) {
        bool named = false, star = false;
        for (const int a : group.agents) {
            const QByteArray& value = txt.lines()[static_cast<size_t>(a)].value;
            star = star || rules::isGlobalAgent(value);
            named = named || rules::agentToken(value).compare(token, Qt::CaseInsensitive) == 0;
        }
        for (const int a : group.agents) {
            if (named || star)
                (named ? own : global).push_back(txt.lines()[static_cast<size_t>(a)].number);
        }
    }
    return own.empty() ? global : own;
}

} // namespace

QString FenceProblem::text() const
{
    return line > 0 ? tr("line %1: %2").arg(line).arg(why) : why;
}

const char* serverKindName(ServerKind kind)
{
    switch (kind) {
    case ServerKind::Apache:
        return "apache";
    case ServerKind::Nginx:
        return "nginx";
    case ServerKind::Caddy:
        return "caddy";
    }
    return "apache";
}

std::optional<ServerKind> serverKindNamed(QStringView name)
{
    for (const ServerKind kind : {ServerKind::Apache, ServerKind::Nginx, ServerKind::Caddy}) {
        if (name.compare(QLatin1String(serverKindName(kind)), Qt::CaseInsensitive) == 0)
            return kind;
    }
    return std::nullopt;
}

Result<std::vector<RobotFence>> planFence(ServerKind kind, const rules::RobotsTxt& txt,
                                          const QList<QByteArray>& tokens, FenceProblem* problem)
{
    const auto refuse = [&](int line, const QString& why) -> Result<std::vector<RobotFence>> {
        const FenceProblem found{line, why};
        if (problem)
            *problem = found;
        return Result<std::vector<RobotFence>>::failure(found.text());
    };
    std::vector<RobotFence> fences;
    for (const QByteArray& token : tokens) {
        if (const QString why = tokenProblem(token); !why.isEmpty())
            return refuse(0, why);
        RobotFence fence{token, {}, groupLinesFor(txt, token)};
        const rules::RuleSet ruleSet = txt.rulesFor(token);
        for (const rules::Rule& rule : ruleSet.rules()) {
            const QByteArray pattern = QByteArray::fromStdString(rule.pattern);
            if (pattern.isEmpty() || !canBeRequested(pattern))
                continue;
            if (const QString why = patternProblem(kind, pattern); !why.isEmpty())
                return refuse(rule.line, why);
            fence.rules.push_back(FenceRule{pattern, rule.allow, rule.line});
        }
        std::stable_sort(fence.rules.begin(), fence.rules.end(), [](const FenceRule& a, const FenceRule& b) {
            return a.pattern.size() != b.pattern.size() ? a.pattern.size() > b.pattern.size()
                                                        : a.allow && !b.allow;
        });
        // Allows after the last Disallow decide what no rule would: leave them out.
        while (!fence.rules.empty() && fence.rules.back().allow)
            fence.rules.pop_back();
        fences.push_back(std::move(fence));
    }
    return fences;
}

Result<QByteArray> serverRules(ServerKind kind, const rules::RobotsTxt& txt, const QList<QByteArray>& tokens)
{
    const Result<std::vector<RobotFence>> plan = planFence(kind, txt, tokens);
    if (!plan)
        return plan.status();
    const FenceText text{txt, plan.value()};
    switch (kind) {
    case ServerKind::Apache:
        return text.apache();
    case ServerKind::Nginx:
        return text.nginx();
    case ServerKind::Caddy:
        return text.caddy();
    }
    return text.apache();
}

bool fenceRefuses(const rules::RobotsTxt& txt, QByteArrayView token, QByteArrayView target)
{
    const std::string path = rules::pathOfUrl(std::string_view(target.data(), target.size()));
    const std::string_view pathOnly = std::string_view(path).substr(0, path.find('?'));
    return pathOnly != "/robots.txt" && !txt.check(token, target).allowed;
}

QString includeAdvice(ServerKind kind, const QString& path)
{
    switch (kind) {
    case ServerKind::Apache:
        return tr("Upload %1 as .htaccess at the top of the site folder (Publish .htaccess does it), or "
                  "merge its marked block into the site's .htaccess.")
            .arg(path);
    case ServerKind::Nginx:
        return tr("Write \"include %1;\" inside the http block of nginx.conf and \"if (%2) { return 403; }\" "
                  "inside the site's server block, then reload nginx.")
            .arg(path, QLatin1String(kNginxVariable));
    case ServerKind::Caddy:
        return tr("Write \"import %1\" at the top of the Caddyfile and \"import %2\" first inside the site's "
                  "block, then reload Caddy.")
            .arg(path, QLatin1String(kCaddySnippet));
    }
    return {};
}

} // namespace sf::fence
