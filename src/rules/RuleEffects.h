#pragma once

#include <QString>
#include <QStringList>

namespace sf::robots {

// Before "Add rule" writes a Disallow line for a remote entry: when the rule would also block other
// entries of the listed folder, says which; for a folder whose rule with a final "/" would block
// only its contents, offers that form instead. Returns the name to write the rule for: the entry's,
// or the folder's with "/" when the user took the offer.
QString nameForDisallowRule(const QString& directory, const QString& name, bool isFolder,
                            const QStringList& folderEntries);

} // namespace sf::robots
