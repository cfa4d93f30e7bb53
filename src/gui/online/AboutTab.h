#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace sf {

// The "About Spiderfence" tab of the options window: the program's and the robot list's versions,
// the freeware notice and the addresses of the maker's two web sites.
class AboutTab : public QWidget {
    Q_OBJECT
public:
    explicit AboutTab(QWidget* parent = nullptr);

    // "Spiderfence is a 100% FREEWARE" and what it is free of, one line each.
    static QString freewareText();

    void setProgramVersion(const QString& version);
    void setRobotListVersion(const QString& version);

    // The two links: the program's web site and the maker's second site.
    void lblURL_Click();
    void Label14_Click();

private:
    QLabel* makeLabel(const char* name, const QString& text = QString());
    QLabel* makeLink(const char* name, const QString& address);
    QWidget* createHeading();
    QWidget* createLinks();

    // Controls, named as the program names them.
    QLabel* Label17 = nullptr; // "Spiderfence version"
    QLabel* Label18 = nullptr;
    QLabel* Label16 = nullptr; // "Robot list version"
    QLabel* Label15 = nullptr;
    QLabel* Label19 = nullptr; // the freeware text
    QLabel* Label20 = nullptr; // "You can visit us at :"
    QLabel* lblURL = nullptr;
    QLabel* Label21 = nullptr; // "Or at :"
    QLabel* Label14 = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* Picture2 = nullptr;
    QPlainTextEdit* Text3 = nullptr;
};

} // namespace sf
