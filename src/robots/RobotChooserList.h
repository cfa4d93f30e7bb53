#pragma once

#include "robots/RobotDatabase.h"

#include <QStringList>

#include <vector>

namespace sf {

// What the robot chooser lists: entry 0 is "All", entry k the k-th record of robots.rbd in file
// order. Beside the entries it keeps UserAgents, the user-agent text each entry stands for ("*"
// for "All"): a rule added for entry k is written under "User-agent: " + UserAgents()[k].
class RobotChooserList {
public:
    RobotChooserList();

    // Lists the robots of the database at path in one pass over the file. Sets RobotCount (0 when
    // the file is missing); when at least one record was read, RobotListVersion becomes the trimmed
    // version of the last record and CurrentRobot holds that record. A missing file lists only
    // "All" and is no failure; a read error keeps the records read before it.
    Result<void> refresh(const QString& path);
    // Leaves only "All" and gives back the memory of the entries.
    void clear();

    qsizetype count() const { return static_cast<qsizetype>(m_entries.size()); }
    // "All", or the robot's name + " [" + its user-agent + "]".
    QString text(qsizetype index) const;
    // The picture number: the robot's category (4 for "All"); may lie outside 1 to 6.
    qint16 picture(qsizetype index) const { return m_entries.at(static_cast<std::size_t>(index)).picture; }
    const QStringList& UserAgents() const { return m_userAgents; }

private:
    struct Entry {
        QString name;
        qint16 picture;
    };
    void addRobot(const char* data);

    std::vector<Entry> m_entries;
    QStringList m_userAgents;
};

} // namespace sf
