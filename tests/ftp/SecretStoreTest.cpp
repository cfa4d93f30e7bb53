// "Remember my FTP password" unticked: the password goes to the desktop's secret store instead of the
// project file, against a real Secret Service, and what the user is told when no store keeps it.
#include "ftp/SecretStore.h"
#include "gui/main/frmMain.h"
#include "project/ProjectState.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/SecretService.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using sf::test::named;
using sf::test::scriptedPrompt;

using namespace sf;

namespace {

constexpr int kPasswordOffset = 540;
constexpr int kPasswordWidth = 75;
constexpr int kPasswordByte = 621;

struct Login {
    QString user;
    QString password;
};

class SecretStoreTest : public testing::Test, protected test::MainWindowFixture {
protected:
    // Types the connection as a user does and saves it under `name` with the password kept out of
    // the file.
    QString saveProject(const QString& name, const Login& login)
    {
        frmMain& w = start();
        shared::projectHeader.rememberPassword = false;
        typeConnection(QStringLiteral("127.0.0.1"), login.user, login.password, QStringLiteral("2121"));
        const QString path = dir.file(name);
        scriptedPrompt().chooseFileNext(path);
        named<QAction>(w, "mnuSaveAs")->trigger();
        stop();
        return path;
    }

    // The password field of the saved file, and its "kept in the secret store" byte.
    static void expectNoPasswordInFile(const QString& path, const Login& login)
    {
        const QByteArray file = test::readFileBytes(path);
        ASSERT_GT(file.size(), kPasswordByte);
        EXPECT_EQ(file.mid(kPasswordOffset, kPasswordWidth), QByteArray(kPasswordWidth, ' '));
        EXPECT_EQ(file.indexOf(login.password.toUtf8()), -1);
        EXPECT_EQ(file.at(kPasswordByte), 1);
    }

    QString openedPassword(const QString& path)
    {
        frmMain& w = start();
        scriptedPrompt().chooseFileNext(path);
        named<QAction>(w, "mnuOpenPRoject")->trigger();
        const QString password = named<QLineEdit>(w, "txtPassword")->text();
        stop();
        return password;
    }

    test::TempProgramDir dir;
};

TEST_F(SecretStoreTest, ThePasswordGoesToTheSecretServiceAndComesBackWhenTheProjectOpens)
{
    test::SecretService service;
    ASSERT_TRUE(service.start()) << service.errorString().toStdString();
    // Two users of one server: each keeps a password of their own.
    const Login logins[] = {{"anna", "first pass word"}, {"bert", "second pass word"}};
    QStringList paths;
    for (const Login& login : logins) {
        SCOPED_TRACE(login.user.toStdString());
        paths << saveProject(login.user + ".sfp", login);
        EXPECT_TRUE(scriptedPrompt().messages().isEmpty())
            << scriptedPrompt().messages().join('\n').toStdString();
        expectNoPasswordInFile(paths.last(), login);
        EXPECT_EQ(SecretStore::read(SecretStore::key("127.0.0.1", "2121", login.user)), login.password);
    }
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(openedPassword(paths[i]), logins[i].password) << logins[i].user.toStdString();
    EXPECT_TRUE(QFile::exists(service.keyringDir() + "/login.keyring"));

    // A locked store refuses the password: the user is told, and the project is saved without it.
    ASSERT_TRUE(service.lockKeyring()) << service.errorString().toStdString();
    scriptedPrompt().reset();
    const Login refused{"carl", "third pass word"};
    const QString path = saveProject("carl.sfp", refused);
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(scriptedPrompt().messages().first().startsWith("The password could not be kept"))
        << scriptedPrompt().messages().first().toStdString();
    expectNoPasswordInFile(path, refused);
}

TEST_F(SecretStoreTest, WithoutASecretStoreTheSaveSaysThePasswordWasNotKept)
{
    // No session bus answers, so no secret store does.
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.file("no-bus").toLocal8Bit());
    const Login login{"anna", "first pass word"};
    const QString path = saveProject("anna.sfp", login);
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    const QString told = scriptedPrompt().messages().first();
    EXPECT_TRUE(told.startsWith("The password could not be kept in the desktop's secret store:"))
        << told.toStdString();
    EXPECT_TRUE(told.contains("will ask for the password when it connects")) << told.toStdString();
    expectNoPasswordInFile(path, login);
    EXPECT_EQ(openedPassword(path), QString()) << "the connect asks for it";
    bus.isNull() ? qunsetenv("DBUS_SESSION_BUS_ADDRESS") : qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
}

} // namespace
