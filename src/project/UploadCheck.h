#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace sf::UploadCheck {

// A search crawler that a robots.txt keeps out of the whole site, and why.
struct ShutOut {
    QString agent;           // the product token checked, or "*"
    int line = 0;            // the deciding line, 1-based
    QString lineText;        // that line as written
    QStringList groupAgents; // the user-agent lines of the group it belongs to, "*" included
};

// The crawlers among "*" and these search robots' user-agents (checked by the token crawlers match)
// that the file keeps out of "/", in that order, each token once.
QList<ShutOut> shutOutAtRoot(const QByteArray& robotsText, const QStringList& searchAgents);

// Whether the grid's body is exactly what "Disallow all Robots" writes: then shutting every crawler
// out is what the user chose.
bool isDisallowAll(const QStringList& rows);

// The stop's text: which search crawlers, the deciding line of each and its group, at most limit.
QString describe(const QList<ShutOut>& shutOut, int limit);

} // namespace sf::UploadCheck
