// The site as crawlers see it, through the real main window: a hosting layout whose login lands
// above the web root, served by real FTP and SSH servers and by the test web server as the site.
#include "base/SettingsStore.h"
#include "ftp/cFTP.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "gui/online/LiveCheckCommand.h"
#include "gui/options/ProjectOptionsTab.h"
#include "gui/options/frmOption.h"
#include "gui/rules/frmCheck.h"
#include "project/ProjectFile.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"
#include "support/FtpServer.h"
#include "support/HttpServer.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/SshServer.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using test::named;
using test::scriptedPrompt;

namespace {

constexpr const char* kQuestion = "This looks like your site's folder: %1. Use it?";

class SiteFolderWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override { QFile::remove(cFTP::SftpKnownHostsFile()); }
    void TearDown() override
    {
        stop();
        QFile::remove(cFTP::SftpKnownHostsFile());
    }

    void typeConnection(ftp::Protocol protocol, const QString& user, const QString& password, int port)
    {
        auto* box = named<QComboBox>(window, "cboProtocol");
        box->setCurrentIndex(static_cast<int>(protocol));
        emit box->activated(box->currentIndex());
        MainWindowFixture::typeConnection(QStringLiteral("127.0.0.1"), user, password, QString::number(port));
    }
    bool connectNow()
    {
        named<QAction>(window, "mnuConnect")->trigger();
        return window->isConnected();
    }
    QTreeWidget* lv() { return named<QTreeWidget>(window, "lv"); }
    QTreeWidgetItem* row(const QString& name)
    {
        const auto found = lv()->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    void enter(const QString& name)
    {
        QTreeWidgetItem* item = row(name);
        ASSERT_TRUE(item) << name.toStdString();
        window->ftpCommands().lv_DblClick(item);
    }
    void addRule(const QString& name)
    {
        QTreeWidgetItem* item = row(name);
        ASSERT_TRUE(item) << name.toStdString();
        lv()->setCurrentItem(item);
        QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
    }
    bool waitForMessage(const QString& start)
    {
        return QTest::qWaitFor(
            [&] {
                for (const QString& m : scriptedPrompt().messages())
                    if (m.startsWith(start))
                        return true;
                return false;
            },
            15000);
    }
    QString siteLabel() { return named<QLabel>(window, "lblSiteFolder")->text(); }

    test::TempProgramDir dir;
};

// A hosting layout at `top` (the login folder): the site in public_html with its robots.txt, and
// mail beside it.
void makeLayout(const QString& top)
{
    for (const char* file : {"/public_html/private.html", "/public_html/images/logo.gif", "/mail/inbox"}) {
        QDir().mkpath(QFileInfo(top + file).path());
        test::writeFileBytes(top + file, "x");
    }
    test::writeFileBytes(top + "/public_html/robots.txt", "User-agent: *\nDisallow: /cgi-bin\n");
}

} // namespace

