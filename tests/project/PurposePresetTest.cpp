// The purpose presets over the whole shipped robot database: what they write names the ticked robots
// and no other, in every reading of robots.txt.
#include "project/PurposePreset.h"
#include "project/RuleGrid.h"
#include "robots/RobotPurposes.h"
#include "rules/Readings.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace sf;

namespace {

// What a robot gets at a path in each reading: checked by the token the RFC 9309 and Google readers
// take from its name, and by its whole name for first-match readers.
std::array<bool, 3> access(const rules::Readings& readings, const QString& robot, const QByteArray& path)
{
    std::array<bool, 3> out{};
    for (size_t i = 0; i < rules::kReadings.size(); ++i) {
        const rules::Reading reading = rules::kReadings[i];
        const QByteArray name =
            reading == rules::Reading::FirstMatch ? robot.toUtf8() : rules::crawlerToken(robot.toUtf8());
        out[i] = readings.check(reading, name, path).allowed;
    }
    return out;
}

} // namespace

TEST(PurposePreset, NoRobotOutsideTheTickedPurposesLosesAccessInAnyReading)
{
    RobotPurposes database;
    ASSERT_TRUE(database.load(test::buildBinDir() + QStringLiteral("/robots.rbd")));
    std::vector<QStringList> presets; // each purpose alone, then the AI ones together, then all but search
    QStringList ai, allButSearch;
    for (const RobotPurpose& purpose : database.purposes()) {
        presets.push_back({purpose.purpose});
        if (purpose.isAi())
            ai << purpose.purpose;
        if (purpose.purpose != u"search engine")
            allButSearch << purpose.purpose;
    }
    presets.push_back(ai);
    presets.push_back(allButSearch);
    ASSERT_GE(presets.size(), 8u);
    const QStringList body{"User-agent: Baiduspider", "Allow: /", "", "User-agent: *",
                           "Disallow: /private/",     ""};
    const QByteArray paths[] = {"/", "/private/a.html", "/docs/b.pdf"};
    for (const QStringList& ticked : presets) {
        SCOPED_TRACE(ticked.join(u", ").toStdString());
        QStringList chosen, kept;
        for (const RobotPurpose& purpose : database.purposes())
            for (const PurposeRobot& robot : purpose.robots)
                (ticked.contains(purpose.purpose) ? chosen : kept) << robot.userAgent;
        QStringList rows = RuleGrid::newProjectTemplate();
        for (qsizetype i = 0; i < body.size(); ++i)
            rows.insert(RuleGrid::kGroupRow + i, body.at(i));
        const rules::RobotsTxt beforeTxt(rows.join(u'\n').toUtf8());
        const RuleGrid::BlockReport report = RuleGrid::blockAgents(rows, chosen, true, kept);
        const rules::RobotsTxt afterTxt(rows.join(u'\n').toUtf8());
        const rules::Readings before(beforeTxt), after(afterTxt);
        for (const QString& robot : kept)
            for (const QByteArray& path : paths)
                EXPECT_EQ(access(after, robot, path), access(before, robot, path))
                    << robot.toStdString() << " at " << path.toStdString();
        for (const QString& robot : chosen) {
            if (!report.unnamable.contains(robot) && !report.shared.contains(robot)) {
                EXPECT_EQ(access(after, robot, "/"), (std::array<bool, 3>{false, false, false}))
                    << robot.toStdString() << " is ticked";
            }
        }
        if (!report.shared.isEmpty())
            std::printf("%s: no safe token for %s\n", qPrintable(ticked.join(u", ")),
                        qPrintable(report.shared.join(u", ")));
    }
}
