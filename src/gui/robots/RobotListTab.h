#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTreeView;

namespace sf {

class RobotListModel;

// The "Robots list" tab of the options window: every robot of robots.rbd in file order, the
// commands that open the robot editor on a new or on the selected robot, and the maintenance command
// that stamps one version into every record.
class RobotListTab : public QWidget {
    Q_OBJECT
public:
    explicit RobotListTab(QWidget* parent = nullptr);

    // Rebuilds the list from robots.rbd, selects the first robot and sets RobotListVersion to the
    // version of the last record.
    void LoadRobotList();

    void Add_Robot_Click();
    void Modify_Robot_Click();
    void SetVersion_Click();

    RobotListModel* model() const { return m_model; }

signals:
    // The list was reloaded; the text is the robot-list version it found.
    void robotListVersionChanged(const QString& version);
    // The set-version command runs: the window's own buttons wait until it ends.
    void maintenanceRunning(bool running);

private:
    QWidget* createMaintenance();
    void openEditor();

    RobotListModel* m_model = nullptr;

    // Controls, named as the program names them.
    QTreeView* ListView1 = nullptr;
    QPushButton* Add_Robot = nullptr;
    QPushButton* Modify_Robot = nullptr;
    QPushButton* Delete_Robot = nullptr;
    QLineEdit* SetRobotVersion = nullptr;
    QPushButton* SetVersion = nullptr;
};

} // namespace sf
