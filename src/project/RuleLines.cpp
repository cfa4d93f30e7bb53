#include "project/RuleLines.h"

#include "base/CodePage.h"

namespace sf::RuleGrid {
namespace {

// The last row that names the user-agent, as addRule finds its group; -1 when none does.
int groupHead(const QStringList& rows, const QString& userAgent)
{
    const QString ua = QStringLiteral("User-agent: ") + userAgent;
    for (auto r = static_cast<int>(rows.size()) - 1; r >= 0; --r) {
        if (rows.at(r).contains(ua))
            return r;
    }
    return -1;
}

} // namespace

int addedRuleRow(const QStringList& rows, const QString& userAgent)
{
    const int head = groupHead(rows, userAgent);
    return head < 0 || head + 1 >= rows.size() ? -1 : head + 1;
}

int existingRuleRow(const QStringList& rows, const QString& userAgent, const QString& directory,
                    const QString& entryName, Directive directive)
{
    const int head = groupHead(rows, userAgent);
    if (head < 0)
        return -1;
    QStringList added = rows; // the line exactly as addRule writes it
    if (!addRule(added, userAgent, directory, entryName, directive))
        return -1;
    const QString line = added.at(addedRuleRow(added, userAgent));
    for (int r = head + 1; r < rows.size() && !trimSpaces(rows.at(r)).isEmpty(); ++r) {
        if (rows.at(r) == line)
            return r;
    }
    return -1;
}

} // namespace sf::RuleGrid
