#pragma once

#include "robots/RobotList.h"

#include <QAbstractTableModel>

namespace sf {

// The robot list as a table model: "Robot Name" with the category picture, "Robot Agent" and
// "Modify Date". Rows are records in file order; kRecordNumberRole gives a row's record number.
// Texts are made only for the rows a view asks for, so that 32767 robots cost one compact vector.
class RobotListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRecordNumberRole = Qt::UserRole;
    static constexpr int kCategoryRole = Qt::UserRole + 1;
    enum Column { NameColumn, AgentColumn, DateColumn, ColumnCount };

    explicit RobotListModel(QObject* parent = nullptr);

    Result<void> reload(const QString& path);
    const RobotList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RobotList m_list;
    QLocale m_locale = QLocale::system();
};

} // namespace sf
