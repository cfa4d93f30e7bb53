#include "app/util/DateSerial.h"

#include <cmath>

namespace sf {
namespace {
const QDate kOrigin(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

double toDateSerial(const QDateTime& localTime)
{
    const QDateTime local = localTime.toLocalTime();
    const double days = static_cast<double>(kOrigin.daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the origin the fraction still counts forward from midnight, as the serials do.
    return days < 0 ? days - fraction : days + fraction;
}

QDateTime fromDateSerial(double serial)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 3e6)
        return QDateTime(kOrigin, QTime(0, 0));
    const double whole = std::trunc(serial);
    const double fraction = std::fabs(serial - whole);
    const auto ms = static_cast<int>(std::llround(fraction * kMsPerDay));
    QDateTime result(kOrigin.addDays(static_cast<qint64>(whole)), QTime(0, 0));
    return result.addMSecs(std::min(ms, 86399999));
}

} // namespace sf
