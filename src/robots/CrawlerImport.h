#pragma once

#include "base/Result.h"
#include "robots/CrawlerList.h"

#include <QList>
#include <QString>

#include <functional>

namespace sf {

class Inet;

// What an import did, robot by robot.
struct CrawlerImportReport {
    int added = 0;
    int updated = 0;
    int unchanged = 0;
    int kept = 0;          // the user's robots (or the reviewed table's), left as they are
    int invalidTokens = 0; // skipped: not a valid token
    int notCrawlers = 0;   // skipped: libraries, scanners and browser tools
    bool written = false;  // whether the database changed on disk

    // "12 new robots, 30 updated, 3 kept as you edited them, 2 skipped: not a valid token".
    QString text() const;
};

// The date and robot-list version that imported and updated records get.
struct CrawlerImportStamp {
    double modifiedDate = 0.0;
    QString version;
};

// Merges a list into robots by exclusion token, case-insensitively: a token not yet there is
// appended; a robot this list's import wrote takes the list's facts; a robot another list's import
// wrote gets only the facts it lacks; every other robot (the user's) is kept as it is.
void mergeCrawlerList(QList<RobotRecord>& robots, const CrawlerList& list, const CrawlerImportStamp& stamp,
                      CrawlerImportReport& report);

// The whole import into a robot database file: reads it, merges the list (JSON of either format)
// and writes the file again only when something changed, through a temporary file, so a refused
// or failed write leaves it as it was. Fails with a message for the user.
Result<void> importCrawlerList(const QString& databasePath, const QByteArray& json,
                               const CrawlerImportStamp& stamp, CrawlerImportReport& report);

// Fetches a list from a web address through the transfer control, letting window events run;
// progress gets the bytes so far. Fails unless the whole body arrived with a success status
// (a cancel fails with cancelledText()), and no larger than kCrawlerListLimit.
inline constexpr qint64 kCrawlerListLimit = qint64(16) * 1024 * 1024;
Result<void> fetchCrawlerList(Inet& inet, const QString& url, QByteArray& body,
                              const std::function<void(qint64)>& progress = {});
QString cancelledText();

} // namespace sf
