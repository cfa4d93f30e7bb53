#include "fence/FenceProof.h"

#include "base/Translate.h"
#include "fence/ServerRules.h"
#include "transfer/Inet.h"

#include <QCoreApplication>

namespace sf::fence {
namespace {

SF_FILE_TRANSLATIONS("Fence")

// A path the pattern matches: "*" filled with one letter, a final "$" dropped.
QByteArray filledIn(QByteArray pattern)
{
    if (pattern.endsWith('$'))
        pattern.chop(1);
    pattern.replace('*', "x");
    return pattern.startsWith('/') ? pattern : QByteArray();
}

} // namespace

QList<QByteArray> sampleTargets(const rules::RobotsTxt& txt, const QList<QByteArray>& tokens,
                                const QList<QByteArray>& more)
{
    QList<QByteArray> targets{"/", "/robots.txt"};
    const auto add = [&](const QByteArray& target) {
        if (!target.isEmpty() && !targets.contains(target))
            targets << target;
    };
    for (const QByteArray& token : tokens) {
        const rules::RuleSet rules = txt.rulesFor(token);
        for (const rules::Rule& rule : rules.rules())
            add(filledIn(QByteArray::fromStdString(rule.pattern)));
    }
    for (const QByteArray& target : more)
        add(target.trimmed());
    return targets;
}

Statuses FenceProof::fetchAll(const StatusFetch& fetch) const
{
    Statuses statuses;
    for (const ProofVisitor& visitor : m_visitors) {
        for (const QByteArray& target : m_targets)
            statuses[visitor.name][target] = fetch(target, visitor.userAgent);
    }
    return statuses;
}

std::vector<ProofRow> FenceProof::judge(const Statuses& now, const Statuses& before) const
{
    std::vector<ProofRow> rows;
    for (const ProofVisitor& visitor : m_visitors) {
        ProofRow row;
        row.visitor = visitor.name;
        row.fenced = !visitor.token.isEmpty();
        const auto got = now.find(visitor.name);
        const auto was = before.find(visitor.name);
        // A 403 that is not the fence's: the server gave it before the publish, or gives it to a
        // browser as well (a protected folder, a file the server never serves).
        const auto refusedAnyway = [&](const QByteArray& target) {
            const auto statusIn = [&](const Statuses& statuses, const QString& name) {
                const auto of = statuses.find(name);
                if (of == statuses.end())
                    return 0;
                const auto at = of->second.find(target);
                return at == of->second.end() ? 0 : at->second;
            };
            return statusIn(before, visitor.name) == 403 || statusIn(now, QStringLiteral("browser")) == 403;
        };
        for (const QByteArray& target : m_targets) {
            const int status = got == now.end() ? 0 : got->second.at(target);
            ++row.tried;
            row.serverErrors += status >= 500 ? 1 : 0;
            QString why;
            if (status == 0) {
                why = tr("no answer");
            } else if (row.fenced) {
                const bool refuse = fenceRefuses(m_txt, visitor.token, target);
                if (refuse && status != 403)
                    why = tr("%1, robots.txt disallows it").arg(status);
                else if (!refuse && status == 403 && !refusedAnyway(target))
                    why = tr("%1, robots.txt allows it").arg(status);
            } else if (was != before.end() && was->second.count(target)) {
                if (const int earlier = was->second.at(target); earlier != status)
                    why = tr("%1, before %2").arg(status).arg(earlier);
            } else if (status == 403 || status >= 500) {
                why = QString::number(status);
            }
            if (why.isEmpty())
                ++row.asExpected;
            else if (row.differences.size() < kShownDifferences)
                row.differences << QStringLiteral("%1: %2").arg(QString::fromUtf8(target), why);
        }
        rows.push_back(row);
    }
    return rows;
}

bool FenceProof::browserBroken(const Statuses& now, int* status, QByteArray* target)
{
    const auto browser = now.find(QStringLiteral("browser"));
    if (browser == now.end())
        return false;
    for (const auto& [path, code] : browser->second) {
        if (code >= 500) {
            if (status)
                *status = code;
            if (target)
                *target = path;
            return true;
        }
    }
    return false;
}

} // namespace sf::fence

namespace sf::fence {

int fetchStatus(const QString& siteAddress, const QByteArray& target, const QByteArray& userAgent)
{
    QString base = siteAddress.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    Inet inet;
    inet.SetFollowRedirects(false);
    inet.SetRequestTimeout(20);
    if (!inet.Execute(base + QString::fromLatin1(target), QStringLiteral("GET"), {},
                      QStringLiteral("User-Agent: ") + QString::fromLatin1(userAgent)))
        return 0;
    while (inet.StillExecuting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return static_cast<int>(inet.HttpStatus());
}

} // namespace sf::fence
