#include "gui/rules/frmCheck.h"

#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sf {

frmCheck::frmCheck(CheckHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("frmCheck"));
    setWindowTitle(tr("Check"));
    cboRobot = new QComboBox(this);
    cboRobot->setObjectName(QStringLiteral("cboRobot"));
    cboRobot->setEditable(true);
    txtPath = new QLineEdit(this);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setPlaceholderText(tr("/folder/page.html"));
    cmdCheck = new QPushButton(tr("&Check"), this);
    cmdCheck->setObjectName(QStringLiteral("cmdCheck"));
    cmdCheck->setDefault(true);
    lblVerdict = new QLabel(this);
    lblVerdict->setObjectName(QStringLiteral("lblVerdict"));
    auto* form = new QFormLayout;
    form->addRow(tr("Robot:"), cboRobot);
    form->addRow(tr("URL path:"), txtPath);
    form->addRow(cmdCheck, lblVerdict);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    createLiveBox();
    layout->addWidget(chkLive);
    layout->addWidget(buttons);
    connect(cmdCheck, &QPushButton::clicked, this, &frmCheck::cmdCheck_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

void frmCheck::Form_Load()
{
    const QString typed = cboRobot->currentText();
    cboRobot->clear();
    cboRobot->addItems(m_host.chooserUserAgents());
    if (!typed.isEmpty())
        cboRobot->setEditText(typed);
    const QString picked = m_host.pickedEntryPath();
    if (!picked.isEmpty())
        setPath(picked);
}

void frmCheck::setPath(const QString& path)
{
    txtPath->setText(path);
    lblVerdict->clear();
}

void frmCheck::cmdCheck_Click()
{
    const QString robot = cboRobot->currentText().trimmed();
    const QString path = txtPath->text().trimmed();
    if (robot.isEmpty() || path.isEmpty()) {
        lblVerdict->setText(tr("Type a robot and a URL path."));
        return;
    }
    if (chkLive->isChecked()) {
        checkLive(robot, path);
        return;
    }
    const rules::RobotsTxt txt(RuleGrid::exportText(m_host.gridRows()));
    const rules::Verdict verdict = txt.check(rules::crawlerToken(robot.toUtf8()), path.toUtf8());
    const QString line = verdict.line > 0 ? tr(" (line %1)").arg(verdict.line) : tr(" (no rule applies)");
    lblVerdict->setText((verdict.allowed ? tr("Allowed") : tr("Blocked")) + line);
    if (verdict.line > 0)
        m_host.selectGridRow(verdict.line - 1);
}

} // namespace sf
