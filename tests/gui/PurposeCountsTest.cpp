// "Block robots by purpose" on the shipped database: each purpose with its number of robots, and the
// tokens the ticked robots will write.
#include "gui/main/frmBlockByPurpose.h"
#include "robots/RobotPurposes.h"
#include "support/NamedChild.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

using sf::test::named;
using namespace sf;

TEST(PurposeDialog, CrawlerListImportCountsEachPurposeAndListsTheTokensItWillWrite)
{
    RobotPurposes purposes;
    ASSERT_TRUE(purposes.load(test::buildBinDir() + QStringLiteral("/robots.rbd")));
    frmBlockByPurpose dialog(purposes);
    auto* list = named<QTreeWidget>(dialog, "tvPurposes");
    ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(purposes.purposes().size()));
    for (int p = 0; p < list->topLevelItemCount(); ++p) {
        const RobotPurpose& purpose = purposes.purposes()[static_cast<std::size_t>(p)];
        EXPECT_EQ(list->topLevelItem(p)->text(0),
                  QStringLiteral("%1 (%2)").arg(purpose.purpose).arg(purpose.robots.size()));
    }
    const RobotPurpose* training = purposes.find(QStringLiteral("AI model training"));
    ASSERT_NE(training, nullptr);
    EXPECT_GE(training->robots.size(), 25u) << "the AI list's training crawlers are all there";
    EXPECT_EQ(named<QLabel>(dialog, "lblTokens")->text(), "No robot ticked: no token will be written.");

    const struct {
        const char* purpose;
        bool ticked;
        QStringList tokens;
    } steps[] = {
        {"AI model training", true, {}},
        {"AI opt-out token", true, {"Google-Extended", "Applebot-Extended"}},
        {"AI model training", false, {"Google-Extended", "Applebot-Extended"}},
    };
    QStringList trainingTokens;
    for (const PurposeRobot& robot : training->robots)
        trainingTokens << robot.userAgent;
    for (const auto& step : steps) {
        ASSERT_TRUE(dialog.setPurposeTicked(QString::fromLatin1(step.purpose), step.ticked));
        const QStringList expected = step.tokens.isEmpty() ? trainingTokens : QStringList(step.tokens);
        const QStringList shown = named<QPlainTextEdit>(dialog, "txtTokens")->toPlainText().split(u'\n');
        EXPECT_EQ(shown.size() >= expected.size() ? shown.mid(shown.size() - expected.size()) : shown,
                  expected)
            << step.purpose;
        EXPECT_EQ(named<QLabel>(dialog, "lblTokens")->text(),
                  QStringLiteral("Tokens to write (%1):").arg(shown.size()));
        EXPECT_EQ(dialog.tickedAgents().size(), shown.size()) << "every ticked robot's token once";
    }
}