// Over FTP (login at "/") and SFTP (login in an absolute home folder): the folder found is taken,
// rules are the paths below it, robots.txt goes to its top from any folder shown, and the live
// site is checked after the upload.
TEST_F(SiteFolderWindowTest, SiteFolderFoundAtConnectGivesUrlRulesAndTheTopOfTheSite)
{
    test::FtpServer ftp;
    ASSERT_TRUE(ftp.start(test::FtpServer::Kind::Pyftpdlib)) << ftp.errorString().toStdString();
    test::SshServer ssh;
    ASSERT_TRUE(ssh.start()) << ssh.errorString().toStdString();
    const struct Peer {
        ftp::Protocol protocol;
        QString user, password;
        int port;
        QString localTop, loginFolder;
    } peers[] = {
        {ftp::Protocol::Ftp, ftp.user(), ftp.password(), ftp.port(), ftp.root(), "/"},
        {ftp::Protocol::Sftp, ssh.user(), ssh.password(), ssh.port(), ssh.root(), ssh.root()},
    };
    for (const Peer& peer : peers) {
        SCOPED_TRACE(peer.loginFolder.toStdString());
        makeLayout(peer.localTop);
        test::HttpServer web;
        ASSERT_TRUE(web.isRunning() && web.serveSite(peer.localTop + "/public_html"));
        start();
        typeConnection(peer.protocol, peer.user, peer.password, peer.port);
        shared::projectHeader.siteAddress = web.baseUrl();
        scriptedPrompt().reset();
        if (peer.protocol == ftp::Protocol::Sftp)
            scriptedPrompt().answerNext(Prompt::Answer::ThisTime); // the unknown host key
        scriptedPrompt().answerNext(Prompt::Answer::Yes);
        ASSERT_TRUE(connectNow());
        const QString site = QDir::cleanPath(peer.loginFolder + "/public_html");
        EXPECT_EQ(scriptedPrompt().messages().last(), QString(kQuestion).arg(site));
        EXPECT_EQ(shared::projectHeader.siteFolder(), site);
        EXPECT_TRUE(window->isModified());
        EXPECT_EQ(siteLabel(), "Site folder: " + site);
        EXPECT_EQ(window->remoteDirectory(), site) << "the site folder is opened";

        addRule("private.html");
        enter("images");
        addRule("logo.gif");
        EXPECT_TRUE(row("logo.gif")->toolTip(0).contains("may not crawl")) << "marked by the new rule";
        EXPECT_EQ(window->pickedEntryPath(), "/images/logo.gif");
        const QStringList body = window->gridRows().mid(5, 4);
        EXPECT_EQ(body, (QStringList{"User-agent: *", "Disallow: /images/logo.gif", "Disallow: /private.html",
                                     ""}));

        // The question compares the site's URL paths, not the server's, and names the site's address.
        const qsizetype asked = scriptedPrompt().shown().size();
        scriptedPrompt().pressNext("Upload");
        named<QAction>(window, "mnuUploadSfp")->trigger();
        ASSERT_GT(scriptedPrompt().shown().size(), asked);
        const QString star = "Every robot without a group of its own (*)";
        EXPECT_EQ(scriptedPrompt().shown().at(asked).text,
                  "This upload writes " + site + "/robots.txt, which crawlers read as " + web.baseUrl() +
                      "/robots.txt.\n\nWhat robots may crawl changes:\n" + star +
                      " may now crawl /cgi-bin\n" + star + " may no longer crawl /images/logo.gif\n" + star +
                      " may no longer crawl /private.html");
        const QByteArray sent = RobotsText::write(window->gridRows(), RobotsTextForm{});
        EXPECT_EQ(test::readFileBytes(peer.localTop + "/public_html/robots.txt"), sent);
        EXPECT_FALSE(QFile::exists(peer.localTop + "/public_html/images/robots.txt"));
        EXPECT_EQ(window->remoteDirectory(), site + "/images") << "the folder shown stays";
        EXPECT_TRUE(waitForMessage("The site serves the file just uploaded at " + web.baseUrl()))
            << scriptedPrompt().messages().join("\n").toStdString();

        // Outside the site: no mark, no rule, and a message that names the site folder.
        enter("..");
        enter("..");
        ASSERT_EQ(window->remoteDirectory(), peer.loginFolder);
        EXPECT_EQ(row("mail")->toolTip(0), "outside the site");
        EXPECT_NE(row("public_html")->toolTip(0), "outside the site");
        const QStringList before = window->gridRows();
        addRule("mail");
        EXPECT_EQ(window->gridRows(), before);
        EXPECT_TRUE(scriptedPrompt().messages().last().contains("outside the site folder " + site));
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        stop();
    }
}

