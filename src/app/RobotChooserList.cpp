#include "app/RobotChooserList.h"

#include "app/util/CodePage.h"
#include "app/util/FileUtils.h"

#include <QCoreApplication>
#include <QFile>

namespace sf {

RobotChooserList::RobotChooserList()
{
    clear();
}

void RobotChooserList::clear()
{
    std::vector<Entry>().swap(m_entries);
    m_userAgents = QStringList();
    m_entries.push_back({QCoreApplication::translate("sf::RobotChooser", "All"), kCategoryNone});
    m_userAgents.append(QStringLiteral("*"));
}

Result RobotChooserList::refresh(const QString& path)
{
    clear();
    if (!FileExists(path)) {
        RobotCount = 0;
        return {};
    }
    QFile file(path);
    RobotCount = RobotDatabase::countRecords(file.size());
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(
            QCoreApplication::translate("sf::RobotDatabase", "Cannot open the robot database %1: %2")
                .arg(path, file.errorString()));
    const qint32 listed = std::min(RobotCount, kMaxRobotRecords);
    m_entries.reserve(static_cast<std::size_t>(listed) + 1);
    m_userAgents.reserve(listed + 1);
    const Result result = RobotDatabase::readRecords(file, [&](qint32 n, const char* data) {
        addRobot(data);
        if (n == listed) { // the pass ends on this record: it becomes the current one
            CurrentRobot = RobotRecord::fromData(data);
            RobotListVersion = CurrentRobot.RobotVersion;
        }
    });
    return result;
}

void RobotChooserList::addRobot(const char* data)
{
    m_entries.push_back({readFixedText(data + RobotRecord::kNameOffset, RobotRecord::kNameWidth),
                         readInt16(data + RobotRecord::kCategoryOffset)});
    m_userAgents.append(
        readFixedText(data + RobotRecord::kExclusionUserAgentOffset, RobotRecord::kExclusionUserAgentWidth));
}

QString RobotChooserList::text(qsizetype index) const
{
    const Entry& entry = m_entries.at(static_cast<std::size_t>(index));
    if (index == 0)
        return entry.name;
    return entry.name + QStringLiteral(" [") + m_userAgents.at(index) + QStringLiteral("]");
}

} // namespace sf
