#pragma once

#include "gui/options/OptionsHost.h"

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace sf {

class AboutTab;
class ProjectOptionsTab;
class RobotListTab;
class UpdateTab;

// The options window "Spiderfence - Options": the project's options and the program settings, the
// robot list, the update functions and the about page on four tabs, with "Apply" and "Close".
// Made afresh for each opening and shown modally over the window that opens it, which it sees as an
// OptionsHost.
class frmOption : public QDialog {
    Q_OBJECT
public:
    enum Tab { ProjectOptions, RobotsList, Update, About, TabCount };

    frmOption(OptionsHost& host, QWidget* parent);

    // The opening: fills every tab, shows tab OptionsStartTab, starts the update check when
    // CheckOnlineOnOpen is set, and clears both.
    void Form_Load();
    // "Apply": stores the header and the three settings, then closes.
    void Proceed_Click();
    // Closing in any way stops a running download.
    void done(int result) override;

    ProjectOptionsTab* projectOptions() const { return m_project; }
    RobotListTab* robotList() const { return m_robots; }
    UpdateTab* update() const { return m_update; }
    AboutTab* about() const { return m_about; }

private:
    // Apply: the site folder and the site address into the project.
    void storeSite();
    QWidget* createButtons();
    void connectTabs();

    // Controls, named as the program names them.
    QTabWidget* SSTab1 = nullptr;
    QPushButton* Proceed = nullptr;
    QPushButton* Cancel = nullptr;

    OptionsHost& m_host;
    ProjectOptionsTab* m_project = nullptr;
    RobotListTab* m_robots = nullptr;
    UpdateTab* m_update = nullptr;
    AboutTab* m_about = nullptr;
};

} // namespace sf