// Answered No, the question is kept in the project and not asked again; rules stay server paths,
// and an upload into a folder below the login asks first. "Use the folder shown" then sets the site
// folder, which the next connect opens, and a folder gone from the server is only a warning.
TEST_F(SiteFolderWindowTest, SiteFolderDeclinedKeptAndSetFromTheFolderShown)
{
    test::FtpServer ftp;
    ASSERT_TRUE(ftp.start(test::FtpServer::Kind::Pyftpdlib)) << ftp.errorString().toStdString();
    makeLayout(ftp.root());
    start();
    typeConnection(ftp::Protocol::Ftp, ftp.user(), ftp.password(), ftp.port());
    scriptedPrompt().answerNext(Prompt::Answer::No);
    ASSERT_TRUE(connectNow());
    EXPECT_EQ(scriptedPrompt().messages(), QStringList{QString(kQuestion).arg("/public_html")});
    EXPECT_TRUE(shared::projectHeader.siteFolderDeclined);
    EXPECT_EQ(siteLabel(), "Site folder: none (rules follow the server's paths)");
    window->DisconnectFtp();
    ASSERT_TRUE(connectNow());
    EXPECT_EQ(scriptedPrompt().messages().size(), 1) << "not asked again";

    enter("public_html");
    addRule("private.html");
    EXPECT_EQ(window->gridRows().at(6), "Disallow: /public_html/private.html") << "as before";
    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(window, "mnuUploadSfp")->trigger();
    EXPECT_EQ(scriptedPrompt().messages().last(),
              "Crawlers read robots.txt only at the top of a site; /public_html/robots.txt would be ignored. "
              "Upload to /public_html anyway?");
    EXPECT_EQ(test::readFileBytes(ftp.root() + "/public_html/robots.txt"),
              "User-agent: *\nDisallow: /cgi-bin\n")
        << "No cancels";

    QTest::mouseClick(named<QToolButton>(window, "cmdUseFolder"), Qt::LeftButton);
    EXPECT_EQ(shared::projectHeader.siteFolder(), "/public_html");
    EXPECT_EQ(siteLabel(), "Site folder: /public_html");
    const QString path = dir.file("site.sfp");
    scriptedPrompt().chooseFileNext(path);
    named<QAction>(window, "mnuSaveAs")->trigger();
    ProjectFile::Contents saved;
    ASSERT_TRUE(ProjectFile::load(path, saved));
    EXPECT_EQ(saved.header.siteFolder(), "/public_html");
    EXPECT_TRUE(saved.header.siteFolderDeclined);

    window->DisconnectFtp();
    ASSERT_TRUE(connectNow());
    EXPECT_EQ(window->remoteDirectory(), "/public_html");
    shared::projectHeader.uploadDirectory = "/moved_away";
    window->DisconnectFtp();
    const qsizetype told = scriptedPrompt().messages().size();
    ASSERT_TRUE(connectNow()) << "a missing site folder does not fail the connect";
    EXPECT_EQ(window->remoteDirectory(), "/");
    ASSERT_EQ(scriptedPrompt().messages().size(), told + 1);
    EXPECT_TRUE(
        scriptedPrompt().messages().last().startsWith("The site folder /moved_away could not be opened"));
}

// "Check the live site" and the checker against the live file: a site that serves another file,
// and one whose robots.txt is gone.
TEST_F(SiteFolderWindowTest, LiveCheckFromToolsAndTheChecker)
{
    test::HttpServer web;
    QTemporaryDir site;
    ASSERT_TRUE(web.isRunning() && site.isValid() && web.serveSite(site.path()));
    test::writeFileBytes(site.path() + "/robots.txt", "User-agent: *\nDisallow: /cdn-old\n");
    start();
    shared::projectHeader.siteAddress = web.baseUrl();
    QSignalSpy reported(&window->liveCheck(), &LiveCheckCommand::reported);
    named<QAction>(window, "mnuCheckLiveSite")->trigger();
    EXPECT_EQ(reported.count(), 0) << "the window goes on while the site is read";
    ASSERT_TRUE(reported.wait(15000));
    const QString text = reported.first().first().toString();
    EXPECT_TRUE(text.startsWith("The site serves a different robots.txt at " + web.baseUrl() +
                                "/robots.txt. The first difference is line 1:\nserved: \"User-agent: *\\n\""))
        << text.toStdString();

    window->showCheck();
    auto* check = window->findChild<frmCheck*>("frmCheck");
    ASSERT_TRUE(check);
    named<QComboBox>(*check, "agentBox")->setEditText("AnyBot");
    QSignalSpy read(check, &frmCheck::liveFileRead);
    const struct {
        bool gone;
        const char* path;
        const char* verdict;
    } cases[] = {
        {false, "/cdn-old/a.html", "Blocked (live file, line 2: Disallow: /cdn-old)"},
        {false, "/new.html", "Allowed (live file: no rule applies)"},
        {true, "/cdn-old/a.html", "Allowed (the live site has no robots.txt)"},
    };
    for (const auto& c : cases) {
        if (c.gone)
            QFile::remove(site.path() + "/robots.txt");
        named<QCheckBox>(*check, "liveBox")->setChecked(false);
        named<QCheckBox>(*check, "liveBox")->setChecked(true);
        ASSERT_TRUE(read.wait(15000));
        named<QLineEdit>(*check, "pathEdit")->setText(c.path);
        QTest::mouseClick(named<QPushButton>(*check, "checkButton"), Qt::LeftButton);
        EXPECT_EQ(named<QLabel>(*check, "verdictLabel")->text(), c.verdict) << c.path;
    }
}

