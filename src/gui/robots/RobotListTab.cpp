#include "gui/robots/RobotListTab.h"

#include "base/DateSerial.h"
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "gui/common/BusyPointer.h"
#include "gui/common/ModalRunner.h"
#include "gui/common/Prompt.h"
#include "gui/robots/RobotListModel.h"
#include "gui/robots/frmEditRobot.h"
#include "robots/CrawlerImport.h"
#include "transfer/Inet.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace sf {
namespace {

// Column widths in pixels: name, user-agent; the date column takes the rest.
constexpr int kNameWidth = 200;
constexpr int kAgentWidth = 170;

QPushButton* makeButton(const char* name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

RobotListTab::RobotListTab(QWidget* parent) : QWidget(parent), m_model(new RobotListModel(this))
{
    setObjectName(QStringLiteral("RobotListTab"));
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_model);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true); // lays out 32767 rows without measuring each one
    ListView1->setSortingEnabled(false);
    ListView1->setAlternatingRowColors(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->header()->setStretchLastSection(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->resizeSection(RobotListModel::NameColumn, kNameWidth);
    ListView1->header()->resizeSection(RobotListModel::AgentColumn, kAgentWidth);

    Add_Robot = makeButton("Add_Robot", tr("Add Robot"), this);
    Modify_Robot = makeButton("Modify_Robot", tr("Modify Robot"), this);
    Delete_Robot = makeButton("Delete_Robot", tr("Delete Robot"), this);
    Delete_Robot->setEnabled(false); // robots cannot be deleted

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Add_Robot);
    buttons->addWidget(Modify_Robot);
    buttons->addWidget(Delete_Robot);
    buttons->addStretch(1);
    buttons->addWidget(createMaintenance());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    layout->addWidget(createImport());

    connect(Add_Robot, &QPushButton::clicked, this, &RobotListTab::Add_Robot_Click);
    connect(Modify_Robot, &QPushButton::clicked, this, &RobotListTab::Modify_Robot_Click);
    connect(SetVersion, &QPushButton::clicked, this, &RobotListTab::SetVersion_Click);
    connect(Import_List, &QPushButton::clicked, this, &RobotListTab::Import_List_Click);
    connect(Import_Web, &QPushButton::clicked, this, &RobotListTab::Import_Web_Click);
    connect(Cancel_Import, &QPushButton::clicked, this, &RobotListTab::Cancel_Import_Click);
}

QWidget* RobotListTab::createImport()
{
    auto* box = new QWidget(this);
    Import_List = makeButton("Import_List", tr("Import crawler list..."), box);
    Import_List->setToolTip(tr("Add and update robots from a crawler list in JSON (robots.json or "
                               "crawler-user-agents.json); robots you edited are kept"));
    txtListUrl = new QLineEdit(SettingsStore::read(SettingsStore::CrawlerListUrl), box);
    txtListUrl->setObjectName(QStringLiteral("txtListUrl"));
    txtListUrl->setPlaceholderText(tr("Web address of a crawler list"));
    Import_Web = makeButton("Import_Web", tr("Import from the web"), box);
    ImportProgress = new QProgressBar(box);
    ImportProgress->setObjectName(QStringLiteral("ImportProgress"));
    ImportProgress->setRange(0, 0);
    ImportProgress->setVisible(false);
    Cancel_Import = makeButton("Cancel_Import", tr("Cancel"), box);
    Cancel_Import->setEnabled(false);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Import_List);
    layout->addWidget(txtListUrl, 1);
    layout->addWidget(Import_Web);
    layout->addWidget(ImportProgress);
    layout->addWidget(Cancel_Import);
    return box;
}

QWidget* RobotListTab::createMaintenance()
{
    auto* box = new QWidget(this);
    SetRobotVersion = new QLineEdit(box);
    SetRobotVersion->setObjectName(QStringLiteral("SetRobotVersion"));
    SetRobotVersion->setToolTip(tr("Version of the robot list"));
    SetRobotVersion->setPlaceholderText(tr("Version"));
    SetRobotVersion->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 13);
    SetVersion = makeButton("SetVersion", tr("Set Version"), box);
    SetVersion->setToolTip(tr("Write this version into every robot of the list"));
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SetRobotVersion);
    layout->addWidget(SetVersion);
    return box;
}

