#pragma once

#include "FuzzInput.h"
#include "robots/CrawlerImport.h"

// Both list readers sit behind one entry that tells the formats apart by their shape; each target
// starts from a corpus of its own list, so the fuzzer works mostly inside that list's reader.
inline void fuzzCrawlerList(const QByteArray& json)
{
    sf::CrawlerList list;
    if (!sf::readCrawlerList(json, list))
        return;
    QList<sf::RobotRecord> robots;
    sf::CrawlerImportReport report;
    sf::mergeCrawlerList(robots, list, {}, report);
    sf::mergeCrawlerList(robots, list, {}, report);
    for (const sf::RobotRecord& robot : robots) {
        if (!sf::isValidRobotToken(robot.Robot_exclusion_useragent))
            __builtin_trap();
        (void)robot.toData();
    }
    (void)report.text();
}
