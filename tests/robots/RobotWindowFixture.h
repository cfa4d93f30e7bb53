#pragma once

#include "gui/main/frmMain.h"
#include "gui/options/frmOption.h"
#include "gui/robots/RobotListModel.h"
#include "gui/robots/RobotListTab.h"
#include "gui/robots/frmEditRobot.h"
#include "robots/RobotDatabase.h"
#include "support/ModalScript.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace sf::test {

// A main window on a temporary program folder whose robots.rbd the test writes, and the robot list
// reached through "Add/Edit Robots".
class RobotWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString databasePath() const { return dir.file(QStringLiteral("robots.rbd")); }
    // Record n of a test database: distinct texts, flags and categories in every field.
    static RobotRecord sampleRobot(int n);
    void writeDatabase(int count);
    QByteArray databaseBytes() const { return readFileBytes(databasePath()); }

    frmMain& start();
    // Opens the options window on the robot list and runs the step with its tab; the editors that
    // the step opens from the tab run the steps given to expectEditor() before, in order.
    void openRobotList(const std::function<void(frmOption&, RobotListTab&)>& step);
    void expectEditor(const std::function<void(frmEditRobot&)>& step);
    static void selectRow(RobotListTab& tab, int row);
    // Clicks a check box where the user does: on its mark.
    static void clickBox(QAbstractButton* box);

    TempProgramDir dir;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<ModalScript> script;
    std::vector<std::function<void(frmEditRobot&)>> editorSteps;
};

} // namespace sf::test
