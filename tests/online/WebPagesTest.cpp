// The help, web-site and about commands: which page or file each one hands to the desktop.
#include "app/frmMain.h"
#include "online/Desktop.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include "RecordingDesktop.h"

#include <QAction>
#include <QDir>

#include <gtest/gtest.h>

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
    window.mnuSfpSite->trigger();
    window.mnuLinkharborSite->trigger();
    EXPECT_EQ(opened(),
              (QStringList{"http://127.0.0.1:9/spiderfence?q=spiderfence", "http://[::1]:9/?q=spiderfence"}));

    // The help file is handed over even when it is missing, and nothing is reported.
    m_desktop.urls.clear();
    window.mnuHelpSfp->trigger();
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
