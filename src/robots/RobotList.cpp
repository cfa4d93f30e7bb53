#include "robots/RobotList.h"

#include "base/CodePage.h"
#include "base/DateSerial.h"
#include "base/FileUtils.h"
#include "robots/RobotState.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace sf {
namespace {

int fieldOffset(const char* name)
{
    return findRobotField(QString::fromLatin1(name))->offset;
}

// The locale's long time format without the time zone, which a stored time does not have.
QString timeFormat(const QLocale& locale)
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(zone);
    return format.trimmed();
}

} // namespace

void RobotList::clear()
{
    std::vector<RobotListEntry>().swap(m_entries);
    m_lastVersion.clear();
    m_exists = false;
}

Result<void> RobotList::load(const QString& path)
{
    clear();
    static const int dateOffset = fieldOffset("Modified_date");
    bool lastRead = false;
    const Result<void> result = ReadRobotList(
        path,
        [this](qint32 listed) {
            m_exists = true;
            m_entries.reserve(static_cast<std::size_t>(listed));
        },
        [this](qint32, const char* data) {
            m_entries.push_back({readFixedText(data + RobotRecord::kNameOffset, RobotRecord::kNameWidth),
                                 readFixedText(data + RobotRecord::kExclusionUserAgentOffset,
                                               RobotRecord::kExclusionUserAgentWidth),
                                 readDouble(data + dateOffset),
                                 readInt16(data + RobotRecord::kCategoryOffset)});
        },
        &lastRead);
    if (lastRead)
        m_lastVersion = CurrentRobot.RobotVersion;
    return result;
}

QString generalDateText(double serial, const QLocale& locale)
{
    if (!std::isfinite(serial))
        return {};
    // The day and the time as the serial holds them: a local date-time would not exist at a
    // midnight that daylight saving skips.
    const QDate day = dateOfSerial(serial);
    const QTime time = timeOfSerial(serial);
    const double whole = std::trunc(serial);
    QString text;
    if (serial == whole)
        text = locale.toString(day, QLocale::ShortFormat);
    else if (whole == 0.0)
        text = locale.toString(time, timeFormat(locale));
    else
        text = locale.toString(day, QLocale::ShortFormat) + QLatin1Char(' ') +
               locale.toString(time, timeFormat(locale));
    return text.trimmed();
}

} // namespace sf