// Two folders named like web roots: with a site address, the one whose robots.txt the site serves.
TEST_F(SiteFolderWindowTest, SiteFolderAmongSeveralWebRootsIsTheOneTheLiveSiteServes)
{
    test::FtpServer ftp;
    ASSERT_TRUE(ftp.start(test::FtpServer::Kind::Pyftpdlib)) << ftp.errorString().toStdString();
    for (const char* folder : {"/htdocs", "/www"}) {
        QDir().mkpath(ftp.root() + folder);
        test::writeFileBytes(ftp.root() + folder + "/robots.txt", QByteArray("# ") + folder + "\n");
    }
    test::HttpServer web;
    ASSERT_TRUE(web.isRunning() && web.serveSite(ftp.root() + "/www"));
    for (const bool withAddress : {false, true}) {
        start();
        typeConnection(ftp::Protocol::Ftp, ftp.user(), ftp.password(), ftp.port());
        shared::projectHeader.siteAddress = withAddress ? web.baseUrl() : QString();
        scriptedPrompt().reset();
        if (withAddress)
            scriptedPrompt().answerNext(Prompt::Answer::Yes);
        ASSERT_TRUE(connectNow());
        EXPECT_EQ(scriptedPrompt().messages(),
                  withAddress ? QStringList{QString(kQuestion).arg("/www")} : QStringList{});
        EXPECT_EQ(window->remoteDirectory(), withAddress ? "/www" : "/");
        stop();
    }
}

// A site folder typed in Options without its leading "/" lies below the login folder and is kept as
// that absolute folder, typed before the connect or while connected, over FTP (login at "/") and
// SFTP (login in an absolute home folder): rules are the paths below it and robots.txt goes to its
// top.
TEST_F(SiteFolderWindowTest, SiteFolderTypedWithoutItsSlashLiesBelowTheLoginFolder)
{
    test::FtpServer ftp;
    ASSERT_TRUE(ftp.start(test::FtpServer::Kind::Pyftpdlib)) << ftp.errorString().toStdString();
    test::SshServer ssh;
    ASSERT_TRUE(ssh.start()) << ssh.errorString().toStdString();
    const struct Peer {
        ftp::Protocol protocol;
        QString user, password;
        int port;
        QString localTop, loginFolder;
        bool typedBeforeConnect;
    } peers[] = {
        {ftp::Protocol::Ftp, ftp.user(), ftp.password(), ftp.port(), ftp.root(), "/", true},
        {ftp::Protocol::Ftp, ftp.user(), ftp.password(), ftp.port(), ftp.root(), "/", false},
        {ftp::Protocol::Sftp, ssh.user(), ssh.password(), ssh.port(), ssh.root(), ssh.root(), true},
    };
    const auto typeSiteFolder = [&] {
        test::ModalScript script;
        script.next<frmOption>([](frmOption& options) {
            auto* field = named<QLineEdit>(options.projectOptions(), "Text2");
            field->clear();
            QTest::keyClicks(field, "public_html");
            QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
        });
        named<QAction>(window, "mnuOptions")->trigger();
        EXPECT_EQ(script.pendingSteps(), 0);
    };
    for (const Peer& peer : peers) {
        SCOPED_TRACE(testing::Message() << peer.loginFolder.toStdString() << peer.typedBeforeConnect);
        makeLayout(peer.localTop);
        QFile::remove(peer.localTop + "/public_html/robots.txt");
        start();
        typeConnection(peer.protocol, peer.user, peer.password, peer.port);
        scriptedPrompt().reset();
        if (peer.protocol == ftp::Protocol::Sftp)
            scriptedPrompt().answerNext(Prompt::Answer::ThisTime); // the unknown host key
        if (peer.typedBeforeConnect)
            typeSiteFolder();
        else
            scriptedPrompt().answerNext(Prompt::Answer::No); // the folder found at connect
        ASSERT_TRUE(connectNow());
        if (!peer.typedBeforeConnect)
            typeSiteFolder();
        const QString site = QDir::cleanPath(peer.loginFolder + "/public_html");
        EXPECT_EQ(shared::projectHeader.siteFolder(), site);
        EXPECT_EQ(siteLabel(), "Site folder: " + site);
        if (!peer.typedBeforeConnect)
            enter("public_html");
        EXPECT_EQ(window->remoteDirectory(), site);
        addRule("private.html");
        EXPECT_EQ(window->gridRows().at(6), "Disallow: /private.html");
        scriptedPrompt().pressNext("Upload");
        named<QAction>(window, "mnuUploadSfp")->trigger();
        EXPECT_EQ(test::readFileBytes(peer.localTop + "/public_html/robots.txt"),
                  RobotsText::write(window->gridRows(), RobotsTextForm{}));
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        stop();
    }
}

