#include "gui/main/frmMain.h"

#include "gui/common/ProgramIcon.h"
#include "gui/common/ProgramStyle.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/CrawlerCommands.h"
#include "gui/main/ProjectCommands.h"
#include "gui/main/RobotChooser.h"
#include "gui/main/RuleGridModel.h"
#include "gui/main/StepBanner.h"
#include "gui/main/UploadGuard.h"
#include "gui/online/UpdateNotice.h"
#include "project/RuleGrid.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

// The icons live in a static library: register them before the first window uses them.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace sf {
namespace {

QIcon icon(const char* name)
{
    return programIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

QAction* makeAction(QObject* parent, const char* objectName, const QString& text,
                    const char* iconName = nullptr)
{
    auto* action = new QAction(text, parent);
    action->setObjectName(QLatin1String(objectName));
    if (iconName)
        action->setIcon(icon(iconName));
    return action;
}

QToolButton* pictureButton(QWidget* parent, const char* objectName, const char* iconName, const QString& tip,
                           const QString& text = QString())
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setIcon(icon(iconName));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(tip);
    button->setAutoRaise(false);
    if (!text.isEmpty()) {
        button->setText(text);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return button;
}

QWidget* stepBox(StepBanner* banner, QWidget* body)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(banner);
    layout->addWidget(body, 1);
    return box;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), m_project(std::make_unique<ProjectCommands>(*this))
{
    initIconResources();
    ProgramStyle::install(); // before the bars: their buttons' pictures come from it
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("Spiderfence"));
    setWindowIcon(icon("spiderfence"));
    createActions();
    createMenus();
    createToolBars();
    createCentralWidget();
    createStatusBar();
    m_ftp = std::make_unique<FtpCommands>(*this, lv);
    m_crawlers = std::make_unique<CrawlerCommands>(*this, *m_ftp, *m_project);
    m_uploadGuard = std::make_unique<UploadGuard>(*this, *m_ftp);
    m_ftp->setUploadCheck([this] { return m_uploadGuard->check(); });
    m_ftp->setKeptCheck([this](const QByteArray& kept) { return m_uploadGuard->check(kept); });
    connectCommands();
    setTabOrderByScreen();
    lv->installEventFilter(this);
    resize(1180, 760);
}

frmMain::~frmMain() = default;

void frmMain::createActions()
{
    mnuNewProject = makeAction(this, "mnuNewProject", tr("&New Project"), "new");
    mnuOpenPRoject = makeAction(this, "mnuOpenPRoject", tr("&Open Project"), "open");
    mnuSaveProject = makeAction(this, "mnuSaveProject", tr("&Save Project"), "save");
    mnuSaveAs = makeAction(this, "mnuSaveAs", tr("S&ave As"));
    mnuCloseProject = makeAction(this, "mnuCloseProject", tr("&Close Project"));
    mnuExport = makeAction(this, "mnuExport", tr("&Export"));
    mnuPublishedVersions = makeAction(this, "mnuPublishedVersions", tr("Published &versions…"));
    mnuExit = makeAction(this, "mnuExit", tr("&Exit"));
    mnu_allow_all = makeAction(this, "mnu_allow_all", tr("&Allow all Robots"));
    mnu_disallow_all = makeAction(this, "mnu_disallow_all", tr("&Disallow all Robots"));
    mnuConnect = makeAction(this, "mnuConnect", tr("&Connect to FTP"), "connect");
    mnuDisconnect = makeAction(this, "mnuDisconnect", tr("&Disconnect FTP"), "disconnect");
    mnuRefresh = makeAction(this, "mnuRefresh", tr("&Refresh Directory"), "refresh");
    mnuUploadSfp = makeAction(this, "mnuUploadSfp", tr("&Upload robots.txt"), "upload");
    mnuOpenServerRobots =
        makeAction(this, "mnuOpenServerRobots", tr("&Open the server's robots.txt"), "open");
    mnuBlockByPurpose = makeAction(this, "mnuBlockByPurpose", tr("&Block robots by purpose..."));
    mnuCompareServerRobots =
        makeAction(this, "mnuCompareServerRobots", tr("Co&mpare the grid with the server's robots.txt"));
    mnuCheck = makeAction(this, "mnuCheck", tr("C&heck..."));
    mnuCheckLiveSite = makeAction(this, "mnuCheckLiveSite", tr("Check the &live site"));
    mnuScanSite = makeAction(this, "mnuScanSite", tr("&Scan the site"));
    mnuEnforceAtServer = makeAction(this, "mnuEnforceAtServer", tr("&Enforce at the web server…"));
    mnuReadLogs = makeAction(this, "mnuReadLogs", tr("Read the server's lo&gs…"));
    mnuAddEditRobot = makeAction(this, "mnuAddEditRobot", tr("&Add/Edit Robots"));
    mnuOptions = makeAction(this, "mnuOptions", tr("Op&tions..."), "options");
    mnuHelpSfp = makeAction(this, "mnuHelpSfp", tr("&Help Topics"));
    mnuUpdate = makeAction(this, "mnuUpdate", tr("&Update Spiderfence"));
    mnuSfpSite = makeAction(this, "mnuSfpSite", tr("&Spiderfence Website"));
    mnuLinkharborSite = makeAction(this, "mnuLinkharborSite", tr("&Linkharbor Website"));
    mnuAbout = makeAction(this, "mnuAbout", tr("&About Spiderfence"), "spiderfence");
}

