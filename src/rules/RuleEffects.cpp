#include "rules/RuleEffects.h"

#include "rules/RuleWriter.h"

#include <QCoreApplication>

namespace sf::rules {

QString RuleEffect::alsoBlockedList() const
{
    return alsoBlocked.mid(0, 10).join(QStringLiteral(", ")) +
           (alsoBlocked.size() > 10
                ? QCoreApplication::translate("RuleEffects", " and %1 more").arg(alsoBlocked.size() - 10)
                : QString());
}

RuleEffect disallowRuleEffect(const QString& directory, const QString& name, bool isFolder,
                              const QStringList& folderEntries)
{
    RuleEffect effect;
    effect.pattern = disallowPath(directory, name);
    effect.alsoBlocked = alsoBlocked(effect.pattern.toLatin1(), directory, folderEntries, name);
    if (effect.alsoBlocked.isEmpty() || !isFolder)
        return effect;
    const QString withSlash = disallowPath(directory, name + u'/');
    if (isExactPattern(withSlash.toLatin1()) &&
        alsoBlocked(withSlash.toLatin1(), directory, folderEntries, name).isEmpty())
        effect.folderPattern = withSlash;
    return effect;
}

} // namespace sf::rules
