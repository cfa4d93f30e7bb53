#include "gui/main/RobotChooser.h"

#include "gui/common/CategoryIcons.h"

#include <QComboBox>
#include <QListView>

namespace sf {

RobotChooserModel::RobotChooserModel(QObject* parent) : QAbstractListModel(parent) {}

Result<void> RobotChooserModel::refresh(const QString& path)
{
    beginResetModel();
    const Result<void> result = m_list.refresh(path);
    endResetModel();
    return result;
}

int RobotChooserModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.count());
}

QVariant RobotChooserModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.count())
        return {};
    const qsizetype row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_list.text(row);
    case Qt::DecorationRole: {
        const QIcon icon = categoryIcon(m_list.picture(row));
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case kPictureRole:
        return static_cast<int>(m_list.picture(row));
    case kUserAgentRole:
        return m_list.UserAgents().at(row);
    default:
        return {};
    }
}

RobotChooser::RobotChooser(QComboBox* robotList)
    : QObject(robotList), m_robotList(robotList), m_model(new RobotChooserModel(this))
{
    m_robotList->setModel(m_model);
    // Every entry has the same height: the popup then lays out thousands of robots at once.
    if (auto* view = qobject_cast<QListView*>(m_robotList->view()))
        view->setUniformItemSizes(true);
}

void RobotChooser::RefreshRobotList()
{
    const Result<void> result = m_model->refresh(RobotDatabase::defaultPath());
    if (!result)
        qWarning("%s", qPrintable(result.error));
    m_robotList->setCurrentIndex(0);
}

QString RobotChooser::selectedUserAgent() const
{
    const int index = m_robotList ? m_robotList->currentIndex() : -1;
    return UserAgents().value(index, QStringLiteral("*"));
}

} // namespace sf
