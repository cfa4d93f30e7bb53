// The program run from its portable folder and from a folder its user cannot write, as the package
// installs it: where a robot edit lands, and what the update tab offers.
#include "RobotWindowFixture.h"

#include "base/InstallMode.h"
#include "gui/online/UpdateTab.h"
#include "support/NamedChild.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using sf::test::named;

using namespace sf;
using test::RobotWindowTest;

namespace {

// Points the user's data folder at a temporary one while it lives.
class DataHome {
public:
    DataHome() : m_before(qgetenv("XDG_DATA_HOME")) { qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit()); }
    ~DataHome() { qputenv("XDG_DATA_HOME", m_before); }
    QString userFile(const QString& name) const
    {
        return m_dir.filePath(QStringLiteral("Spiderfence/") + name);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_before;
};

constexpr QFileDevice::Permissions kReadOnlyFolder = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                     QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                     QFileDevice::ReadOther | QFileDevice::ExeOther;

} // namespace

TEST_F(RobotWindowTest, ReadOnlyProgramFolderKeepsEditsInTheDataFolderAndLeavesUpdatesToThePackageManager)
{
    const struct {
        const char* name;
        bool readOnly;
    } cases[] = {{"portable folder", false}, {"folder the user cannot write", true}};
    for (const auto& c : cases) {
        const DataHome home;
        writeDatabase(3);
        const QByteArray installed = databaseBytes();
        // Root may write any folder: the mode follows the folder's permission bits, not access().
        if (c.readOnly) {
            ASSERT_TRUE(QFile::setPermissions(dir.path(), kReadOnlyFolder));
        }
        EXPECT_EQ(CurrentInstallMode(), c.readOnly ? InstallMode::Packaged : InstallMode::Portable) << c.name;

        expectEditor([](frmEditRobot& editor) {
            named<QLineEdit>(editor, "EditField0")->end(false);
            QTest::keyClicks(named<QLineEdit>(editor, "EditField0"), "x");
            QTest::mouseClick(named<QPushButton>(editor, "Proceed"), Qt::LeftButton);
        });
        openRobotList([&](frmOption& options, RobotListTab& tab) {
            selectRow(tab, 1);
            QTest::mouseClick(named<QPushButton>(tab, "Modify_Robot"), Qt::LeftButton);
            EXPECT_EQ(tab.model()->index(1, 0).data().toString(), "Robot 2x") << c.name;
            const UpdateTab* update = named<UpdateTab>(options, "UpdateTab");
            const QString message = named<QLabel>(update, "Label7")->text();
            EXPECT_EQ(message.contains("updates come through the package manager"), c.readOnly) << c.name;
            EXPECT_EQ(named<QPushButton>(update, "CheckOnline")->isEnabled(), !c.readOnly) << c.name;
            EXPECT_EQ(named<QLabel>(update, "Label11")->isHidden(), c.readOnly) << "Renewkit, " << c.name;
        });
        window.reset();
        ASSERT_TRUE(QFile::setPermissions(dir.path(), kReadOnlyFolder | QFileDevice::WriteOwner));

        const QString edited = c.readOnly ? home.userFile("robots.rbd") : databasePath();
        RobotRecord record;
        ASSERT_TRUE(RobotDatabase(edited).read(2, record)) << c.name;
        EXPECT_EQ(record.Robot_name, "Robot 2x") << c.name;
        if (c.readOnly) {
            EXPECT_EQ(databaseBytes(), installed) << "the installed robots.rbd stays as it was";
            ASSERT_TRUE(RobotDatabase(edited).read(3, record));
            EXPECT_EQ(record.Robot_name, "Robot 3") << "the rest copied from the installed one";
        } else
            EXPECT_FALSE(QFile::exists(home.userFile("robots.rbd"))) << c.name;
    }
}
