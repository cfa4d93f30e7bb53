// One main for every test program: a QApplication on the offscreen platform, settings in a
// temporary folder (and the user's data folder), and the scripted prompt installed before any window is made.
#include "gui/common/ModalRunner.h"
#include "support/ModalScript.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PromptReset : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        sf::test::scriptedPrompt().reset();
        sf::test::clearSettings();
        // Every test starts with the maker's hosts on a loopback port where nothing answers, so that
        // a check or a page that a test does not point at its own server never leaves the machine.
        for (const char* variable : {"SPIDERFENCE_WEB_SERVICE_URL", "SPIDERFENCE_DOWNLOAD_URL",
                                     "SPIDERFENCE_SITE_URL", "SPIDERFENCE_SUBMISSION_SITE_URL"})
            qputenv(variable, "http://127.0.0.1:9");
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        EXPECT_EQ(sf::test::scriptedPrompt().pendingAnswers(), 0) << "scripted answers left unused";
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome, dataHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit()); // a packaged run's user files

    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new PromptReset);
    sf::Prompt::setInstance(&sf::test::scriptedPrompt());
    sf::setModalRunner(sf::test::unscriptedModal); // no test ever waits on a modal window
    const int result = RUN_ALL_TESTS();
    sf::Prompt::setInstance(nullptr);
    return result;
}
