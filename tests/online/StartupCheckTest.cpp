// The update check at start-up: the first window never waits for it, a failed one says nothing,
// and an update it finds is one click away from the update tab.
#include "base/FileUtils.h"
#include "base/SettingsStore.h"
#include "gui/options/frmOption.h"
#include "online/StartupUpdateCheck.h"
#include "online/UpdateCheck.h"
#include "support/HttpServer.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"
#include "support/UpdateSamples.h"

#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace sf;
using sf::test::named;

namespace {

const QString kPage = QStringLiteral("/webfunction/spiderfenceversion.asp");

class StartupCheckTest : public testing::Test, public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
        // Here: this program, robot list 1.0.5, and Renewkit as built (of the program's version).
        test::writeFileBytes(m_dir.file("robots.rbd"), test::robotDatabaseBytes(2, "1.0.5"));
        const QString renewkit = ExecutableName(QStringLiteral("renewkit"));
        ASSERT_TRUE(QFile::copy(test::buildBinDir() + QLatin1Char('/') + renewkit, m_dir.file(renewkit)));
    }
    QToolButton* notice() { return named<QToolButton>(window, "UpdateNotice"); }

    test::TempProgramDir m_dir;
    test::HttpServer m_server;
    test::ModalScript m_modals;
};

} // namespace

TEST_F(StartupCheckTest, TheFirstWindowNeverWaitsAndOnlyAFoundUpdateIsShown)
{
    const QByteArray newer = test::versionFields("9.9.9", "1.0.5", ProgramVersionText());
    const struct {
        const char* name;
        bool check3;
        QByteArray page;
        int status; // 0: the page as it is
        bool shown;
    } cases[] = {
        {"an update", true, newer, 0, true},
        {"the same versions", true, test::versionFields(ProgramVersionText(), "1.0.5", ProgramVersionText()),
         0, false},
        {"an error answer", true, newer, 500, false},
        {"no page", true, "<html>Busy</html>", 0, false},
        {"Check3 off", false, newer, 0, false},
    };
    for (const auto& c : cases) {
        m_server.clearRules();
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), c.page);
        m_server.delay(kPage, 0.3); // a slow server
        if (c.status)
            m_server.answerStatus(kPage, c.status);
        SettingsStore::saveFlag(SettingsStore::Check3, c.check3);
        const qsizetype before = m_server.requests().size();
        const auto asked = [&] { return m_server.requests().size() > before; };
        start();
        // The window is up while the server has not answered yet.
        EXPECT_TRUE(window->isVisible()) << c.name;
        if (c.check3) {
            EXPECT_TRUE(QTest::qWaitFor(asked, 5000)) << c.name;
        }
        EXPECT_FALSE(notice()->isVisible()) << c.name;
        const auto* check = notice()->findChild<StartupUpdateCheck*>();
        ASSERT_NE(check, nullptr);
        if (c.check3) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return check->hasEnded(); }, 15000)) << c.name;
        }
        EXPECT_EQ(notice()->isVisible(), c.shown) << c.name;
        EXPECT_EQ(asked(), c.check3) << c.name;
        EXPECT_TRUE(test::scriptedPrompt().messages().isEmpty()) << c.name;
        stop();
    }
}

TEST_F(StartupCheckTest, AClickOnTheNoteOpensTheUpdateTab)
{
    m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"),
                            test::versionFields("9.9.9", "1.0.5", ProgramVersionText()));
    SettingsStore::saveFlag(SettingsStore::Check3, true);
    start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice()->isVisible(); }, 15000));
    EXPECT_TRUE(notice()->text().startsWith(QStringLiteral("Update available!")));
    bool opened = false;
    m_modals.next<frmOption>([&](frmOption& options) {
        opened = true;
        EXPECT_EQ(named<QTabWidget>(options, "SSTab1")->currentIndex(), 2);
    });
    QTest::mouseClick(notice(), Qt::LeftButton);
    EXPECT_TRUE(opened);
}
