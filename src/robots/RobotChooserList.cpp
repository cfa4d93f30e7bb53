#include "robots/RobotChooserList.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "base/SharedState.h"
#include "robots/RobotState.h"

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

Result<void> RobotChooserList::refresh(const QString& path)
{
    clear();
    bool lastRead = false;
    const Result<void> result = ReadRobotList(
        path,
        [this](qint32 listed) {
            m_entries.reserve(static_cast<std::size_t>(listed) + 1);
            m_userAgents.reserve(listed + 1);
        },
        [this](qint32, const char* data) { addRobot(data); }, &lastRead);
    if (lastRead)
        RobotListVersion = CurrentRobot.RobotVersion;
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
