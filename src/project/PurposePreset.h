#pragma once

#include <QString>
#include <QStringList>

namespace sf::RuleGrid {

// What the purpose preset writes after "User-agent: " for a robot of the database: a whole word the
// robot announces, so that every reading names it and none of the other robots (their exclusion
// tokens, or the agents of the grid's groups). That is the name up to a "/" ("AI2Bot", never its
// first letters "AI": first-match readers would take "AI" for a part of "Baiduspider"), or for a
// name of several words its first word ("Linguee" for "Linguee Bot"), followed by " # " and the full
// name when the two differ. Empty when no such word exists: the name does not begin with a letter,
// "_" or "-", or its word is also a part of another robot's name for some reading.
QString presetAgentText(const QString& userAgent, const QStringList& otherRobots = {});

// The agents among these whose token heads a group of the grid already (letter case ignored).
QStringList agentsWithGroup(const QStringList& rows, const QStringList& agents);

struct BlockReport {
    QStringList replaced;  // had a group: blocked there now, or moved into the new group
    QStringList left;      // had a group and kept it as it was, as the user chose
    QStringList unnamable; // no crawler matches the name: not written
    QStringList shared;    // no word names the robot without also naming another: not written
};

// Keeps every agent out of the whole site. The agents without a group get one new group at row 5:
// their user-agent lines (see presetAgentText), "Disallow: /" and an empty line. With replaceExisting,
// a group that names only chosen agents gets "Disallow: /" in place of its rules, and a chosen agent
// that shares a group with others leaves it for the new group; without it those groups stay as
// they are. otherRobots are the robots that must keep their access (the database's unticked ones):
// an agent that no line can name without naming one of them, or an agent of the grid's groups, is
// not written (BlockReport::shared).
BlockReport blockAgents(QStringList& rows, const QStringList& agents, bool replaceExisting,
                        const QStringList& otherRobots = {});

} // namespace sf::RuleGrid
