#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// Dates are stored as days since 1899-12-30 in local time, the fraction being the time of day.
// The day and time of a serial are worked out without a local date-time in between: where daylight
// saving starts at midnight, a day has no local midnight, and such a date-time is invalid.
namespace sf {

double toDateSerial(const QDateTime& localTime);
double toDateSerial(const QDate& day, const QTime& time = QTime(0, 0));
QDateTime fromDateSerial(double serial);
QDate dateOfSerial(double serial);
QTime timeOfSerial(double serial);

} // namespace sf
