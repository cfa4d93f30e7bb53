#pragma once

#include <QString>
#include <QStringList>

namespace sf::RuleGrid {

// What the purpose preset writes after "User-agent: " for a robot of the database: the product token
// crawlers match ("Linguee" for "Linguee Bot"), followed by " # " and the full name when the two
// differ. Empty when no crawler can match the name (it does not begin with a letter, "_" or "-").
QString presetAgentText(const QString& userAgent);

// The agents among these whose token heads a group of the grid already (letter case ignored).
QStringList agentsWithGroup(const QStringList& rows, const QStringList& agents);

struct BlockReport {
    QStringList replaced;  // had a group: blocked there now, or moved into the new group
    QStringList left;      // had a group and kept it as it was, as the user chose
    QStringList unnamable; // no crawler matches the name: not written
};

// Keeps every agent out of the whole site. The agents without a group get one new group at row 5:
// their user-agent lines (see presetAgentText), "Disallow: /" and an empty line. With replaceExisting,
// a group that names only chosen agents gets "Disallow: /" in place of its rules, and a chosen agent
// that shares a group with others leaves it for the new group; without it those groups stay as
// they are.
BlockReport blockAgents(QStringList& rows, const QStringList& agents, bool replaceExisting);

} // namespace sf::RuleGrid
