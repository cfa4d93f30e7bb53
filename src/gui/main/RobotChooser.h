#pragma once

#include "robots/RobotChooserList.h"

#include <QAbstractListModel>
#include <QPointer>

class QComboBox;

namespace sf {

// The chooser's entries as a list model: the text, the category picture, and under kUserAgentRole
// the user-agent the entry stands for. It reads the entries straight from RobotChooserList, so that
// a database of 32767 robots costs one compact vector and no item objects.
class RobotChooserModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kPictureRole = Qt::UserRole;
    static constexpr int kUserAgentRole = Qt::UserRole + 1;

    explicit RobotChooserModel(QObject* parent = nullptr);

    // Reloads the entries from the database at path (see RobotChooserList::refresh).
    Result<void> refresh(const QString& path);
    const RobotChooserList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    RobotChooserList m_list;
};

// The main window's robot chooser `robotList`: "All" and one entry per robot of robots.rbd, each
// with its category picture, and UserAgents, the user-agent text of each entry.
class RobotChooser : public QObject {
    Q_OBJECT
public:
    explicit RobotChooser(QComboBox* robotList);

    // Refills the chooser from robots.rbd in the program folder and selects "All". Sets RobotCount
    // and, when the database holds records, RobotListVersion (the version of the last record).
    void RefreshRobotList();
    // The user-agent that names the rule group of the chosen entry: "*" for "All".
    QString selectedUserAgent() const;
    const QStringList& UserAgents() const { return m_model->list().UserAgents(); }
    RobotChooserModel* model() const { return m_model; }

private:
    QPointer<QComboBox> m_robotList;
    RobotChooserModel* m_model;
};

} // namespace sf
