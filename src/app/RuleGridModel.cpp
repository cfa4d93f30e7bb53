#include "app/RuleGridModel.h"

namespace sf {

void RuleGridModel::setRows(const QStringList& rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

int RuleGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RuleGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant RuleGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_rows.at(index.row());
    return {};
}

} // namespace sf