// A project that connects on open: the site folder confirmed at that connect is a change that
// closing asks to save. One without a server tries nothing, opened from the menu or at start-up,
// and the status bar says why.
TEST_F(SiteFolderWindowTest, ConnectOnOpenKeepsTheConfirmedSiteFolderAndWantsAServer)
{
    test::FtpServer ftp;
    ASSERT_TRUE(ftp.start(test::FtpServer::Kind::Pyftpdlib)) << ftp.errorString().toStdString();
    makeLayout(ftp.root());
    const QString path = dir.file("site.sfp");
    const struct {
        bool withServer, atStartUp;
    } cases[] = {{true, false}, {false, false}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "server " << c.withServer << ", at start-up " << c.atStartUp);
        ProjectHeader header;
        if (c.withServer) {
            header.server = QStringLiteral("127.0.0.1");
            header.port = QString::number(ftp.port());
            header.user = ftp.user();
            header.password = ftp.password();
        }
        ASSERT_TRUE(ProjectFile::save(path, header, RuleGrid::newProjectTemplate()));
        SettingsStore::save(SettingsStore::Check1, c.atStartUp ? "TRUE" : "FALSE");
        SettingsStore::save(SettingsStore::Check2, "TRUE");
        SettingsStore::save(SettingsStore::LastFilename, path);
        scriptedPrompt().reset();
        start();
        if (!c.atStartUp) {
            scriptedPrompt().chooseFileNext(path);
            if (c.withServer)
                scriptedPrompt().answerNext(Prompt::Answer::Yes); // the folder found at connect
            named<QAction>(window, "mnuOpenPRoject")->trigger();
        }
        const auto status = [&] { return named<QLabel>(window, "StatusPanel1")->text(); };
        if (!c.withServer) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "Not connected: no server is set."; }, 5000))
                << status().toStdString();
            EXPECT_FALSE(window->isConnected());
            EXPECT_EQ(scriptedPrompt().messages(), QStringList{}) << "nothing asked, nothing tried";
            EXPECT_FALSE(window->isModified());
            stop();
            continue;
        }
        ASSERT_TRUE(window->isConnected());
        EXPECT_EQ(shared::projectHeader.siteFolder(), "/public_html");
        EXPECT_TRUE(window->isModified()) << "the answer is a change to save";
        scriptedPrompt().answerNext(Prompt::Answer::Yes); // save it
        named<QAction>(window, "mnuCloseProject")->trigger();
        ProjectFile::Contents saved;
        ASSERT_TRUE(ProjectFile::load(path, saved));
        EXPECT_EQ(saved.header.siteFolder(), "/public_html");
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        stop();
    }
}