namespace {
// One entry of a menu: an action, or a separator with its object name.
struct MenuEntry {
    MenuEntry(QAction* action) : action(action) {}
    MenuEntry(const char* separator) : separator(separator) {}
    QAction* action = nullptr;
    const char* separator = nullptr;
};

QMenu* addMenu(QMenuBar* bar, const QString& title, const char* name,
               std::initializer_list<MenuEntry> entries)
{
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    for (const MenuEntry& entry : entries) {
        if (entry.action)
            menu->addAction(entry.action);
        else
            menu->addSeparator()->setObjectName(QLatin1String(entry.separator));
    }
    return menu;
}
} // namespace

void frmMain::createMenus()
{
    mnuFile = addMenu(menuBar(), tr("&File"), "mnuFile",
                      {mnuNewProject, mnuOpenPRoject, "mnuLine3", mnuSaveProject, mnuSaveAs, "mnuLine5",
                       mnuCloseProject, "mnuLine1", mnuExport, mnuPublishedVersions, "mnuLine2", mnuExit});
    mnu_edit = addMenu(menuBar(), tr("&Edit"), "mnu_edit", {mnu_allow_all, "mnu_line99", mnu_disallow_all});
    mnuTools =
        addMenu(menuBar(), tr("&Tools"), "mnuTools",
                {mnuConnect, mnuDisconnect, mnuRefresh, "mnuLine8", mnuUploadSfp, "mnuLineCrawlers",
                 mnuOpenServerRobots, mnuCompareServerRobots, mnuBlockByPurpose, mnuCheck, mnuCheckLiveSite,
                 mnuScanSite, mnuEnforceAtServer, mnuReadLogs, "mnuLine6", mnuAddEditRobot, mnuOptions});
    mnuHelp =
        addMenu(menuBar(), tr("&Help"), "mnuHelp",
                {mnuHelpSfp, mnuUpdate, "mnuLine10", mnuSfpSite, mnuLinkharborSite, "mnuLine9", mnuAbout});
}

