#include "gui/common/QtPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace sf {
namespace {

QMessageBox::Icon boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Icon::Information:
        return QMessageBox::Information;
    case Prompt::Icon::Question:
        return QMessageBox::Question;
    case Prompt::Icon::Warning:
        return QMessageBox::Warning;
    case Prompt::Icon::Critical:
        return QMessageBox::Critical;
    case Prompt::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Prompt::Buttons buttons)
{
    switch (buttons) {
    case Prompt::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompt::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Prompt::Buttons::Ok:
    case Prompt::Buttons::Trust:
        break;
    }
    return QMessageBox::Ok;
}

Prompt::Answer askTrust(QMessageBox& box)
{
    box.setStandardButtons(QMessageBox::NoButton);
    QAbstractButton* always = box.addButton(QApplication::translate("sf", "Always"), QMessageBox::AcceptRole);
    QAbstractButton* once =
        box.addButton(QApplication::translate("sf", "This time"), QMessageBox::AcceptRole);
    QAbstractButton* no = box.addButton(QMessageBox::No);
    box.setDefaultButton(static_cast<QPushButton*>(no));
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() == always)
        return Prompt::Answer::Always;
    return box.clickedButton() == once ? Prompt::Answer::ThisTime : Prompt::Answer::No;
}

} // namespace

Prompt::Answer QtPrompt::message(const QString& text, Buttons buttons, Icon icon)
{
    QMessageBox box(boxIcon(icon), QApplication::translate("sf", "Spiderfence"), text, boxButtons(buttons),
                    QApplication::activeWindow());
    if (buttons == Buttons::Trust)
        return askTrust(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        break;
    }
    return buttons == Buttons::Ok ? Answer::Ok : (buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
}

QString QtPrompt::openFileName(const FileDialog& dialog)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), dialog.caption, dialog.initialPath,
                                        dialog.filter);
}

QString QtPrompt::saveFileName(const FileDialog& dialog)
{
    const auto options = dialog.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), dialog.caption, dialog.initialPath,
                                        dialog.filter, nullptr, options);
}

QString QtPrompt::text(const QString& label, bool secret)
{
    bool ok = false;
    const QString typed =
        QInputDialog::getText(QApplication::activeWindow(), QApplication::translate("sf", "Spiderfence"),
                              label, secret ? QLineEdit::Password : QLineEdit::Normal, QString(), &ok);
    return ok ? (typed.isNull() ? QStringLiteral("") : typed) : QString();
}

int QtPrompt::choose(const Choice& choice)
{
    QMessageBox box(boxIcon(choice.icon), QApplication::translate("sf", "Spiderfence"), choice.text,
                    QMessageBox::NoButton, QApplication::activeWindow());
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < choice.buttons.size(); ++i) {
        const bool cancel = i == choice.cancelButton;
        buttons << box.addButton(choice.buttons.at(i),
                                 cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    }
    if (choice.defaultButton >= 0 && choice.defaultButton < buttons.size())
        box.setDefaultButton(static_cast<QPushButton*>(buttons.at(choice.defaultButton)));
    if (choice.cancelButton >= 0 && choice.cancelButton < buttons.size())
        box.setEscapeButton(buttons.at(choice.cancelButton));
    box.exec();
    const auto pressed = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return pressed < 0 ? choice.cancelButton : pressed;
}

} // namespace sf
