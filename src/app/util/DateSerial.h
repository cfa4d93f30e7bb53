#pragma once

#include <QDateTime>

// Dates are stored as days since 1899-12-30 in local time, the fraction being the time of day.
namespace sf {

double toDateSerial(const QDateTime& localTime);
QDateTime fromDateSerial(double serial);

} // namespace sf
