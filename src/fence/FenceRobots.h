#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

namespace sf::fence {

// A robot as the fence window offers it: its robots.txt token, what the robot database knows of it.
struct FenceRobot {
    QByteArray token;
    QString name;         // the database's name; empty when the robot is not in it
    QByteArray userAgent; // the full User-Agent header it sends; empty when unknown
    bool known = false;   // in the database
    bool obeys = false;   // the database says it obeys robots.txt
    bool searchEngine = false;
};

// Every robot of the database that has a robots.txt token, once per token (case-insensitively, the
// first record wins), in database order.
std::vector<FenceRobot> databaseRobots(const QString& databasePath);

// The robots the grid's robots.txt names in its groups ("*" left out), once each, with what the
// database knows of them.
std::vector<FenceRobot> gridRobots(const QByteArray& robotsTxt, const std::vector<FenceRobot>& database);

// The database's entry for the token, or nullptr.
const FenceRobot* findRobot(const std::vector<FenceRobot>& robots, QByteArrayView token);

} // namespace sf::fence
