#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace sf {

// The "Project Options" tab of the options window: the robots.txt header and default upload folder
// of the open project, the three program settings, and the project's connection and transfer modes.
class ProjectOptionsTab : public QWidget {
    Q_OBJECT
public:
    explicit ProjectOptionsTab(QWidget* parent = nullptr);

    // Enables or disables the controls that belong to a project.
    void setProjectControlsEnabled(bool enabled);

    // Controls, named as the program names them.
    QLabel* Label8 = nullptr;
    QLineEdit* Text1 = nullptr; // robots.txt header
    QLabel* Label9 = nullptr;
    QLineEdit* Text2 = nullptr; // default remote directory
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QGroupBox* Frame3 = nullptr; // "Connection Mode"
    QRadioButton* optActive = nullptr;
    QRadioButton* optPassive = nullptr;
    QGroupBox* Frame2 = nullptr; // "File Transfer Mode"
    QRadioButton* optBin = nullptr;
    QRadioButton* optAscii = nullptr;

private:
    QWidget* createProjectBox();
    QWidget* createSettingsBox();
    QWidget* createModes();
};

} // namespace sf
