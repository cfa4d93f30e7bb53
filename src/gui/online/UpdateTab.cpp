#include "gui/online/UpdateTab.h"

#include "base/InstallMode.h"
#include "gui/online/UpdateCommands.h"

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace sf {

UpdateTab::UpdateTab(QWidget* parent) : QWidget(parent), m_packaged(IsPackagedInstall())
{
    setObjectName(QStringLiteral("UpdateTab"));
    createVersionGrid();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(ProgressBar1);
    createButtons();
    layout->addStretch(1);

    m_commands = new UpdateCommands(*this, this);
    connect(m_commands, &UpdateCommands::reloadRobotLists, this, &UpdateTab::reloadRobotLists);
    connect(CheckOnline, &QPushButton::clicked, this, &UpdateTab::CheckOnline_Click);
    connect(Command1, &QPushButton::clicked, this, &UpdateTab::Command1_Click);
    setInitialTexts();
}

void UpdateTab::createVersionGrid()
{
    Frame1 = new QGroupBox(tr("Online information"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    versionSF = valueLabel("versionSF");
    versionSFO = valueLabel("versionSFO");
    Label4 = valueLabel("Label4");
    versionRol = valueLabel("versionRol");
    Label11 = valueLabel("Label11");
    Label13 = valueLabel("Label13");
    Label7 = valueLabel("Label7");
    InetMsg = valueLabel("InetMsg");

    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    auto caption = [this, grid](int row, int column, const QString& text, QLabel* value) {
        auto* label = new QLabel(text, Frame1);
        label->setBuddy(value);
        grid->addWidget(label, row, column);
        grid->addWidget(value, row, column + 1);
    };
    caption(0, 0, tr("Spiderfence version"), versionSF);
    caption(0, 2, tr("Spiderfence update"), versionSFO);
    caption(1, 0, tr("Robot list version"), Label4);
    caption(1, 2, tr("Robot list update"), versionRol);
    // A packaged copy is replaced by the package manager, never by Renewkit: its row is not shown.
    if (!m_packaged) {
        caption(2, 0, tr("Renewkit version"), Label11);
        caption(2, 2, tr("Renewkit update"), Label13);
    } else {
        Label11->hide();
        Label13->hide();
    }
    grid->setRowMinimumHeight(3, 6);
    caption(4, 0, tr("Message"), Label7);
    caption(5, 0, tr("Status"), InetMsg);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void UpdateTab::createButtons()
{
    CheckOnline =
        new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), tr("Check online for update"), this);
    CheckOnline->setObjectName(QStringLiteral("CheckOnline"));
    Command1 = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), tr("Update now!"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    for (QPushButton* button : {CheckOnline, Command1})
        button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CheckOnline);
    buttons->addWidget(Command1);
    static_cast<QVBoxLayout*>(layout())->addLayout(buttons);
}

QLabel* UpdateTab::valueLabel(const char* name)
{
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void UpdateTab::setInitialTexts()
{
    InetMsg->setText(tr("None"));
    versionSFO->setText(tr("Unknown"));
    versionRol->setText(tr("Unknown"));
    Label13->setText(tr("Unknown"));
    Label7->setText(tr("None"));
    Command1->setEnabled(false);
    if (m_packaged) {
        Label7->setText(tr("This copy of Spiderfence was installed by the package manager: its updates "
                           "come through the package manager."));
        Label7->setWordWrap(true);
        CheckOnline->setEnabled(false);
    }
}

void UpdateTab::CheckOnline_Click()
{
    m_commands->CheckOnline_Click();
}

void UpdateTab::Command1_Click()
{
    m_commands->Command1_Click();
}

void UpdateTab::cancelTransfer()
{
    m_commands->cancelTransfer();
}

void UpdateTab::checkWhenShown()
{
    QTimer::singleShot(0, CheckOnline, &QPushButton::click);
}

void UpdateTab::setProgramVersion(const QString& version)
{
    versionSF->setText(version);
}

ComponentVersions UpdateTab::localVersions() const
{
    return {versionSF->text(), Label4->text(), Label11->text()};
}

ComponentVersions UpdateTab::onlineVersions() const
{
    return {versionSFO->text(), versionRol->text(), Label13->text()};
}

void UpdateTab::setOnlineVersions(const ComponentVersions& online)
{
    versionSFO->setText(online.program);
    versionRol->setText(online.robotList);
    Label13->setText(online.renewkit);
}

void UpdateTab::setInstalledVersions(const QString& robotList, const QString& renewkit)
{
    Label4->setText(robotList);
    Label11->setText(renewkit);
}

void UpdateTab::showMessage(const QString& text, bool red, bool bold)
{
    QPalette palette = Label7->palette();
    palette.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Label7->setPalette(palette);
    QFont font = Label7->font();
    font.setBold(bold);
    Label7->setFont(font);
    Label7->setText(text);
}

void UpdateTab::setTransferStatus(const QString& text)
{
    InetMsg->setText(text);
}

void UpdateTab::setCheckEnabled(bool enabled)
{
    CheckOnline->setEnabled(enabled);
}

void UpdateTab::setUpdateEnabled(bool enabled)
{
    Command1->setEnabled(enabled);
}

void UpdateTab::setProgressMaximum(int kilobytes)
{
    ProgressBar1->setMaximum(kilobytes);
}

void UpdateTab::setProgress(int kilobytes)
{
    ProgressBar1->setValue(kilobytes);
}

bool UpdateTab::closeMainWindow()
{
    QWidget* mainWindow = window()->parentWidget();
    return !mainWindow || mainWindow->close();
}

void UpdateTab::closeOptionsWindow()
{
    if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->reject();
}

} // namespace sf
