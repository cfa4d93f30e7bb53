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
    m_agentBox = new QComboBox(this);
    m_agentBox->setObjectName(QStringLiteral("agentBox"));
    m_agentBox->setEditable(true);
    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setObjectName(QStringLiteral("pathEdit"));
    m_pathEdit->setPlaceholderText(tr("/folder/page.html"));
    m_checkButton = new QPushButton(tr("&Check"), this);
    m_checkButton->setObjectName(QStringLiteral("checkButton"));
    m_checkButton->setDefault(true);
    m_verdictLabel = new QLabel(this);
    m_verdictLabel->setObjectName(QStringLiteral("verdictLabel"));
    auto* form = new QFormLayout;
    form->addRow(tr("Robot:"), m_agentBox);
    form->addRow(tr("URL path:"), m_pathEdit);
    form->addRow(m_checkButton, m_verdictLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    createLiveBox();
    layout->addWidget(m_liveBox);
    layout->addWidget(createReadings());
    layout->addWidget(buttons);
    connect(m_checkButton, &QPushButton::clicked, this, &frmCheck::check);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

QGroupBox* frmCheck::createReadings()
{
    auto* box = new QGroupBox(tr("What every crawler will read"), this);
    auto* grid = new QGridLayout(box);
    static const char* const names[] = {"rfc9309Label", "googleLabel", "firstMatchLabel"};
    for (size_t i = 0; i < rules::kReadings.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* caption = new QLabel(tr("%1:").arg(rules::readingLabel(rules::kReadings[i])), box);
        caption->setWordWrap(true);
        m_readingLabels[i] = new QLabel(box);
        m_readingLabels[i]->setObjectName(QLatin1String(names[i]));
        grid->addWidget(caption, row, 0);
        grid->addWidget(m_readingLabels[i], row, 1, Qt::AlignTop);
    }
    m_differenceLabel = new QLabel(box);
    m_differenceLabel->setObjectName(QStringLiteral("differenceLabel"));
    m_differenceLabel->setWordWrap(true);
    m_differenceLabel->setMinimumHeight(m_differenceLabel->fontMetrics().lineSpacing() * 3);
    m_differenceLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_differenceLabel, static_cast<int>(rules::kReadings.size()), 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    setMinimumWidth(560);
    return box;
}

void frmCheck::showReadings(const rules::Readings& readings, const QByteArray& token, const QByteArray& path,
                            const std::array<rules::Verdict, 3>& verdicts)
{
    for (size_t i = 0; i < verdicts.size(); ++i)
        m_readingLabels[i]->setText(verdictText(verdicts[i]));
    m_differenceLabel->setText(rules::describeVerdicts(readings, token, path, verdicts));
}

void frmCheck::refresh()
{
    const QString typed = m_agentBox->currentText();
    m_agentBox->clear();
    m_agentBox->addItems(m_host.chooserUserAgents());
    if (!typed.isEmpty())
        m_agentBox->setEditText(typed);
    const QString picked = m_host.pickedEntryPath();
    if (!picked.isEmpty())
        setPath(picked);
}

void frmCheck::setPath(const QString& path)
{
    m_pathEdit->setText(path);
    m_verdictLabel->clear();
    for (QLabel* label : m_readingLabels)
        label->clear();
    m_differenceLabel->clear();
}

void frmCheck::check()
{
    const QString robot = m_agentBox->currentText().trimmed();
    const QString path = m_pathEdit->text().trimmed();
    if (robot.isEmpty() || path.isEmpty()) {
        m_verdictLabel->setText(tr("Type a robot and a URL path."));
        return;
    }
    if (m_liveBox->isChecked()) {
        checkLive(robot, path);
        return;
    }
    // The file as it will be written to the server.
    const rules::RobotsTxt txt(RobotsText::write(m_host.gridRows(), shared::robotsTextForm));
    const rules::Readings readings(txt);
    const QByteArray token = rules::crawlerToken(robot.toUtf8());
    const std::array<rules::Verdict, 3> verdicts = readings.checkAll(token, path.toUtf8());
    const rules::Verdict& verdict = verdicts[0]; // the default reading
    m_verdictLabel->setText(verdictText(verdict));
    showReadings(readings, token, path.toUtf8(), verdicts);
    if (verdict.line > 0)
        m_host.selectGridRow(verdict.line - 1);
}

} // namespace sf
