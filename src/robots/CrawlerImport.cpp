#include "robots/CrawlerImport.h"

#include "base/FileUtils.h"
#include "base/Translate.h"
#include "robots/RobotDatabase.h"
#include "transfer/Inet.h"
#include "transfer/SafeDownload.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <curl/curl.h>

#include <limits>

namespace sf {
namespace {

SF_FILE_TRANSLATIONS("sf::CrawlerImport")

// "1 new robot", "12 new robots": the text for one, or for any other number.
QString counted(int n, const char* one, const char* many)
{
    return n == 1 ? tr(one) : tr(many).arg(n);
}

// The list's facts replace a robot's: every text the list gives, the obedience to robots.txt when the
// list states it, the purpose's category. With fillOnly, only the texts the robot lacks are given,
// and a stated obedience (which the other list never states).
bool applyFacts(RobotRecord& robot, const RobotRecord& listed, bool fillOnly, bool obedienceStated)
{
    const QByteArray before = robot.toData();
    for (const RobotFieldInfo& field : robotFields()) {
        if (field.type != RobotFieldType::Text || field.text == &RobotRecord::Modified_by ||
            field.text == &RobotRecord::RobotVersion || field.text == &RobotRecord::Reserved ||
            field.text == &RobotRecord::Robot_name)
            continue;
        const QString& value = listed.*field.text;
        if (!value.isEmpty() && (!fillOnly || (robot.*field.text).isEmpty()))
            robot.*field.text = value;
    }
    if (obedienceStated)
        robot.Robot_exclusions = listed.Robot_exclusions;
    if (!fillOnly)
        robot.Robot_category = listed.Robot_category;
    return robot.toData() != before;
}

QString keyOf(const RobotRecord& robot)
{
    return robot.Robot_exclusion_useragent.toLower();
}

Result<void> readDatabase(const QString& path, QList<RobotRecord>& robots)
{
    const RobotDatabase database(path);
    if (!database.exists())
        return {};
    robots.reserve(database.count());
    return database.readAll([&](qint32, const char* data) { robots.append(RobotRecord::fromData(data)); });
}

Result<void> writeDatabase(const QString& path, const QList<RobotRecord>& robots)
{
    return SaveFileAtomically(path, [&](QIODevice& file) -> Result<void> {
        QByteArray slot(RobotRecord::kSlotSize, '\0');
        for (const RobotRecord& robot : robots) {
            robot.toData(slot.data());
            if (file.write(slot) != slot.size())
                return Result<void>::failure(
                    tr("Cannot write the robot database: %1").arg(file.errorString()));
        }
        return {};
    });
}

} // namespace

QString CrawlerImportReport::text() const
{
    QStringList parts{counted(added, "1 new robot", "%1 new robots"), tr("%1 updated").arg(updated)};
    if (unchanged > 0)
        parts << tr("%1 already up to date").arg(unchanged);
    parts << tr("%1 kept as you edited them").arg(kept);
    if (invalidTokens > 0)
        parts << tr("%1 skipped: not a valid token").arg(invalidTokens);
    if (notCrawlers > 0)
        parts << tr("%1 skipped: not a crawler").arg(notCrawlers);
    return parts.join(QStringLiteral(", "));
}

void mergeCrawlerList(QList<RobotRecord>& robots, const CrawlerList& list, const CrawlerImportStamp& stamp,
                      CrawlerImportReport& report)
{
    report.invalidTokens += list.invalidTokens;
    report.notCrawlers += list.notCrawlers;
    QHash<QString, qsizetype> index;
    index.reserve(robots.size() + list.robots.size());
    for (qsizetype i = robots.size() - 1; i >= 0; --i) // the first robot of a token answers for it
        index[keyOf(robots[i])] = i;
    const QString mark = importMark(list.format);
    for (const RobotRecord& listed : list.robots) {
        const auto found = index.constFind(keyOf(listed));
        if (found == index.cend()) {
            RobotRecord robot = listed;
            robot.Modified_date = stamp.modifiedDate;
            robot.RobotVersion = stamp.version;
            index.insert(keyOf(robot), robots.size());
            robots.append(std::move(robot));
            ++report.added;
            continue;
        }
        RobotRecord& robot = robots[*found];
        if (!isImportMark(robot.Modified_by)) {
            ++report.kept;
        } else if (applyFacts(robot, listed, robot.Modified_by != mark,
                              list.statedExclusions.contains(keyOf(listed)))) {
            robot.Modified_date = stamp.modifiedDate;
            robot.RobotVersion = stamp.version;
            ++report.updated;
        } else {
            ++report.unchanged;
        }
    }
}

Result<void> importCrawlerList(const QString& databasePath, const QByteArray& json,
                               const CrawlerImportStamp& stamp, CrawlerImportReport& report)
{
    report = CrawlerImportReport{};
    CrawlerList list;
    if (Result<void> read = readCrawlerList(json, list); !read)
        return read;
    QList<RobotRecord> robots;
    if (Result<void> read = readDatabase(databasePath, robots); !read)
        return read;
    mergeCrawlerList(robots, list, stamp, report);
    if (robots.size() > kMaxRobotRecords)
        return Result<void>::failure(
            tr("The robot database would hold %1 robots; it can hold %2. Nothing was imported.")
                .arg(robots.size())
                .arg(kMaxRobotRecords));
    if (report.added == 0 && report.updated == 0)
        return {};
    if (Result<void> written = writeDatabase(databasePath, robots); !written)
        return Result<void>::failure(tr("The robot database was left as it was: %1").arg(written.error));
    report.written = true;
    return {};
}

QString cancelledText()
{
    return tr("The download was cancelled.");
}

Result<void> fetchCrawlerList(Inet& inet, const QString& url, QByteArray& body,
                              const std::function<void(qint64)>& progress)
{
    body.clear();
    inet.SetBodyLimit(kCrawlerListLimit);
    if (!RunGet(inet, url, progress))
        return Result<void>::failure(tr("Another transfer is running."));
    if (inet.ResponseCode() == CURLE_ABORTED_BY_CALLBACK)
        return Result<void>::failure(cancelledText());
    const Result<void> transfer = CheckTransfer(inet);
    if (!transfer.ok)
        return Result<void>::failure(
            tr("Could not download the crawler list from %1: %2").arg(url, transfer.error));
    body = inet.GetChunk(std::numeric_limits<int>::max());
    return {};
}

} // namespace sf
