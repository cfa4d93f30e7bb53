#include "gui/robots/RobotListModel.h"

#include "gui/common/CategoryIcons.h"

namespace sf {

RobotListModel::RobotListModel(QObject* parent) : QAbstractTableModel(parent) {}

Result<void> RobotListModel::reload(const QString& path)
{
    beginResetModel();
    const Result<void> result = m_list.load(path);
    endResetModel();
    return result;
}

int RobotListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.count());
}

int RobotListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RobotListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.count())
        return {};
    const RobotListEntry& entry = m_list.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == NameColumn)
            return entry.name;
        if (index.column() == AgentColumn)
            return entry.userAgent;
        return generalDateText(entry.modified, m_locale);
    case Qt::DecorationRole: {
        if (index.column() != NameColumn)
            return {};
        const QIcon icon = categoryIcon(entry.category);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case kRecordNumberRole:
        return index.row() + 1;
    case kCategoryRole:
        return static_cast<int>(entry.category);
    default:
        return {};
    }
}

QVariant RobotListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Robot Name");
    case AgentColumn:
        return tr("Robot Agent");
    case DateColumn:
        return tr("Modify Date");
    default:
        return {};
    }
}

} // namespace sf
