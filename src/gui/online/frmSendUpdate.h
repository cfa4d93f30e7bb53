#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sf {

class Inet;
class InetStatus;

// "Spiderfence - Send Robot Modification": sends the current robot record, with the editor's user
// name and password, to the online robot database as a form post, and shows how the transfer goes.
// Opened modally by the robot editor after it has saved a robot.
class frmSendUpdate : public QDialog {
    Q_OBJECT
public:
    explicit frmSendUpdate(QWidget* parent = nullptr);

    // The opening: the stored user name.
    void Form_Load();
    // Builds the body from the current robot record and starts the POST; returns "" at once.
    QString RunWebFunction();
    // "Apply": sends, once.
    void Proceed_Click();
    // "Register!": the registration page of the online robot database.
    void Command1_Click();
    // Closing in any way stores the user name as typed.
    void done(int result) override;

    Inet* inet = nullptr; // the control "Inet"

private:
    QLabel* makeLabel(const char* name, const QString& text);
    QWidget* createBanner();
    QWidget* createHeading();
    QGroupBox* createWarning();
    QWidget* createAccount();
    QWidget* createButtons();
    void Inet_StateChanged(int state);

    InetStatus* m_status = nullptr;

    // Controls, named as the program names them.
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame1 = nullptr; // "Warning"
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QPushButton* Command1 = nullptr; // "Register!"
    QLabel* Label7 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Text1 = nullptr; // user name
    QLabel* Label6 = nullptr;
    QLineEdit* Text2 = nullptr; // password
    QLabel* InetMsg = nullptr;
    QPushButton* Proceed = nullptr;
    QPushButton* Cancel = nullptr;
};

} // namespace sf
