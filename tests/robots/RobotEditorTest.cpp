// The robot editor opened from the robot list: adding, modifying, the closing question and what
// each leaves on disk.
#include "RobotWindowFixture.h"

#include "base/DateSerial.h"
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "gui/main/RobotChooser.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using sf::test::named;

using namespace sf;
using test::RobotWindowTest;
using test::scriptedPrompt;

namespace {

constexpr qint64 kSlot = RobotRecord::kSlotSize;

double today()
{
    return toDateSerial(QDateTime(QDate::currentDate(), QTime(0, 0)));
}

RobotRecord readRecord(const QString& path, int n)
{
    RobotRecord r;
    EXPECT_TRUE(RobotDatabase(path).read(n, r));
    return r;
}

// The bytes of the file outside the data area of slot n.
QByteArray outsideSlotData(QByteArray bytes, int n)
{
    return bytes.remove((n - 1) * kSlot, RobotRecord::kDataSize);
}

} // namespace

TEST_F(RobotWindowTest, AddingToTwelveRecordsAppendsTheThirteenth)
{
    writeDatabase(12);
    const QByteArray before = databaseBytes();
    expectEditor([](frmEditRobot& editor) {
        EXPECT_EQ(editor.windowTitle(), "Spiderfence - Edit Robot");
        for (int i = 0; i < frmEditRobot::kFieldCount; ++i)
            EXPECT_EQ(named<QLineEdit>(editor, QStringLiteral("EditField%1").arg(i))->text(),
                      (i == 1 || i == 2 || i == 4) ? "http://" : "")
                << i;
        QStringList categories;
        for (int i = 0; i < named<QComboBox>(editor, "Robot_category")->count(); ++i) {
            categories << named<QComboBox>(editor, "Robot_category")->itemText(i);
            EXPECT_FALSE(named<QComboBox>(editor, "Robot_category")->itemIcon(i).isNull());
        }
        EXPECT_EQ(categories, (QStringList{"Music", "Image", "News", "None", "Email", "Search"}));
        EXPECT_EQ(named<QComboBox>(editor, "Robot_category")->currentIndex(), 0);
        EXPECT_FALSE(named<QPushButton>(editor, "Proceed")->isEnabled());
        EXPECT_FALSE(named<QCheckBox>(editor, "Check5")->isChecked());
        EXPECT_EQ(named<QCheckBox>(editor, "Check5")->text(), "Brinmoor Editor (Mavix)");
        QTest::keyClicks(named<QLineEdit>(editor, "EditField0"), "  New Bot");
        EXPECT_TRUE(named<QPushButton>(editor, "Proceed")->isEnabled());
        QTest::keyClicks(named<QLineEdit>(editor, "EditField11"), "newbot");
        clickBox(named<QCheckBox>(editor, "Check4"));
        named<QComboBox>(editor, "Robot_category")->setCurrentIndex(5);
        QTest::mouseClick(named<QPushButton>(editor, "Proceed"), Qt::LeftButton);
        EXPECT_FALSE(editor.isVisible());
    });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        ASSERT_EQ(named<QTreeView>(tab, "ListView1")->model()->rowCount(), 12);
        QTest::mouseClick(named<QPushButton>(tab, "Add_Robot"), Qt::LeftButton);
        // The list was reloaded when the editor closed: the new robot is last, with its number.
        const QAbstractItemModel& model = *named<QTreeView>(tab, "ListView1")->model();
        ASSERT_EQ(model.rowCount(), 13);
        EXPECT_EQ(model.index(12, 0).data().toString(), "New Bot");
        EXPECT_EQ(model.index(12, 1).data().toString(), "newbot");
        EXPECT_EQ(model.index(12, 0).data(RobotListModel::kRecordNumberRole).toInt(), 13);
        EXPECT_EQ(named<QTreeView>(tab, "ListView1")->selectionModel()->selectedRows().value(0).row(), 0);
    });
    const QByteArray after = databaseBytes();
    ASSERT_EQ(after.size(), 13 * kSlot);
    EXPECT_EQ(after.left(12 * kSlot), before);
    const RobotRecord added = readRecord(databasePath(), 13);
    EXPECT_EQ(added.Robot_name, "New Bot");
    EXPECT_EQ(after.mid(12 * kSlot, 9), "  New Bot") << "stored as typed";
    EXPECT_EQ(added.Robot_cover_url, "http://");
    EXPECT_EQ(added.Robot_owner_url, "http://");
    EXPECT_EQ(added.Robot_from, kRobotYes);
    EXPECT_EQ(added.Robot_exclusions, kRobotNo);
    EXPECT_EQ(added.Robot_category, 6);
    EXPECT_EQ(added.Modified_date, today());
    EXPECT_EQ(added.Modified_by, "Greyfield");
    EXPECT_EQ(added.RobotVersion, "v12") << "the robot-list version";
    EXPECT_EQ(SettingsStore::read(SettingsStore::SendRobot), "FALSE");

    // The main window's chooser shows the new robot at its next refresh.
    named<QAction>(window, "mnuNewProject")->trigger();
    ASSERT_EQ(named<QComboBox>(window, "robotList")->count(), 14);
    EXPECT_EQ(named<QComboBox>(window, "robotList")->itemText(13), "New Bot [newbot]");
}

