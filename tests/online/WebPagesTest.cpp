// The help, web-site and about commands: which page or file each one hands to the desktop.
#include "gui/main/frmMain.h"
#include "gui/online/AboutTab.h"
#include "gui/online/UpdateTab.h"
#include "gui/options/frmOption.h"
#include "gui/robots/frmEditRobot.h"
#include "online/Desktop.h"
#include "support/ModalScript.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include "RecordingDesktop.h"
#include "support/NamedChild.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

using sf::test::named;

using namespace sf;

namespace {

class WebPagesTest : public testing::Test {
protected:
    void SetUp() override
    {
        qputenv("SPIDERFENCE_SITE_URL", "http://127.0.0.1:9/");
        qputenv("SPIDERFENCE_SUBMISSION_SITE_URL", "http://[::1]:9");
    }
    void TearDown() override
    {
        qunsetenv("SPIDERFENCE_SITE_URL");
        qunsetenv("SPIDERFENCE_SUBMISSION_SITE_URL");
    }
    QStringList opened() const
    {
        QStringList urls;
        for (const QUrl& url : m_desktop.urls)
            urls << url.toString();
        return urls;
    }

    test::TempProgramDir m_dir;
    test::RecordingDesktop m_desktop;
};

} // namespace

TEST_F(WebPagesTest, PageAddressesOnTheirHosts)
{
    EXPECT_EQ(ProductPageUrl(), QStringLiteral("http://127.0.0.1:9/spiderfence?q=spiderfence"));
    EXPECT_EQ(SubmissionSitePageUrl(), QStringLiteral("http://[::1]:9/?q=spiderfence"));
    EXPECT_EQ(RegistrationPageUrl(), QStringLiteral("http://[::1]:9/robots/mavix/join_spiderfence/"));
}

TEST_F(WebPagesTest, HelpMenuOpensTheHelpFileAndBothWebSites)
{
    frmMain window;
    window.Form_Load();
    named<QAction>(window, "mnuSfpSite")->trigger();
    named<QAction>(window, "mnuLinkharborSite")->trigger();
    EXPECT_EQ(opened(),
              (QStringList{"http://127.0.0.1:9/spiderfence?q=spiderfence", "http://[::1]:9/?q=spiderfence"}));

    // The help file is handed over even when it is missing, and nothing is reported.
    m_desktop.urls.clear();
    named<QAction>(window, "mnuHelpSfp")->trigger();
#ifdef Q_OS_WIN
    ASSERT_EQ(m_desktop.programs.size(), 1);
    EXPECT_TRUE(m_desktop.programs.at(0).endsWith(QStringLiteral("\\HH.exe")));
    EXPECT_EQ(m_desktop.arguments.at(0), QStringList{m_dir.file(QStringLiteral("spiderfence.chm"))});
#else
    ASSERT_EQ(m_desktop.urls.size(), 1);
    EXPECT_TRUE(m_desktop.urls.at(0).isLocalFile());
    EXPECT_EQ(QDir::cleanPath(m_desktop.urls.at(0).toLocalFile()),
              QDir::cleanPath(m_dir.file(QStringLiteral("spiderfence.chm"))));
    EXPECT_TRUE(m_desktop.programs.isEmpty());
#endif
    EXPECT_TRUE(test::scriptedPrompt().messages().isEmpty());
}

TEST_F(WebPagesTest, AboutTabLinksAndTheEditorsLinkOpenTheirPages)
{
    frmMain window;
    window.Form_Load();
    window.show();
    test::ModalScript modals;
    modals.next<frmOption>([&](frmOption& options) {
        EXPECT_EQ(named<QTabWidget>(options, "SSTab1")->currentIndex(), 3);
        AboutTab& about = *options.about();
        EXPECT_EQ(named<QLabel>(about, "Label20")->text(), QStringLiteral("You can visit us at :"));
        EXPECT_EQ(named<QLabel>(about, "Label21")->text(), QStringLiteral("Or at :"));
        emit named<QLabel>(about, "lblURL")->linkActivated(named<QLabel>(about, "lblURL")->text());
        emit named<QLabel>(about, "Label14")->linkActivated(named<QLabel>(about, "Label14")->text());
        EXPECT_EQ(opened(), (QStringList{"http://127.0.0.1:9/spiderfence?q=spiderfence",
                                         "http://[::1]:9/?q=spiderfence"}));
        // No update check runs for the about page.
        EXPECT_EQ(named<QLabel>(options.update(), "Label7")->text(), QStringLiteral("None"));
    });
    named<QAction>(window, "mnuAbout")->trigger();

    m_desktop.urls.clear();
    frmEditRobot editor(&window);
    editor.Form_Load();
    emit named<QLabel>(editor, "lblURL")->linkActivated(named<QLabel>(editor, "lblURL")->text());
    EXPECT_EQ(opened(), QStringList{"http://[::1]:9/robots/mavix/join_spiderfence/"});
    named<QPushButton>(editor, "Proceed")->setEnabled(false); // nothing to save when it goes
}