void frmMain::createToolBars()
{
    Toolbar1 = addToolBar(tr("Project"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    const char* names[3] = {"Toolbar1Button1", "Toolbar1Button2", "Toolbar1Button3"};
    const char* icons[3] = {"new", "open", "save"};
    const QString tips[3] = {tr("New Project"), tr("Open Project"), tr("Save Project")};
    for (int i = 0; i < 3; ++i) {
        Toolbar1Button[i] = makeAction(this, names[i], tips[i], icons[i]);
        Toolbar1Button[i]->setToolTip(tips[i]);
        Toolbar1->addAction(Toolbar1Button[i]);
    }

    Toolbar3 = addToolBar(tr("Tools"));
    Toolbar3->setObjectName(QStringLiteral("Toolbar3"));
    Toolbar3Button[1] = makeAction(this, "Toolbar3Button2", tr("Refresh FTP Directory"), "refresh");
    Toolbar3Button[3] = makeAction(this, "Toolbar3Button4", tr("Upload robots.txt"), "upload");
    Toolbar3Button[5] = makeAction(this, "Toolbar3Button6", tr("Options"), "options");
    for (int i = 0; i < 6; ++i) {
        if (Toolbar3Button[i]) {
            Toolbar3Button[i]->setToolTip(Toolbar3Button[i]->text());
            Toolbar3->addAction(Toolbar3Button[i]);
        } else {
            Toolbar3Button[i] = Toolbar3->addSeparator();
        }
    }
    for (QToolBar* bar : {Toolbar1, Toolbar3}) {
        bar->setIconSize(QSize(24, 24));
        bar->setMovable(false);
    }
}

QWidget* frmMain::createConnectionStep()
{
    Frame1 = new QGroupBox(tr("Connection Properties"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* form = new QFormLayout;
    auto field = [this, form](QLineEdit*& edit, const char* name, const QString& label) {
        edit = new QLineEdit(Frame1);
        edit->setObjectName(QLatin1String(name));
        form->addRow(label, edit);
    };
    field(txtServer, "txtServer", tr("Server:"));
    field(txtUser, "txtUser", tr("User:"));
    field(txtPassword, "txtPassword", tr("Password:"));
    field(txtPort, "txtPort", tr("Port:"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPort->setMaximumWidth(txtPort->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    cboProtocol = new QComboBox(Frame1);
    cboProtocol->setObjectName(QStringLiteral("cboProtocol"));
    for (int p = 0; p <= static_cast<int>(ftp::kLastProtocol); ++p)
        cboProtocol->addItem(ftp::protocolCaption(static_cast<ftp::Protocol>(p)));
    form->insertRow(0, tr("Protocol:"), cboProtocol);
    form->addRow(tr("Key file:"), createKeyFileRow());
    auto* layout = new QVBoxLayout(Frame1);
    layout->addLayout(form);
    layout->addLayout(createSiteFolderRow());
    layout->addLayout(createConnectionButtons());
    return stepBox(asxPowerBanner[0], Frame1);
}

QLayout* frmMain::createKeyFileRow()
{
    auto* keyRow = new QHBoxLayout;
    txtKeyFile = new QLineEdit(Frame1);
    txtKeyFile->setObjectName(QStringLiteral("txtKeyFile"));
    txtKeyFile->setToolTip(tr("SFTP: log in with this private key; the password box holds its passphrase"));
    cmdKeyFile = new QToolButton(Frame1);
    cmdKeyFile->setObjectName(QStringLiteral("cmdKeyFile"));
    cmdKeyFile->setText(tr("..."));
    keyRow->addWidget(txtKeyFile);
    keyRow->addWidget(cmdKeyFile);
    return keyRow;
}

QLayout* frmMain::createConnectionButtons()
{
    Toolbar4 = new QToolBar(Frame1);
    Toolbar4->setObjectName(QStringLiteral("Toolbar4"));
    Toolbar4Button1 = makeAction(this, "Toolbar4Button1", tr("Connect to FTP server"), "connect");
    Toolbar4Button1->setToolTip(tr("Connect to FTP server"));
    Toolbar4->addAction(Toolbar4Button1);
    Toolbar2 = new QToolBar(Frame1);
    Toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    Toolbar2Button1 = makeAction(this, "Toolbar2Button1", tr("Disconnect FTP server"), "disconnect");
    Toolbar2Button1->setToolTip(tr("Disconnect the FTP"));
    Toolbar2->addAction(Toolbar2Button1);
    auto* buttons = new QHBoxLayout;
    for (QToolBar* bar : {Toolbar4, Toolbar2}) {
        bar->setIconSize(QSize(24, 24));
        bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttons->addWidget(bar);
    }
    buttons->addStretch();
    return buttons;
}

QWidget* frmMain::createRobotStep()
{
    auto* body = new QWidget;
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    robotList = new QComboBox(body);
    robotList->setObjectName(QStringLiteral("robotList"));
    robotList->setIconSize(QSize(16, 16));
    robotList->setMaxVisibleItems(20);
    robotList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    robotList->setMinimumContentsLength(28);
    robotList->setToolTip(tr("The robot for which the next rule is written; All stands for every robot"));
    m_robotChooser = new RobotChooser(robotList);
    m_robotChooser->setParent(this);
    info_robot = pictureButton(body, "info_robot", "info", tr("Robot information"));
    row->addWidget(new QLabel(tr("Robot:"), body));
    row->addWidget(robotList, 1);
    row->addWidget(info_robot);
    return stepBox(asxPowerBanner[1], body);
}

QWidget* frmMain::createRemoteStep()
{
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    lv = new QTreeWidget(body);
    lv->setObjectName(QStringLiteral("lv"));
    lv->setHeaderLabels({tr("Name"), tr("Size"), tr("Date"), tr("Time"), tr("Attr"), tr("Type")});
    lv->setRootIsDecorated(false);
    lv->setUniformRowHeights(true);
    lv->setAlternatingRowColors(true);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lv->header()->setStretchLastSection(false);
    // Fixed widths from the widest text each column shows: measuring 20,000 rows would cost more
    // than listing them.
    const QFontMetrics fm = lv->fontMetrics();
    const char* widest[] = {nullptr, "File Folder", "0000-00-00", "00:00", "acdhnorst"};
    for (int c = 1; c < 5; ++c) {
        lv->header()->setSectionResizeMode(c, QHeaderView::Interactive);
        lv->setColumnWidth(c, fm.horizontalAdvance(QLatin1String(widest[c])) + fm.height() * 2);
    }
    lv->setColumnHidden(5, true); // "Type" only orders the rows: folders ("a") before files ("b")
    AddRobot = pictureButton(body, "AddRobot", "add",
                             tr("Write a rule for the selected file or folder and the chosen robot"),
                             tr("Add rule"));
    cboRuleKind = new QComboBox(body);
    cboRuleKind->setObjectName(QStringLiteral("cboRuleKind"));
    cboRuleKind->addItems({tr("Disallow:"), tr("Allow:")});
    cboRuleKind->setToolTip(tr("The line Add rule writes: Disallow keeps the robot out, Allow makes an "
                               "exception inside a blocked folder"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cboRuleKind);
    row->addWidget(AddRobot);
    layout->addWidget(lv, 1);
    layout->addLayout(row);
    return stepBox(asxPowerBanner[2], body);
}

QWidget* frmMain::createGridStep()
{
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    m_gridModel = new RuleGridModel(this);
    robotGrid = new QTableView(body);
    robotGrid->setObjectName(QStringLiteral("robotGrid"));
    robotGrid->setModel(m_gridModel);
    robotGrid->horizontalHeader()->hide();
    robotGrid->verticalHeader()->hide();
    robotGrid->verticalHeader()->setDefaultSectionSize(robotGrid->fontMetrics().height() + 6);
    robotGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    robotGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    robotGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    robotGrid->setShowGrid(false);
    robotGrid->setWordWrap(false);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    robotGrid->setFont(mono);
    robotGrid->setTabKeyNavigation(false); // Tab goes on to Remove, as in every other list
    lblGridSource = new QLabel(body);
    lblGridSource->setObjectName(QStringLiteral("lblGridSource"));
    lblGridSource->setWordWrap(true);
    lblGridSource->hide();
    RemoveRobot = pictureButton(body, "RemoveRobot", "remove",
                                tr("Remove the selected line, or the whole robot group"), tr("Remove"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(RemoveRobot);
    layout->addWidget(lblGridSource);
    layout->addWidget(robotGrid, 1);
    layout->addLayout(row);
    return stepBox(asxPowerBanner[3], body);
}

QWidget* frmMain::createUploadStep()
{
    auto* body = new QWidget;
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    UploadButton =
        pictureButton(body, "UploadButton", "upload", tr("Upload robots.txt"), tr("Upload robots.txt"));
    UploadButton->setIconSize(QSize(32, 32));
    row->addStretch();
    row->addWidget(UploadButton);
    return stepBox(asxPowerBanner[4], body);
}

void frmMain::createCentralWidget()
{
    const QString captions[5] = {tr("Step 1- Set your FTP server"),
                                 tr("Step 2 - Disallow for all robots or specify for each one"),
                                 tr("Step 3 - Select directories and files to disallow"),
                                 tr("Step 4 - Your robots.txt file with the disallow directories and files"),
                                 tr("Step 5 - When you have finish, upload the robots.txt to the server")};
    for (int i = 0; i < 5; ++i) {
        asxPowerBanner[i] = new StepBanner(i + 1, captions[i]);
        asxPowerBanner[i]->setObjectName(QStringLiteral("asxPowerBanner%1").arg(i + 1));
    }
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(10);
    leftLayout->addWidget(createConnectionStep());
    leftLayout->addWidget(createRobotStep());
    leftLayout->addWidget(createRemoteStep(), 1);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(10);
    rightLayout->addWidget(createGridStep(), 1);
    rightLayout->addWidget(createUploadStep());

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 8, 10, 6);
    layout->addWidget(splitter);
    setCentralWidget(central);
}

void frmMain::createStatusBar()
{
    const char* names[3] = {"StatusPanel1", "StatusPanel2", "StatusPanel3"};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(this);
        StatusPanel[i]->setObjectName(QLatin1String(names[i]));
        StatusPanel[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusPanel[i]->setContentsMargins(4, 0, 4, 0);
        statusBar()->addPermanentWidget(StatusPanel[i], i == 0 ? 3 : 1);
    }
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_updateNotice = new UpdateNotice(this);
    statusBar()->addWidget(m_updateNotice, 1);
    connect(m_updateNotice, &QToolButton::clicked, mnuUpdate, &QAction::trigger);
    StatusPanel[0]->setText(tr("Folder: "));
    StatusPanel[1]->setText(tr("Release: "));
    StatusPanel[2]->setText(tr("Robots: "));
}

void frmMain::setTabOrderByScreen()
{
    const QList<QWidget*> order{cboProtocol, txtServer,  txtUser,   txtPassword, txtPort,
                                txtKeyFile,  cmdKeyFile, robotList, info_robot,  lv,
                                cboRuleKind, AddRobot,   robotGrid, RemoveRobot, UploadButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

void frmMain::showGridSource(const QString& text)
{
    lblGridSource->setText(text);
    lblGridSource->setVisible(!text.isEmpty());
}

} // namespace sf