TEST_F(RobotWindowTest, ModifyingRecordTwoChangesOnlyItsSlot)
{
    writeDatabase(5);
    const QByteArray before = databaseBytes();
    expectEditor([](frmEditRobot& editor) {
        const RobotRecord stored = sampleRobot(2);
        EXPECT_EQ(named<QLineEdit>(editor, "EditField0")->text(), "Robot 2") << "shown trimmed";
        EXPECT_EQ(named<QLineEdit>(editor, "EditField10")->text(), stored.Robot_language);
        EXPECT_EQ(named<QLineEdit>(editor, "EditField14")->text(), stored.Robot_availability);
        EXPECT_EQ(named<QLineEdit>(editor, "EditField17")->text(), stored.Robot_environment);
        EXPECT_TRUE(named<QCheckBox>(editor, "Check1")->isChecked());
        EXPECT_TRUE(named<QCheckBox>(editor, "Check2")->isChecked());
        EXPECT_FALSE(named<QCheckBox>(editor, "Check3")->isChecked());
        EXPECT_FALSE(named<QCheckBox>(editor, "Check4")->isChecked());
        EXPECT_EQ(named<QComboBox>(editor, "Robot_category")->currentIndex(), 2);
        EXPECT_FALSE(named<QPushButton>(editor, "Proceed")->isEnabled()) << "loading is no change";
        named<QLineEdit>(editor, "EditField0")->end(false);
        QTest::keyClicks(named<QLineEdit>(editor, "EditField0"), "x");
        QTest::mouseClick(named<QPushButton>(editor, "Proceed"), Qt::LeftButton);
    });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        selectRow(tab, 1);
        QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
        EXPECT_TRUE(shared::EditExisting);
        EXPECT_EQ(shared::EditRecordNumber, 2);
        const QAbstractItemModel& model = *named<QTreeView>(tab, "ListView1")->model();
        ASSERT_EQ(model.rowCount(), 5);
        EXPECT_EQ(model.index(1, 0).data().toString(), "Robot 2x");
        EXPECT_EQ(model.index(1, 2).data().toString(), generalDateText(today()));
    });
    const QByteArray after = databaseBytes();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(outsideSlotData(after, 2), outsideSlotData(before, 2));
    RobotRecord expected = sampleRobot(2);
    expected.Robot_name = QStringLiteral("Robot 2x");
    expected.Modified_date = today();
    expected.Modified_by = QStringLiteral("Greyfield");
    expected.RobotVersion = QStringLiteral("v5");
    EXPECT_EQ(after.mid(kSlot, RobotRecord::kDataSize), expected.toData());
}

