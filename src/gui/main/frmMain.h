#pragma once

#include "gui/ftp/FtpWindow.h"
#include "gui/main/CrawlerWindow.h"
#include "gui/main/ProjectWindow.h"
#include "gui/options/OptionsHost.h"
#include "gui/rules/frmCheck.h"
#include "project/RuleGrid.h"
#include "rules/SiteFolder.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sf {

class CrawlerCommands;
class FenceWindow;
class FtpCommands;
class LiveCheckCommand;
class ProjectCommands;
class RobotChooser;
class RuleGridModel;
class PublishHistoryWindow;
class SiteScanWindow;
class StepBanner;
class UpdateNotice;
class UploadGuard;

// The main window: the five steps of composing a robots.txt, its menus, toolbars and status bar, and
// the rules by which its controls are enabled. The commands live in their own classes, each of which
// sees the window through its own small interface; the controls stay private.
class frmMain : public QMainWindow,
                public ProjectWindow,
                public FtpWindow,
                public OptionsHost,
                public CrawlerWindow,
                public CheckHost {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: the no-project state, then the last project or a new one, the robot chooser and the
    // status bar. Called once after construction.
    void Form_Load();

    // The modified mark: the project has unsaved changes exactly when Save is enabled.
    bool SetModified(bool modified) override;
    bool isModified() const override;
    // A project is open exactly when Connect is enabled.
    bool isProjectOpen() const override;
    bool isConnected() const override { return m_connected; }

    // Entry into the project-open state, and into the no-project state (the control part of closing).
    void EnableProject() override;
    void DisableProject() override;
    // Entry into and out of the connected state; the connect and disconnect commands call these.
    void setConnectedState(bool connected) override;
    void setDisconnectEnabled(bool enabled) override;

    // The connection fields, as one value.
    ConnectionFields connectionFields() const override;
    void setConnectionFields(const ConnectionFields& fields) override;

    // The rule grid's rows.
    const QStringList& gridRows() const override;
    void setGridRows(const QStringList& rows) override;
    void setGridColumnWidth() override;
    int selectedGridRow() const;

    // FTP commands; they connect to a server once the FTP session is wired in.
    bool ConnectFtp() override;
    void DisconnectFtp();
    void RefreshRemoteList();
    void UploadRobotsFile();
    QString remoteDirectory() const;
    void setSessionModes(bool active, bool binary) override;
    void setConnectionMode(bool active) override;
    void setTransferMode(bool binary) override;

    // The robot chooser.
    void RefreshRobotList() override;
    QString selectedUserAgent() const;
    RobotChooser& robotChooser() { return *m_robotChooser; }

    void showOptions(int startTab);
    void setStatusPanel(int panel, const QString& text) override;
    void setProjectTitle(const QString& title) override { setWindowTitle(title); }
    void showGridSource(const QString& text) override;
    bool isShown() const override { return isVisible(); }
    ProjectCommands& projectCommands() { return *m_project; }
    FtpCommands& ftpCommands() { return *m_ftp; }
    CrawlerCommands& crawlerCommands() { return *m_crawlers; }

    // What the chooser's robot may crawl: the remote list's marks and the checker (Tools, "Check...").
    void remoteListShown() override;
    void markRemoteList();
    void showCheck();
    QStringList chooserUserAgents() const override;
    QString pickedEntryPath() const override;
    void selectGridRow(int row) override;

    // The site: its folder in step 1, "Use the folder shown", and "Check the live site".
    void siteFolderChanged() override;
    void cmdUseFolder_Click();
    void checkLiveSite();
    // "Scan the site": the whole site listed, and what each robot may fetch of it (frmMainScan.cpp).
    void ScanSite();
    // File > "Published versions": the site's kept versions of robots.txt (frmMainHistory.cpp).
    void showPublishedVersions();
    // Tools > "Read the server's logs": who came and who obeyed robots.txt (frmMainLogs.cpp).
    void ReadServerLogs();
    // "Enforce at the web server…": the fence window on the grid's robots.txt, these robots ticked
    // (with none given, those the robot database says do not obey robots.txt) (frmMainFence.cpp).
    void EnforceAtServer(const QStringList& tokens);
    LiveCheckCommand& liveCheck() { return *m_liveCheck; }

    // Commands of the rule grid.
    void AddRobot_Click();
    void RemoveRobot_Click();
    void mnu_allow_all_Click();
    void mnu_disallow_all_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter opens the folder selected in the remote list, Backspace goes up.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createCentralWidget();
    QWidget* createConnectionStep();
    QLayout* createKeyFileRow();
    QLayout* createConnectionButtons();
    QLayout* createSiteFolderRow();
    void connectSiteCommands();
    // Where a remote list entry stands for crawlers, and its URL path ("" outside the site).
    rules::SiteEntry siteEntryOf(const QTreeWidgetItem* item) const;
    QString crawlerPathOf(const QTreeWidgetItem* item) const;
    void tellOutsideSite(const QString& name);
    // The live check after an upload, against the bytes sent.
    void checkLiveSiteAfterUpload(const QByteArray& sent);
    QWidget* createRobotStep();
    QWidget* createRemoteStep();
    QWidget* createGridStep();
    QWidget* createUploadStep();
    void createStatusBar();
    void connectCommands();
    // Menus, toolbar buttons and controls to the commands they start, by the part of the window.
    void connectProjectCommands();
    void connectServerCommands();
    void connectToolCommands();
    void connectConnectionFields();
    void writeStartupStatus();
    void setConnectionFieldsEnabled(bool enabled);
    void cboProtocol_Change(int index);
    void cmdKeyFile_Click();
    void changeGrid(const QStringList& rows);
    // Tab goes through the controls as they stand on the screen: each column top to bottom.
    void setTabOrderByScreen();
    bool remoteListKey(int key);
    // Add rule: an entry whose rule the group holds already adds nothing and says so.
    bool ruleAlreadyThere(const QString& directory, const QString& name, RuleGrid::Directive directive);

    // Controls, named as the program names them (their object names too).
    StepBanner* asxPowerBanner[5] = {};
    QGroupBox* Frame1 = nullptr;
    QLineEdit* txtServer = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtPort = nullptr;
    QComboBox* cboProtocol = nullptr; // "FTP", "FTP over TLS (explicit)", "FTPS (implicit)", "SFTP"
    QLineEdit* txtKeyFile = nullptr;  // SFTP private key; empty: password login
    QToolButton* cmdKeyFile = nullptr;
    QLabel* lblSiteFolder = nullptr;               // "Site folder: /public_html"
    QToolButton* cmdUseFolder = nullptr;           // "Use the folder shown"
    ftp::Protocol m_protocol = ftp::Protocol::Ftp; // the protocol whose default port txtPort may hold
    QToolBar* Toolbar1 = nullptr;
    QToolBar* Toolbar2 = nullptr;
    QToolBar* Toolbar3 = nullptr;
    QToolBar* Toolbar4 = nullptr;
    QAction* Toolbar1Button[3] = {};    // New, Open, Save
    QAction* Toolbar2Button1 = nullptr; // Disconnect
    QAction* Toolbar3Button[6] = {};    // 2 Refresh, 4 Upload, 6 Options; 1, 3, 5 are separators
    QAction* Toolbar4Button1 = nullptr; // Connect
    QTreeWidget* lv = nullptr;
    QComboBox* robotList = nullptr;
    QToolButton* AddRobot = nullptr;
    QComboBox* cboRuleKind = nullptr; // the line "Add rule" writes: "Disallow:" or "Allow:"
    QToolButton* RemoveRobot = nullptr;
    QToolButton* info_robot = nullptr;
    QTableView* robotGrid = nullptr;
    QLabel* lblGridSource = nullptr; // where the grid's lines came from, when not from the project
    QToolButton* UploadButton = nullptr;
    QLabel* StatusPanel[3] = {};
    UpdateNotice* m_updateNotice = nullptr; // "an update is online", from the start-up check

    QMenu* mnuFile = nullptr;
    QMenu* mnu_edit = nullptr;
    QMenu* mnuTools = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuNewProject = nullptr;
    QAction* mnuOpenPRoject = nullptr;
    QAction* mnuSaveProject = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuCloseProject = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnu_allow_all = nullptr;
    QAction* mnu_disallow_all = nullptr;
    QAction* mnuConnect = nullptr;
    QAction* mnuDisconnect = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuUploadSfp = nullptr;
    QAction* mnuOpenServerRobots = nullptr;
    QAction* mnuBlockByPurpose = nullptr;
    QAction* mnuCompareServerRobots = nullptr;
    QAction* mnuCheck = nullptr;
    QAction* mnuCheckLiveSite = nullptr;
    QAction* mnuScanSite = nullptr;
    QAction* mnuPublishedVersions = nullptr;
    QAction* mnuReadLogs = nullptr;
    QAction* mnuEnforceAtServer = nullptr;
    QAction* mnuAddEditRobot = nullptr;
    QAction* mnuOptions = nullptr;
    QAction* mnuHelpSfp = nullptr;
    QAction* mnuUpdate = nullptr;
    QAction* mnuSfpSite = nullptr;
    QAction* mnuLinkharborSite = nullptr;
    QAction* mnuAbout = nullptr;

    std::unique_ptr<ProjectCommands> m_project;
    std::unique_ptr<FtpCommands> m_ftp;
    std::unique_ptr<CrawlerCommands> m_crawlers;
    std::unique_ptr<UploadGuard> m_uploadGuard;
    frmCheck* m_check = nullptr;
    LiveCheckCommand* m_liveCheck = nullptr;
    // Windows that close themselves (deleted on close): a QPointer is null once one is gone, also
    // while the main window itself goes.
    QPointer<SiteScanWindow> m_siteScan;
    QPointer<PublishHistoryWindow> m_publishedVersions;
    QPointer<FenceWindow> m_fence;
    QList<QByteArray> m_scannedPages; // a sample of the last scan's pages, for the fence's proof
    RuleGridModel* m_gridModel = nullptr;
    RobotChooser* m_robotChooser = nullptr;
    int m_robotListReads = 0; // RefreshRobotList calls, so that start-up reads the database once
    bool m_connected = false;
    bool m_shownBefore = false;
    bool m_connectWhenShown = false; // the start-up connect, made once the window is up
};

} // namespace sf
