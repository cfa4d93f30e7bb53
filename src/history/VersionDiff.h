#pragma once

#include "history/PublishHistory.h"
#include "rules/Readings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// How two robots.txt files differ: in their lines, and in what each robot may crawl in each reading.
namespace sf::history {

struct LineChange {
    enum class Kind { Same, Removed, Added };
    Kind kind = Kind::Same;
    int oldLine = 0; // 1-based; 0 for an added line
    int newLine = 0; // 1-based; 0 for a removed line
    QByteArray text; // without the line end
};

// The lines of both files in order, each kept, removed or added: a longest common run of lines, the
// lines between common first and last lines compared whole when there are too many for that.
QList<LineChange> lineDifference(const QByteArray& oldFile, const QByteArray& newFile);

// What a robot may crawl at a path in one reading that it could not before, or the other way round.
struct AccessDifference {
    QString agent; // the product token, "*" for every robot no group names
    QString path;
    rules::Reading reading = rules::Reading::Rfc9309;
    bool nowAllowed = false;
    int oldLine = 0, newLine = 0; // the deciding lines; 0 when none did
};

// The paths the two files speak of: "/" and every rule's path (each "*" read as nothing, a final "$"
// left out), in the order they first appear.
QStringList rulePaths(const QByteArray& oldFile, const QByteArray& newFile);

// For "*" and every robot either file names, at each of rulePaths, in each reading.
QList<AccessDifference> accessDifferences(const QByteArray& oldFile, const QByteArray& newFile);

// The differences for the user, one line per robot, path and change, the readings named where they
// do not all agree: "GPTBot: /private/ becomes blocked (line 7)".
QStringList describeAccess(const QList<AccessDifference>& differences);
// The line difference for the user: "- 4: Disallow: /old/", "+ 4: Disallow: /new/"; kept lines left out.
QStringList describeLines(const QList<LineChange>& changes);

// What a publish changed, in a sentence: "GPTBot may no longer crawl /private/"; the file replaced
// and the one sent (a server that held none: every robot could crawl everything).
QString changeSentence(const ServerFile& replaced, const QByteArray& sent);

} // namespace sf::history
