#include "RobotWindowFixture.h"
#include "base/SharedState.h"
#include "support/NamedChild.h"

#include <QTest>

namespace sf::test {

void RobotWindowTest::SetUp()
{
    shared::reset();
    RobotListVersion.clear();
    RobotCount = 0;
    script = std::make_unique<ModalScript>();
}

void RobotWindowTest::TearDown()
{
    if (window)
        window->SetModified(false);
    window.reset();
    script.reset();
    shared::reset();
}

RobotRecord RobotWindowTest::sampleRobot(int n)
{
    RobotRecord r;
    int i = 0;
    for (const RobotFieldInfo& field : robotFields()) {
        ++i;
        if (field.type == RobotFieldType::Text)
            r.*field.text = QStringLiteral("f%1-r%2").arg(i).arg(n);
    }
    r.Robot_name = QStringLiteral("  Robot %1  ").arg(n);
    r.Robot_exclusion_useragent = QStringLiteral("agent-%1").arg(n);
    r.Robot_exclusions = toRobotFlag(n % 2 == 0);
    r.Robot_noindex = n % 3 == 0 ? qint16(1) : kRobotYes; // 1 is stored but reads as no
    r.Robot_nofollow = kRobotNo;
    r.Robot_from = toRobotFlag(n % 2 == 1);
    r.Robot_category = static_cast<qint16>(n % 6 + 1);
    r.Modified_date = 37000.0 + n;
    r.Modified_by = QStringLiteral("Someone");
    r.RobotVersion = QStringLiteral("v%1").arg(n);
    return r;
}

void RobotWindowTest::writeDatabase(int count)
{
    // Written in one piece: the database of a test may hold hundreds of records.
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes +=
            sampleRobot(n).toData() + QByteArray(RobotRecord::kSlotSize - RobotRecord::kDataSize, char(n));
    writeFileBytes(databasePath(), bytes);
}

frmMain& RobotWindowTest::start()
{
    window = std::make_unique<frmMain>();
    window->Form_Load();
    window->show();
    return *window;
}

void RobotWindowTest::openRobotList(const std::function<void(frmOption&, RobotListTab&)>& step)
{
    if (!window)
        start();
    script->next<frmOption>([step](frmOption& options) {
        ASSERT_EQ(named<QTabWidget>(options, "SSTab1")->currentWidget(), options.robotList());
        step(options, *options.robotList());
    });
    for (const auto& editorStep : editorSteps)
        script->next<frmEditRobot>(editorStep);
    editorSteps.clear();
    named<QAction>(window, "mnuAddEditRobot")->trigger();
}

void RobotWindowTest::expectEditor(const std::function<void(frmEditRobot&)>& step)
{
    editorSteps.push_back(step);
}

void RobotWindowTest::clickBox(QAbstractButton* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

void RobotWindowTest::selectRow(RobotListTab& tab, int row)
{
    QTreeView* view = named<QTreeView>(tab, "ListView1");
    const QModelIndex index = tab.model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    ASSERT_EQ(view->selectionModel()->selectedRows().value(0).row(), row);
}

} // namespace sf::test
