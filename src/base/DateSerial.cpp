#include "base/DateSerial.h"

#include <cmath>

namespace sf {
namespace {
const QDate kOrigin(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

bool usable(double serial)
{
    return std::isfinite(serial) && std::fabs(serial) <= 3e6;
}
} // namespace

double toDateSerial(const QDateTime& localTime)
{
    const QDateTime local = localTime.toLocalTime();
    return toDateSerial(local.date(), local.time());
}

double toDateSerial(const QDate& day, const QTime& time)
{
    const double days = static_cast<double>(kOrigin.daysTo(day));
    const double fraction = time.msecsSinceStartOfDay() / kMsPerDay;
    // Before the origin the fraction still counts forward from midnight, as the serials do.
    return days < 0 ? days - fraction : days + fraction;
}

QDate dateOfSerial(double serial)
{
    return usable(serial) ? kOrigin.addDays(static_cast<qint64>(std::trunc(serial))) : kOrigin;
}

QTime timeOfSerial(double serial)
{
    if (!usable(serial))
        return QTime(0, 0);
    const double fraction = std::fabs(serial - std::trunc(serial));
    const auto ms = static_cast<int>(std::llround(fraction * kMsPerDay));
    return QTime::fromMSecsSinceStartOfDay(std::min(ms, 86399999));
}

QDateTime fromDateSerial(double serial)
{
    return QDateTime(dateOfSerial(serial), timeOfSerial(serial));
}

} // namespace sf