void RobotListTab::LoadRobotList()
{
    const Result<void> result = m_model->reload(RobotDatabase::defaultPath());
    if (!result)
        qWarning("%s", qPrintable(result.error));
    if (!m_model->list().databaseExists()) {
        Modify_Robot->setEnabled(false);
        return;
    }
    if (m_model->list().count() > 0) {
        SetRobotVersion->setText(m_model->list().lastVersion());
        ListView1->setCurrentIndex(m_model->index(0, 0));
    }
    RobotListVersion = SetRobotVersion->text();
    emit robotListVersionChanged(RobotListVersion);
    Modify_Robot->setEnabled(true);
}

void RobotListTab::Add_Robot_Click()
{
    shared::EditExisting = false;
    openEditor();
}

void RobotListTab::Modify_Robot_Click()
{
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    shared::EditExisting = true;
    shared::EditRecordNumber =
        static_cast<qint16>(selected.first().data(RobotListModel::kRecordNumberRole).toInt());
    openEditor();
}

void RobotListTab::openEditor()
{
    {
        frmEditRobot editor(window());
        editor.Form_Load();
        runModal(editor);
    }
    LoadRobotList();
}

void RobotListTab::SetVersion_Click()
{
    emit maintenanceRunning(true);
    Result<void> result;
    {
        BusyPointer busy;
        result = StampRobotVersion(SetRobotVersion->text());
    }
    RobotListVersion = SetRobotVersion->text();
    emit maintenanceRunning(false);
    if (!result)
        prompts().message(result.error, Prompt::Buttons::Ok, Prompt::Icon::Critical);
}

} // namespace sf

namespace sf {

void RobotListTab::Import_List_Click()
{
    const QString path = prompts().openFileName(
        {tr("Import crawler list"), tr("Crawler list (*.json);;All files (*)"), QString(), false});
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompts().message(tr("Cannot read %1: %2").arg(path, file.errorString()), Prompt::Buttons::Ok,
                          Prompt::Icon::Critical);
        return;
    }
    importList(file.readAll());
}

void RobotListTab::Import_Web_Click()
{
    const QString url = txtListUrl->text().trimmed();
    if (url.isEmpty()) {
        prompts().message(tr("Type the web address of a crawler list first."), Prompt::Buttons::Ok,
                          Prompt::Icon::Information);
        return;
    }
    SettingsStore::save(SettingsStore::CrawlerListUrl, url);
    if (!m_inet)
        m_inet = new Inet(this);
    QByteArray body;
    setDownloading(true);
    const Result<void> fetched = fetchCrawlerList(*m_inet, url, body, [this](qint64 bytes) {
        ImportProgress->setFormat(tr("%1 KB").arg(bytes / 1024));
    });
    setDownloading(false);
    if (!fetched) {
        prompts().message(fetched.error, Prompt::Buttons::Ok,
                          fetched.error == cancelledText() ? Prompt::Icon::Information
                                                           : Prompt::Icon::Critical);
        return;
    }
    importList(body);
}

void RobotListTab::Cancel_Import_Click()
{
    if (m_inet)
        m_inet->Cancel();
}

void RobotListTab::setDownloading(bool downloading)
{
    ImportProgress->setVisible(downloading);
    Cancel_Import->setEnabled(downloading);
    Import_List->setEnabled(!downloading);
    Import_Web->setEnabled(!downloading);
    emit maintenanceRunning(downloading);
}

void RobotListTab::importList(const QByteArray& json)
{
    CrawlerImportReport report;
    Result<void> result;
    {
        BusyPointer busy;
        const Result<QString> path = RobotDatabase::writablePath();
        result = path ? importCrawlerList(path.value(), json,
                                          {toDateSerial(QDate::currentDate()), RobotListVersion}, report)
                      : path.status();
    }
    if (!result) {
        prompts().message(result.error, Prompt::Buttons::Ok, Prompt::Icon::Critical);
        return;
    }
    if (report.written) {
        LoadRobotList();
        emit robotsImported();
    }
    prompts().message(report.text() + u'.', Prompt::Buttons::Ok, Prompt::Icon::Information);
}

} // namespace sf
