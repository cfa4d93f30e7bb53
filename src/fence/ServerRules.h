#pragma once

#include "base/Result.h"
#include "rules/RobotsTxt.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace sf::fence {

// Web server rules that answer 403 to exactly the requests a robots.txt disallows a chosen robot,
// read as the program's evaluator reads it (RFC 9309): the robot's own group, else "*"; the longest
// matching pattern decides and Allow wins a tie; "*" and a final "$"; the path and query matched
// byte for byte as the crawler sends them. "/robots.txt" itself is never refused. A robot is told
// apart by its product token in the User-Agent header, case-insensitively and as a whole token.
//
//   Result<QByteArray> text = serverRules(ServerKind::Apache, RobotsTxt(bytes), {"Bytespider"});
//   if (!text) show(text.error);   // "line 4: ...": nothing is written that would not hold exactly
enum class ServerKind { Apache, Nginx, Caddy };

// "apache", "nginx", "caddy": the names sfcheck takes.
const char* serverKindName(ServerKind kind);
std::optional<ServerKind> serverKindNamed(QStringView name);

// One Allow or Disallow as the server tries it.
struct FenceRule {
    QByteArray pattern; // normalised; "*" any bytes, a final "$" the end of the request target
    bool allow = false;
    int line = 0; // of robots.txt, 1-based
};

// A robot's rules in the order the server tries them: the first that matches decides (longest
// pattern first, Allow before Disallow of the same length). Empty patterns, which decide nothing,
// and patterns no request can hold (a space or control byte) are left out.
struct RobotFence {
    QByteArray token;
    std::vector<FenceRule> rules;
    std::vector<int> groupLines; // the user-agent lines of the groups it reads; empty: none applies
};

// A rule the server cannot say exactly: the robots.txt line (0 for a token) and why.
struct FenceProblem {
    int line = 0;
    QString why;
    QString text() const;
};

// The robots' rules in deciding order, or the first problem that keeps them from being exact.
Result<std::vector<RobotFence>> planFence(ServerKind kind, const rules::RobotsTxt& txt,
                                          const QList<QByteArray>& tokens, FenceProblem* problem = nullptr);
// The server's rules for the robots: a .htaccess block (marked), an nginx file of maps to include
// in the http block, or a Caddy snippet to import.
Result<QByteArray> serverRules(ServerKind kind, const rules::RobotsTxt& txt, const QList<QByteArray>& tokens);

// Whether the fence refuses a request target ("/path?query") for the token, as robots.txt says.
bool fenceRefuses(const rules::RobotsTxt& txt, QByteArrayView token, QByteArrayView target);

// What the user adds to the server's own configuration to use the written file at `path`.
QString includeAdvice(ServerKind kind, const QString& path);

inline constexpr char kBlockBegin[] = "# BEGIN Spiderfence";
inline constexpr char kBlockEnd[] = "# END Spiderfence";
// The nginx variable that is 1 for a request to refuse, and the Caddy snippet's name.
inline constexpr char kNginxVariable[] = "$spiderfence_refuse";
inline constexpr char kCaddySnippet[] = "spiderfence";

} // namespace sf::fence
