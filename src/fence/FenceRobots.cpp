#include "fence/FenceRobots.h"

#include "robots/RobotDatabase.h"
#include "robots/RobotRecord.h"
#include "rules/RobotsTxt.h"

namespace sf::fence {

namespace {
constexpr qint16 kSearchCategory = 6;
}

const FenceRobot* findRobot(const std::vector<FenceRobot>& robots, QByteArrayView token)
{
    for (const FenceRobot& robot : robots)
        if (robot.token.compare(token, Qt::CaseInsensitive) == 0)
            return &robot;
    return nullptr;
}

std::vector<FenceRobot> databaseRobots(const QString& databasePath)
{
    std::vector<FenceRobot> robots;
    const RobotDatabase database(databasePath);
    if (!database.exists())
        return robots;
    // A database that cannot be read whole still offers the robots read before the fault.
    (void)database.readAll([&](qint32, const char* data) {
        const RobotRecord record = RobotRecord::fromData(data);
        const QByteArray token = rules::agentToken(record.Robot_exclusion_useragent.toUtf8());
        if (token.isEmpty() || token == "*" || findRobot(robots, token))
            return;
        robots.push_back({token, record.Robot_name, record.Robot_useragent.trimmed().toUtf8(), true,
                          isYes(record.Robot_exclusions),
                          record.Robot_category == kSearchCategory ||
                              record.Robot_purpose == QLatin1String("search engine")});
    });
    return robots;
}

std::vector<FenceRobot> gridRobots(const QByteArray& robotsTxt, const std::vector<FenceRobot>& database)
{
    const rules::RobotsTxt txt(robotsTxt);
    std::vector<FenceRobot> robots;
    for (const rules::Line& line : txt.lines()) {
        if (line.kind != rules::LineKind::UserAgent || rules::isGlobalAgent(line.value))
            continue;
        const QByteArray token = rules::agentToken(line.value);
        if (token.isEmpty() || findRobot(robots, token))
            continue;
        const FenceRobot* known = findRobot(database, token);
        robots.push_back(known ? *known : FenceRobot{token, {}, {}, false, false, false});
    }
    return robots;
}

} // namespace sf::fence
