#include "gui/main/SiteScanWindow.h"

#include "ftp/RemoteName.h"
#include "gui/common/Prompt.h"
#include "gui/main/SiteTreeModel.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "project/SiteMarks.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotPurposes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QTreeView>
#include <QVBoxLayout>

namespace sf {
namespace {

constexpr int kMostLinesShown = 8;
// The scan's pages that a proof of the fence requests besides the rules' own paths.
constexpr qsizetype kSampledPages = 24;

QString number(qint64 n)
{
    return QLocale().toString(n);
}

template <class T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

SiteScanWindow::SiteScanWindow(const ftp::ScanLogin& login, const QString& siteFolder,
                               const QString& siteLabel, std::function<QStringList()> gridRows,
                               QWidget* parent)
    : QDialog(parent), m_gridRows(std::move(gridRows)), m_siteLabel(siteLabel), m_siteFolder(siteFolder)
{
    setObjectName(QStringLiteral("SiteScanWindow"));
    setWindowTitle(tr("Scan the site: %1").arg(siteLabel));
    m_scan = new ftp::SiteScan(
        login, siteFolder.isEmpty() ? QString() : ftp::nameFromServer(siteFolder.toUtf8()), {}, this);
    m_progressBar = named(new QProgressBar, "progressBar");
    m_progressBar->setRange(0, 0);
    m_progressLabel = named(new QLabel, "progressLabel");
    m_cancelButton = named(new QPushButton(tr("Cancel")), "cancelButton");
    m_outcomeLabel = named(new QLabel, "outcomeLabel");
    m_outcomeLabel->setWordWrap(true);
    m_robotBox = named(new QComboBox, "robotBox");
    m_fetchableBox = named(new QCheckBox(tr("only what it may fetch")), "fetchableBox");
    m_treeView = named(new QTreeView, "treeView");
    m_treeView->setUniformRowHeights(true);
    m_countLabel = named(new QLabel, "countLabel");
    m_lineLabel = named(new QLabel, "lineLabel");
    m_lineLabel->setWordWrap(true);
    m_exportButton = named(new QPushButton(tr("Export CSV...")), "exportButton");
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progressBar, 1);
    progressRow->addWidget(m_cancelButton);
    auto* chooserRow = new QHBoxLayout;
    chooserRow->addWidget(new QLabel(tr("Robot:")));
    chooserRow->addWidget(m_robotBox, 1);
    chooserRow->addWidget(m_fetchableBox);
    chooserRow->addWidget(m_exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(progressRow);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_outcomeLabel);
    layout->addLayout(chooserRow);
    layout->addWidget(m_treeView, 1);
    layout->addWidget(m_countLabel);
    layout->addWidget(m_lineLabel);
    for (QWidget* w : std::initializer_list<QWidget*>{m_robotBox, m_fetchableBox, m_treeView, m_exportButton})
        w->setEnabled(false);
    resize(760, 560);
    connect(m_scan, &ftp::SiteScan::progressed, this, &SiteScanWindow::showProgress);
    connect(m_scan, &ftp::SiteScan::finished, this, &SiteScanWindow::scanFinished);
    connect(m_cancelButton, &QPushButton::clicked, m_scan, &ftp::SiteScan::cancel);
    connect(m_robotBox, &QComboBox::currentIndexChanged, this, &SiteScanWindow::remark);
    connect(m_fetchableBox, &QCheckBox::toggled, this, [this](bool only) {
        if (m_model)
            m_model->setOnlyFetchable(only);
        showSelected();
    });
    connect(m_exportButton, &QPushButton::clicked, this, &SiteScanWindow::exportCsv);
}

SiteScanWindow::~SiteScanWindow() = default;

void SiteScanWindow::start()
{
    showProgress({});
    m_scan->start();
}

bool SiteScanWindow::isScanning() const
{
    return m_scan->isRunning();
}

void SiteScanWindow::closeEvent(QCloseEvent* event)
{
    if (!m_scan->isRunning()) {
        event->accept();
        return;
    }
    // The window goes at once; it is closed for good once the connections have.
    m_scan->cancel();
    connect(m_scan, &ftp::SiteScan::finished, this, &QWidget::close, Qt::QueuedConnection);
    hide();
    event->ignore();
}

void SiteScanWindow::showProgress(const ftp::ScanProgress& progress)
{
    m_progressLabel->setText(tr("Folders done: %1, entries: %2, elapsed: %3 s, connections: %4")
                                 .arg(number(progress.foldersDone), number(progress.entries))
                                 .arg(progress.elapsedMs / 1000.0, 0, 'f', 1)
                                 .arg(progress.connections));
}

QString SiteScanWindow::outcomeText() const
{
    const ftp::ScanOutcome& outcome = m_scan->outcome();
    if (!outcome.failure.isEmpty())
        return tr("The site could not be scanned: %1").arg(outcome.failure);
    QStringList said;
    if (outcome.cancelled)
        said << tr("Cancelled: the tree shows what was listed until then.");
    else if (const int missed = outcome.foldersNotListed(); missed > 0)
        said << (missed == 1 ? tr("Incomplete: 1 folder could not be listed.")
                             : tr("Incomplete: %1 folders could not be listed.").arg(number(missed)));
    if (!outcome.connectionLost.isEmpty())
        said << tr("Incomplete: the server dropped the connection (%1).").arg(outcome.connectionLost);
    if (outcome.depthLimit)
        said << tr("Folders 32 deep were not listed.");
    if (outcome.entryLimit)
        said << tr("The scan stopped at 1,000,000 entries.");
    QStringList unlisted, links;
    for (const ftp::ScanProblem& problem : outcome.problems) {
        const QString path = ftp::displayPath(ftp::nameFromServer(problem.path));
        if (problem.kind == ftp::ScanProblem::Kind::Unlisted)
            unlisted << tr("%1 (%2)").arg(path, problem.message);
        else
            links << path;
    }
    if (!unlisted.isEmpty())
        said << tr("Not listed: %1.").arg(unlisted.mid(0, kMostLinesShown).join(QStringLiteral("; ")));
    if (!links.isEmpty())
        said << tr("Links not followed (out of the site, in a loop or followed already): %1.")
                    .arg(links.mid(0, kMostLinesShown).join(QStringLiteral(", ")));
    if (said.isEmpty())
        said << tr("Complete: %1 entries.").arg(number(qint64(m_scan->tree().entries().size())));
    return said.join(u' ');
}

void SiteScanWindow::scanFinished()
{
    m_progressBar->setRange(0, 1);
    m_progressBar->setValue(1);
    m_cancelButton->setEnabled(false);
    m_outcomeLabel->setText(outcomeText());
    if (!m_scan->outcome().failure.isEmpty())
        return;
    m_top = SiteMarks::topUrl(m_siteFolder, m_scan->folder());
    m_model = new SiteTreeModel(m_scan->sharedTree(), this);
    m_treeView->setModel(m_model);
    m_treeView->header()->setSectionResizeMode(SiteTreeModel::NameColumn, QHeaderView::Stretch);
    m_treeView->header()->setStretchLastSection(false);
    connect(m_treeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SiteScanWindow::showSelected);
    m_rows = m_gridRows();
    m_txt = rules::RobotsTxt(RobotsText::write(m_rows, shared::robotsTextForm));
    fillRobotBox(); // marks the tree
    emit pagesScanned(SiteMarks::samplePages(m_scan->tree(), m_top, kSampledPages));
    for (QWidget* w : std::initializer_list<QWidget*>{m_robotBox, m_fetchableBox, m_treeView, m_exportButton})
        w->setEnabled(true);
}

void SiteScanWindow::fillRobotBox()
{
    const QSignalBlocker blocker(m_robotBox);
    m_robotBox->clear();
    m_purposeChoices.clear();
    for (const QByteArray& agent : SiteMarks::namedAgents(m_txt))
        m_robotBox->addItem(QString::fromUtf8(agent), QString::fromUtf8(agent));
    RobotPurposes purposes;
    if (purposes.load(RobotDatabase::defaultPath())) {
        for (const RobotPurpose& purpose : purposes.purposes()) {
            Choice choice{{}, tr("every robot of %1").arg(purpose.purpose)};
            QSet<QByteArray> tokens; // each robot once, as its group finds it
            for (const PurposeRobot& robot : purpose.robots) {
                const QByteArray token = rules::crawlerToken(robot.userAgent.toUtf8());
                if (!tokens.contains(token.toLower())) {
                    tokens.insert(token.toLower());
                    choice.agents << token;
                }
            }
            if (choice.agents.isEmpty())
                continue;
            m_robotBox->addItem(
                tr("Every robot of: %1").arg(purpose.purpose),
                static_cast<int>(m_purposeChoices.size())); // an int: chosen() tells it by its type
            m_purposeChoices << choice;
        }
    }
    // The main window's chosen robot (offered even when the grid names it nowhere); when that is "All",
    // the first robot the grid names, else every crawler.
    const QString preferred = QString::fromUtf8(rules::crawlerToken(m_preferredAgent.toUtf8()));
    int current = m_robotBox->count() > 1 && m_robotBox->itemData(1).typeId() == QMetaType::QString ? 1 : 0;
    if (!preferred.isEmpty() && preferred != QLatin1String("*")) {
        current = m_robotBox->findData(preferred, Qt::UserRole, Qt::MatchFixedString);
        if (current < 0) {
            m_robotBox->insertItem(1, preferred, preferred);
            current = 1;
        }
    }
    m_robotBox->setCurrentIndex(current);
    remark();
}

SiteScanWindow::Choice SiteScanWindow::chosen() const
{
    const QVariant data = m_robotBox->currentData();
    if (data.typeId() == QMetaType::Int)
        return m_purposeChoices.value(data.toInt());
    const QString agent = data.toString();
    return {{agent.toUtf8()}, agent};
}

void SiteScanWindow::remark()
{
    if (!m_model)
        return;
    m_rows = m_gridRows();
    m_txt = rules::RobotsTxt(RobotsText::write(m_rows, shared::robotsTextForm));
    const Choice choice = chosen();
    m_model->setMarks(SiteMarks::blockedCounts(m_model->tree(), m_top, m_txt, choice.agents),
                      static_cast<int>(choice.agents.size()));
    m_treeView->viewport()->update();
    showSelected();
}

void SiteScanWindow::showSelected()
{
    if (!m_model)
        return;
    const Choice choice = chosen();
    const std::uint32_t entry = m_model->entryOf(m_treeView->currentIndex());
    const ftp::SiteTree& tree = m_model->tree();
    // The counts of the selected folder, or of the folder the selected file lies in.
    std::uint32_t folder = ftp::SiteTree::kTopFolder;
    if (entry != ftp::SiteTree::kNone)
        folder = tree.entries()[entry].isFolder ? tree.folderOf(entry) : tree.entries()[entry].folder;
    const SiteMarks::FolderCount& count = m_model->folderCounts()[folder];
    const QString path = ftp::displayPath(ftp::nameFromServer(tree.folderPath(folder))) + u'/';
    m_countLabel->setText(tr("%1: %2 files, %3 blocked for %4")
                              .arg(path, number(count.files), number(count.blocked), choice.label));
    if (entry == ftp::SiteTree::kNone) {
        m_lineLabel->clear();
        return;
    }
    const QByteArray url = SiteMarks::url(tree, m_top, entry);
    QStringList lines;
    for (const QByteArray& agent : choice.agents.mid(0, kMostLinesShown)) {
        const rules::Verdict verdict = m_txt.rulesFor(agent).check(url);
        const QString decided = verdict.line == 0
                                    ? tr("no line decides: allowed")
                                    : tr("line %1, %2").arg(verdict.line).arg(m_rows.value(verdict.line - 1));
        lines << (choice.agents.size() > 1 ? QString::fromUtf8(agent) + QStringLiteral(": ") + decided
                                           : decided);
    }
    m_lineLabel->setText(tr("%1 — %2").arg(QString::fromUtf8(url), lines.join(QStringLiteral("; "))));
}

void SiteScanWindow::exportCsv()
{
    if (!m_model)
        return;
    const QString path = prompts().saveFileName(
        {tr("Export CSV"), tr("CSV file (*.csv)"), QStringLiteral("site-scan.csv"), true});
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    Result<void> written = file.open(QIODevice::WriteOnly)
                               ? SiteMarks::writeCsv(file, m_model->tree(), m_top, m_txt, chosen().agents)
                               : Result<void>::failure(file.errorString());
    if (written && !file.commit())
        written = Result<void>::failure(file.errorString());
    if (!written)
        prompts().message(tr("The CSV could not be written to %1: %2").arg(path, written.error),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
}

} // namespace sf
