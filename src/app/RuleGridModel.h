#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace sf {

// The rows of the rule grid as a one-column table for the grid view.
class RuleGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    const QStringList& rows() const { return m_rows; }
    void setRows(const QStringList& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList m_rows;
};

} // namespace sf
