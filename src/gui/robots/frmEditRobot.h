#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sf {

// The robot editor "Spiderfence - Edit Robot": one robot of robots.rbd in 18 text fields, four
// check boxes and a category list. It rewrites the record it was opened on (EditExisting) or
// appends a new one, and asks before changes are lost.
class frmEditRobot : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFieldCount = 18;

    explicit frmEditRobot(QWidget* parent = nullptr);

    // The opening: the category entries, the record to modify (or the initial contents of a new
    // robot), "Apply" disabled, the submission box from the setting "SendRobot".
    void Form_Load();
    // Fills the controls from record EditRecordNumber; false when robots.rbd does not exist.
    bool LoadRobot();

    void Proceed_Click();
    // Closing in any way (Close, Escape, the title bar) ends here: the closing check.
    void reject() override;

private:
    QWidget* createLeftColumn();
    QWidget* createRightColumn();
    QWidget* createBottomRow();
    void setDefaultSize();
    QLabel* addLabel(QGridLayout* grid, int row, int number, const QString& text, bool bold);
    QLineEdit* addField(QGridLayout* grid, int row, int index);
    QCheckBox* makeCheck(const char* name);
    void connectChangeTracking();
    void markChanged();
    // Writes the controls into the current robot record and the record into robots.rbd.
    bool save();
    void storeSendRobot();
    void showSubmissionWindow();
    void lblURL_Click();

    // Controls, named as the program names them.
    QLineEdit* EditField[kFieldCount] = {};
    QCheckBox* Check1 = nullptr; // exclusion protocol
    QCheckBox* Check2 = nullptr; // NOINDEX
    QCheckBox* Check3 = nullptr; // NOFOLLOW
    QCheckBox* Check4 = nullptr; // HTTP From
    QCheckBox* Check5 = nullptr; // open the submission window after saving
    QComboBox* Robot_category = nullptr;
    QPushButton* Proceed = nullptr;
    QPushButton* Cancel = nullptr;
    QLabel* lblURL = nullptr;
};

} // namespace sf