TEST_F(RobotWindowTest, ClosingWithChangesAsksAndEachAnswerLeavesItsFile)
{
    const struct {
        Prompt::Answer answer;
        bool saved;
        bool closes;
    } cases[] = {{Prompt::Answer::Yes, true, true},
                 {Prompt::Answer::No, false, true},
                 {Prompt::Answer::Cancel, false, false}};
    for (const auto& c : cases) {
        writeDatabase(5);
        const QByteArray before = databaseBytes();
        scriptedPrompt().reset();
        SettingsStore::save(SettingsStore::SendRobot, "FALSE");
        expectEditor([&](frmEditRobot& editor) {
            clickBox(named<QCheckBox>(editor, "Check5")); // not a change of the robot
            EXPECT_FALSE(named<QPushButton>(editor, "Proceed")->isEnabled());
            named<QLineEdit>(editor, "EditField3")->end(false);
            QTest::keyClicks(named<QLineEdit>(editor, "EditField3"), "z");
            scriptedPrompt().answerNext(c.answer);
            if (c.saved) // the box is ticked: the saved robot goes to the submission window
                script->next([](QDialog& window) { EXPECT_EQ(window.objectName(), "frmSendUpdate"); });
            QTest::mouseClick(named<QPushButton>(editor, "Cancel"), Qt::LeftButton);
            ASSERT_EQ(scriptedPrompt().shown().size(), 1);
            EXPECT_EQ(scriptedPrompt().shown()[0].text,
                      "Do you want to save the changes you made to the Robot ?");
            EXPECT_EQ(scriptedPrompt().shown()[0].buttons, Prompt::Buttons::YesNoCancel);
            EXPECT_EQ(editor.isVisible(), !c.closes);
            EXPECT_EQ(SettingsStore::read(SettingsStore::SendRobot), "TRUE") << "stored on every close";
            EXPECT_EQ(databaseBytes() == before, !c.saved);
            if (!c.closes) {
                EXPECT_EQ(named<QLineEdit>(editor, "EditField3")->text(),
                          sampleRobot(5).Robot_owner_name + "z");
                scriptedPrompt().answerNext(Prompt::Answer::No);
                QTest::mouseClick(named<QPushButton>(editor, "Cancel"), Qt::LeftButton);
                EXPECT_FALSE(editor.isVisible());
            }
        });
        openRobotList([&](frmOption&, RobotListTab& tab) {
            selectRow(tab, 4);
            QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
        });
        if (c.saved)
            EXPECT_EQ(readRecord(databasePath(), 5).Robot_owner_name, sampleRobot(5).Robot_owner_name + "z");
        else
            EXPECT_EQ(databaseBytes(), before);
    }
}

TEST_F(RobotWindowTest, ClosingUnchangedAsksNothingAndSendRobotOpensChecked)
{
    writeDatabase(5);
    const QByteArray before = databaseBytes();
    SettingsStore::save(SettingsStore::SendRobot, "TRUE");
    expectEditor([](frmEditRobot& editor) {
        EXPECT_TRUE(named<QCheckBox>(editor, "Check5")->isChecked());
        clickBox(named<QCheckBox>(editor, "Check5"));
        QTest::mouseClick(named<QPushButton>(editor, "Cancel"), Qt::LeftButton);
        EXPECT_FALSE(editor.isVisible());
    });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
    });
    EXPECT_TRUE(scriptedPrompt().shown().isEmpty());
    EXPECT_EQ(databaseBytes(), before);
    EXPECT_EQ(SettingsStore::read(SettingsStore::SendRobot), "FALSE");

    SettingsStore::save(SettingsStore::SendRobot, "true");
    expectEditor([](frmEditRobot& editor) { EXPECT_FALSE(named<QCheckBox>(editor, "Check5")->isChecked()); });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        QTest::mouseClick(named<QPushButton>(tab, "Add_Robot"), Qt::LeftButton);
    });
}

// Each of the four robot boxes, and the category alone, is a change of the robot: Apply is enabled.
TEST_F(RobotWindowTest, EachRobotBoxAndTheCategoryAloneAreAChange)
{
    writeDatabase(2);
    for (const char* control : {"Check1", "Check2", "Check3", "Check4", "Robot_category"}) {
        SCOPED_TRACE(control);
        expectEditor([&](frmEditRobot& editor) {
            EXPECT_FALSE(named<QPushButton>(editor, "Proceed")->isEnabled());
            if (QLatin1String(control) == QLatin1String("Robot_category")) {
                auto* category = named<QComboBox>(editor, control);
                category->setFocus();
                QTest::keyClick(category,
                                category->currentIndex() + 1 < category->count() ? Qt::Key_Down : Qt::Key_Up);
            } else {
                clickBox(named<QCheckBox>(editor, control));
            }
            EXPECT_TRUE(named<QPushButton>(editor, "Proceed")->isEnabled());
            scriptedPrompt().answerNext(Prompt::Answer::No);
            QTest::mouseClick(named<QPushButton>(editor, "Cancel"), Qt::LeftButton);
        });
        openRobotList([&](frmOption&, RobotListTab& tab) {
            QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
        });
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0) << "closing asked about the change";
    }
}

