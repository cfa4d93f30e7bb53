#pragma once

#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace sf {

class Inet;
class RobotListModel;

// The "Robots list" tab of the options window: every robot of robots.rbd in file order, the
// commands that open the robot editor on a new or on the selected robot, and the maintenance command
// that stamps one version into every record, and the imports of community crawler lists from a
// file or a web address.
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
    // "Import crawler list...": asks for a JSON file of either list and merges it into robots.rbd.
    void Import_List_Click();
    // Fetches the list at the address in txtListUrl, with progress, and merges it the same way.
    void Import_Web_Click();
    // Stops a running download; nothing is imported.
    void Cancel_Import_Click();

    RobotListModel* model() const { return m_model; }

signals:
    // The list was reloaded; the text is the robot-list version it found.
    void robotListVersionChanged(const QString& version);
    // The set-version command runs: the window's own buttons wait until it ends.
    void maintenanceRunning(bool running);
    // An import changed robots.rbd: lists of robots elsewhere should be read again.
    void robotsImported();

private:
    QWidget* createMaintenance();
    QWidget* createImport();
    void openEditor();
    void importList(const QByteArray& json);
    void setDownloading(bool downloading);

    RobotListModel* m_model = nullptr;

    // Controls, named as the program names them.
    QTreeView* ListView1 = nullptr;
    QPushButton* Add_Robot = nullptr;
    QPushButton* Modify_Robot = nullptr;
    QPushButton* Delete_Robot = nullptr;
    QLineEdit* SetRobotVersion = nullptr;
    QPushButton* SetVersion = nullptr;
    QPushButton* Import_List = nullptr;
    QLineEdit* txtListUrl = nullptr;
    QPushButton* Import_Web = nullptr;
    QProgressBar* ImportProgress = nullptr;
    QPushButton* Cancel_Import = nullptr;
    Inet* m_inet = nullptr;
};

} // namespace sf
