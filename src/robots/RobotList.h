#pragma once

#include "robots/RobotDatabase.h"

#include <QLocale>
#include <QString>

#include <vector>

namespace sf {

// One entry of the options window's robot list: what it shows of a record.
struct RobotListEntry {
    QString name;      // Robot_name, trimmed
    QString userAgent; // Robot_exclusion_useragent, trimmed
    double modified = 0.0;
    qint16 category = 0;
};

// Every record of robots.rbd in file order, read in one pass. Entry i is record i + 1.
class RobotList {
public:
    // Reads the database at path. Sets RobotCount (0 when the file is missing); when a record was
    // read, CurrentRobot holds the last one and lastVersion() its trimmed version. A read error keeps
    // the entries read before it.
    Result<void> load(const QString& path);
    void clear();

    bool databaseExists() const { return m_exists; }
    const std::vector<RobotListEntry>& entries() const { return m_entries; }
    qsizetype count() const { return static_cast<qsizetype>(m_entries.size()); }
    const RobotListEntry& at(qsizetype index) const { return m_entries.at(static_cast<std::size_t>(index)); }
    QString lastVersion() const { return m_lastVersion; }

private:
    std::vector<RobotListEntry> m_entries;
    QString m_lastVersion;
    bool m_exists = false;
};

// A date serial as the locale writes a general date: the date alone when the time of day is zero,
// the time alone when the date part is zero, else both.
QString generalDateText(double serial, const QLocale& locale = QLocale::system());

} // namespace sf
