#include "gui/main/frmBlockByPurpose.h"

#include "gui/common/CategoryIcons.h"
#include "gui/common/DialogButtons.h"
#include "project/PurposePreset.h"
#include "robots/RobotPurposes.h"
#include "robots/RobotRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sf {
namespace {

constexpr int kAgentRole = Qt::UserRole;
constexpr int kCategoryRole = Qt::UserRole + 1;
constexpr int kPurposeRole = Qt::UserRole + 2;

QTreeWidgetItem* purposeItem(const RobotPurpose& purpose)
{
    // "AI model training (48)": the purpose and how many robots it holds.
    const QString text = frmBlockByPurpose::tr("%1 (%2)").arg(purpose.purpose).arg(purpose.robots.size());
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kPurposeRole, purpose.purpose);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
    item->setCheckState(0, Qt::Unchecked);
    for (const PurposeRobot& robot : purpose.robots) {
        auto* child = new QTreeWidgetItem(item, QStringList{robot.name, robot.userAgent});
        child->setFlags(child->flags() | Qt::ItemIsUserCheckable);
        child->setCheckState(0, Qt::Unchecked);
        child->setIcon(0, categoryIcon(robot.category));
        child->setData(0, kAgentRole, robot.userAgent);
        child->setData(0, kCategoryRole, robot.category);
    }
    return item;
}

} // namespace

frmBlockByPurpose::frmBlockByPurpose(const RobotPurposes& purposes, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBlockByPurpose"));
    setWindowTitle(tr("Block robots by purpose"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("tvPurposes"));
    m_list->setHeaderLabels({tr("Purpose and robot"), tr("User-agent")});
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (const RobotPurpose& purpose : purposes.purposes())
        m_list->addTopLevelItem(purposeItem(purpose));

    const DialogButtons buttons = makeDialogButtons(this, tr("Cancel"));
    connect(buttons.proceed, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Tick the robots to keep out of the whole site. Robots without a group get one "
                      "group of their own."),
                   this));
    layout->addWidget(m_list, 1);
    layout->addWidget(createTokenBox());
    layout->addWidget(createSignalBox());
    layout->addWidget(buttons.row);
    resize(620, 720);
    connect(m_list, &QTreeWidget::itemChanged, this, &frmBlockByPurpose::showTokens);
    showTokens();
}

QWidget* frmBlockByPurpose::createTokenBox()
{
    auto* box = new QWidget(this);
    m_tokenCount = new QLabel(box);
    m_tokenCount->setObjectName(QStringLiteral("lblTokens"));
    m_tokens = new QPlainTextEdit(box);
    m_tokens->setObjectName(QStringLiteral("txtTokens"));
    m_tokens->setReadOnly(true);
    m_tokens->setMaximumHeight(fontMetrics().lineSpacing() * 5);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tokenCount);
    layout->addWidget(m_tokens);
    return box;
}

// The "User-agent:" tokens the ticks write, each once (robots that share a token share its line).
void frmBlockByPurpose::showTokens()
{
    QStringList tokens;
    for (const QString& agent : tickedAgents()) {
        if (!tokens.contains(agent, Qt::CaseInsensitive))
            tokens << agent;
    }
    m_tokenCount->setText(tokens.isEmpty() ? tr("No robot ticked: no token will be written.")
                                           : tr("Tokens to write (%1):").arg(tokens.size()));
    m_tokens->setPlainText(tokens.join(u'\n'));
}

QWidget* frmBlockByPurpose::createSignalBox()
{
    auto* box = new QGroupBox(tr("Usage preferences for all robots (Content-Signal)"), this);
    auto* form = new QFormLayout(box);
    const char* names[3] = {"cboSignalSearch", "cboSignalAiInput", "cboSignalAiTrain"};
    const QString labels[3] = {tr("search:"), tr("ai-input:"), tr("ai-train:")};
    for (int i = 0; i < 3; ++i) {
        m_signal[i] = new QComboBox(box);
        m_signal[i]->setObjectName(QLatin1String(names[i]));
        m_signal[i]->addItems({tr("not stated"), QStringLiteral("yes"), QStringLiteral("no")});
        form->addRow(labels[i], m_signal[i]);
    }
    m_comment = new QCheckBox(tr("Write the policy's explanation above the line"), box);
    m_comment->setObjectName(QStringLiteral("chkSignalComment"));
    form->addRow(m_comment);
    return box;
}