TEST_F(RobotWindowTest, ApplyWithoutACategoryKeepsTheStoredOne)
{
    writeDatabase(2);
    RobotRecord odd = sampleRobot(1);
    odd.Robot_category = 0;
    ASSERT_TRUE(RobotDatabase(databasePath()).write(1, odd));
    expectEditor([](frmEditRobot& editor) {
        EXPECT_EQ(named<QComboBox>(editor, "Robot_category")->currentIndex(), -1);
        named<QLineEdit>(editor, "EditField16")->end(false);
        QTest::keyClicks(named<QLineEdit>(editor, "EditField16"), "!");
        QTest::mouseClick(named<QPushButton>(editor, "Proceed"), Qt::LeftButton);
    });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
    });
    const RobotRecord saved = readRecord(databasePath(), 1);
    EXPECT_EQ(saved.Robot_category, 0);
    EXPECT_EQ(saved.Robot_history, odd.Robot_history + "!");
}

TEST_F(RobotWindowTest, ARecordGoneFromTheFileIsReportedAndNothingIsWritten)
{
    // The database shrinks to two records between listing and opening record 5.
    writeDatabase(5);
    const QByteArray shrunk = databaseBytes().left(2 * kSlot);
    expectEditor([&](frmEditRobot& editor) {
        EXPECT_EQ(scriptedPrompt().messages(),
                  QStringList{"Record 5 is not in the robot database, which holds 2 records."});
        EXPECT_EQ(named<QLineEdit>(editor, "EditField0")->text(), "");
        QTest::keyClicks(named<QLineEdit>(editor, "EditField0"), "Lost Bot");
        QTest::mouseClick(named<QPushButton>(editor, "Proceed"), Qt::LeftButton);
        EXPECT_EQ(scriptedPrompt().messages().size(), 2) << "the failed write is reported";
        EXPECT_TRUE(editor.isVisible()) << "the typed robot is not lost";
        EXPECT_TRUE(named<QPushButton>(editor, "Proceed")->isEnabled());
        scriptedPrompt().answerNext(Prompt::Answer::No);
        QTest::mouseClick(named<QPushButton>(editor, "Cancel"), Qt::LeftButton);
    });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        selectRow(tab, 4);
        test::writeFileBytes(databasePath(), shrunk);
        QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
        EXPECT_EQ(named<QTreeView>(tab, "ListView1")->model()->rowCount(), 2);
    });
    EXPECT_EQ(databaseBytes(), shrunk);
}

// Nothing of the editor is cut off at the size it opens with: every caption whole, every field inside
// the window and showing its text from the beginning.
TEST_F(RobotWindowTest, UploadGuardRobotEditorShowsWholeCaptionsAndFieldsFromTheirStart)
{
    writeDatabase(2);
    expectEditor([](frmEditRobot& editor) {
        const QRect inside = editor.rect();
        for (const QLabel* label : editor.findChildren<QLabel*>()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            EXPECT_TRUE(inside.contains(QRect(label->mapTo(&editor, QPoint()), label->size())));
        }
        for (int i = 0; i < frmEditRobot::kFieldCount; ++i) {
            const auto* field = named<QLineEdit>(editor, QStringLiteral("EditField%1").arg(i));
            EXPECT_EQ(field->cursorPosition(), 0) << i;
            EXPECT_GE(field->width(), 230) << i;
            EXPECT_TRUE(inside.contains(QRect(field->mapTo(&editor, QPoint()), field->size()))) << i;
        }
    });
    openRobotList([&](frmOption&, RobotListTab& tab) {
        QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
    });
}
