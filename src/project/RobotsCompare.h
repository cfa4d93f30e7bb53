#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace sf {

// What a robot may crawl that it could not before, or the other way round, when one robots.txt
// replaces another.
struct AccessChange {
    QString agent; // the product token, or "*" for every robot that no group names
    QString path;
    bool nowAllowed = false;
    int oldLine = 0; // the lines that decided, 1-based in each file; 0 when none did
    int newLine = 0;
};

namespace RobotsCompare {

// The URL path of an entry of a remote folder: the folder and the name with what a path segment
// cannot hold percent-encoded (UTF-8); a folder ends in "/", as crawlers request it.
QString entryPath(const QString& folder, const QString& name, bool isFolder);

// Every change between the two files for each robot that either names (and "*"), at each path, in
// robot order and then path order.
QList<AccessChange> compare(const QByteArray& oldFile, const QByteArray& newFile, const QStringList& paths);

// The changes as lines for the user ("GPTBot: /private/ becomes allowed"), at most limit of them.
QString describe(const QList<AccessChange>& changes, int limit);

} // namespace RobotsCompare
} // namespace sf