template <typename Visit> void frmBlockByPurpose::forEachTicked(Visit visit) const
{
    for (int p = 0; p < m_list->topLevelItemCount(); ++p) {
        const QTreeWidgetItem* purpose = m_list->topLevelItem(p);
        for (int r = 0; r < purpose->childCount(); ++r) {
            if (purpose->child(r)->checkState(0) == Qt::Checked)
                visit(*purpose->child(r));
        }
    }
}

QStringList frmBlockByPurpose::tickedAgents() const
{
    QStringList agents;
    forEachTicked([&](const QTreeWidgetItem& item) { agents << item.data(0, kAgentRole).toString(); });
    return agents;
}

QStringList frmBlockByPurpose::tickedSearchRobots() const
{
    QStringList names;
    forEachTicked([&](const QTreeWidgetItem& item) {
        if (item.data(0, kCategoryRole).toInt() == robotCategoryNumber(u"Search"))
            names << item.text(0);
    });
    return names;
}

RuleGrid::ContentSignal frmBlockByPurpose::contentSignal() const
{
    auto choice = [this](int i) -> std::optional<bool> {
        const int index = m_signal[i]->currentIndex();
        return index <= 0 ? std::nullopt : std::optional<bool>(index == 1);
    };
    return {choice(0), choice(1), choice(2)};
}

bool frmBlockByPurpose::withSignalComment() const
{
    return m_comment->isChecked();
}

bool frmBlockByPurpose::setPurposeTicked(const QString& purpose, bool ticked)
{
    for (int p = 0; p < m_list->topLevelItemCount(); ++p) {
        QTreeWidgetItem* item = m_list->topLevelItem(p);
        if (item->data(0, kPurposeRole).toString() == purpose) {
            item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
            return true;
        }
    }
    return false;
}

void frmBlockByPurpose::listExistingGroups(const QStringList& gridRows)
{
    m_gridRows = gridRows;
    if (!m_existing) {
        auto* box = new QGroupBox(tr("Robots that have a group already"), this);
        auto* column = new QVBoxLayout(box);
        m_existing = new QLabel(box);
        m_existing->setObjectName(QStringLiteral("lblExistingGroups"));
        m_existing->setWordWrap(true);
        m_replace = new QCheckBox(tr("Replace their rules by Disallow: /"), box);
        m_replace->setObjectName(QStringLiteral("chkReplaceGroups"));
        m_replace->setChecked(true);
        column->addWidget(m_existing);
        column->addWidget(m_replace);
        auto* layout = static_cast<QVBoxLayout*>(this->layout());
        layout->insertWidget(layout->count() - 1, box); // above the buttons
        connect(m_list, &QTreeWidget::itemChanged, this, &frmBlockByPurpose::showExistingGroups);
        connect(m_replace, &QCheckBox::toggled, this, &frmBlockByPurpose::showExistingGroups);
    }
    showExistingGroups();
}

bool frmBlockByPurpose::replaceExistingGroups() const
{
    return !m_replace || m_replace->isChecked();
}

void frmBlockByPurpose::showExistingGroups()
{
    constexpr qsizetype kShown = 8;
    const QStringList grouped = RuleGrid::agentsWithGroup(m_gridRows, tickedAgents());
    QStringList lines;
    for (qsizetype i = 0; i < std::min(grouped.size(), kShown); ++i)
        lines << (replaceExistingGroups()
                      ? tr("%1 has a group already: its rules will be replaced by Disallow: /")
                      : tr("%1 has a group already: it is left as it is"))
                     .arg(grouped.at(i));
    if (grouped.size() > kShown)
        lines << tr("... and %1 more.").arg(grouped.size() - kShown);
    m_existing->setText(lines.isEmpty() ? tr("None of the ticked robots has a group yet.")
                                        : lines.join(u'\n'));
    m_replace->setEnabled(!grouped.isEmpty());
}

} // namespace sf
