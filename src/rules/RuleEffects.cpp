#include "rules/RuleEffects.h"

#include "app/Prompt.h"
#include "app/RuleGrid.h"
#include "rules/RuleWriter.h"

#include <QCoreApplication>

namespace sf::robots {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RuleEffects", text);
}

} // namespace

QString nameForDisallowRule(const QString& directory, const QString& name, bool isFolder,
                            const QStringList& folderEntries)
{
    const QString pattern = RuleGrid::disallowPath(directory, name);
    const QStringList also = alsoBlocked(pattern.toLatin1(), directory, folderEntries, name);
    if (also.isEmpty())
        return name;
    const QString list = also.mid(0, 10).join(QStringLiteral(", ")) +
                         (also.size() > 10 ? tr(" and %1 more").arg(also.size() - 10) : QString());
    const QString withSlash = RuleGrid::disallowPath(directory, name + u'/');
    if (isFolder && isExactPattern(withSlash.toLatin1()) &&
        alsoBlocked(withSlash.toLatin1(), directory, folderEntries, name).isEmpty()) {
        const auto answer =
            prompts().message(tr("The rule \"%1\" also blocks %2 in this folder.\n\nWrite \"%3\" "
                                 "instead, which blocks only what is inside the folder?")
                                  .arg(pattern, list, withSlash),
                              Prompt::Buttons::YesNo, Prompt::Icon::Question);
        return answer == Prompt::Answer::Yes ? name + u'/' : name;
    }
    prompts().message(tr("The rule \"%1\" also blocks these entries of this folder: %2.").arg(pattern, list),
                      Prompt::Buttons::Ok, Prompt::Icon::Information);
    return name;
}

} // namespace sf::robots
