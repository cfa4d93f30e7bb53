#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

namespace sf {

// The rows of the rule grid as a one-column table for the grid view. Rows that crawlers read
// otherwise than meant (the lint's short list) carry a warning picture and say why in their tooltip:
// a finding of many lines is shown on the first of them, with the lines it concerns.
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
    QHash<int, QStringList> m_problems; // row -> what the lint says of it
};

} // namespace sf
