#pragma once

#include <QString>
#include <QStringList>

namespace sf::rules {

// What a Disallow line for a remote entry would do to the other entries of the listed folder, worked
// out before "Add rule" writes it.
struct RuleEffect {
    QString pattern;         // the Disallow value written for the entry
    QStringList alsoBlocked; // other entries of the folder that the pattern blocks too
    // For a folder: the pattern with a final "/", when it would block only what is inside the folder
    // (and so nothing else of the listed folder); empty when there is no such offer.
    QString folderPattern;

    bool blocksOthers() const { return !alsoBlocked.isEmpty(); }
    // The blocked names for a message: the first ten, then " and N more".
    QString alsoBlockedList() const;
};

RuleEffect disallowRuleEffect(const QString& directory, const QString& name, bool isFolder,
                              const QStringList& folderEntries);

} // namespace sf::rules
