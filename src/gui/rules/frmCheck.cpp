#include "gui/rules/frmCheck.h"

#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "rules/RobotsTxt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sf {
namespace {

QString verdictText(const rules::Verdict& verdict)
{
    const QString line = verdict.line > 0  ? frmCheck::tr(" (line %1)").arg(verdict.line)
                         : verdict.allowed ? frmCheck::tr(" (no rule applies)")
                                           : frmCheck::tr(" (no line decides)");
    return (verdict.allowed ? frmCheck::tr("Allowed") : frmCheck::tr("Blocked")) + line;
}

} // namespace

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
    layout->addWidget(createReadings());
    layout->addWidget(buttons);
    connect(cmdCheck, &QPushButton::clicked, this, &frmCheck::cmdCheck_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

QGroupBox* frmCheck::createReadings()
{
    auto* box = new QGroupBox(tr("What every crawler will read"), this);
    auto* grid = new QGridLayout(box);
    static const char* const names[] = {"lblRfc9309", "lblGoogle", "lblFirstMatch"};
    for (size_t i = 0; i < rules::kReadings.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* caption = new QLabel(tr("%1:").arg(rules::readingLabel(rules::kReadings[i])), box);
        caption->setWordWrap(true);
        lblReadings[i] = new QLabel(box);
        lblReadings[i]->setObjectName(QLatin1String(names[i]));
        grid->addWidget(caption, row, 0);
        grid->addWidget(lblReadings[i], row, 1, Qt::AlignTop);
    }
    lblDifference = new QLabel(box);
    lblDifference->setObjectName(QStringLiteral("lblDifference"));
    lblDifference->setWordWrap(true);
    lblDifference->setMinimumHeight(lblDifference->fontMetrics().lineSpacing() * 3);
    lblDifference->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(lblDifference, static_cast<int>(rules::kReadings.size()), 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    setMinimumWidth(560);
    return box;
}

void frmCheck::showReadings(const rules::Readings& readings, const QByteArray& token, const QByteArray& path,
                            const std::array<rules::Verdict, 3>& verdicts)
{
    for (size_t i = 0; i < verdicts.size(); ++i)
        lblReadings[i]->setText(verdictText(verdicts[i]));
    lblDifference->setText(rules::describeVerdicts(readings, token, path, verdicts));
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
    for (QLabel* label : lblReadings)
        label->clear();
    lblDifference->clear();
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
    // The file as it will be written to the server.
    const rules::RobotsTxt txt(RobotsText::write(m_host.gridRows(), shared::robotsTextForm));
    const rules::Readings readings(txt);
    const QByteArray token = rules::crawlerToken(robot.toUtf8());
    const std::array<rules::Verdict, 3> verdicts = readings.checkAll(token, path.toUtf8());
    const rules::Verdict& verdict = verdicts[0]; // the default reading
    lblVerdict->setText(verdictText(verdict));
    showReadings(readings, token, path.toUtf8(), verdicts);
    if (verdict.line > 0)
        m_host.selectGridRow(verdict.line - 1);
}

} // namespace sf
