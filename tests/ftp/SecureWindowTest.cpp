// FTP over TLS and SFTP as the user drives them from the main window: the project's choice about
// unknown certificates and host keys, and the folder a login starts in.
#include "base/SettingsStore.h"
#include "ftp/cFTP.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "gui/options/frmOption.h"
#include "project/ProjectState.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/SshServer.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using sf::test::named;
using sf::test::scriptedPrompt;

using namespace sf;

namespace {

constexpr int kTrustByte = 620;

// A server as the connection frame names it, and what the window shows after the login.
struct Peer {
    ftp::Protocol protocol;
    QString user;
    QString password;
    int port;
    QString asked;       // the start of the question about its certificate or host key
    QString loginFolder; // the folder the window lists after connecting
};

class SecureWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override { QFile::remove(cFTP::SftpKnownHostsFile()); }
    void TearDown() override
    {
        stop();
        QFile::remove(cFTP::SftpKnownHostsFile());
    }

    void typeConnection(const Peer& peer)
    {
        auto* protocol = named<QComboBox>(window, "cboProtocol");
        protocol->setCurrentIndex(static_cast<int>(peer.protocol));
        emit protocol->activated(protocol->currentIndex());
        window->ftpCommands().optPassive_Click(); // libcurl 7.88 hangs in active-mode FTPS
        MainWindowFixture::typeConnection(QStringLiteral("127.0.0.1"), peer.user, peer.password,
                                          QString::number(peer.port));
    }

    // Opens the options window, checks the choice it shows, clicks `choose` and applies.
    void chooseTrust(const char* shown, const char* choose)
    {
        test::ModalScript script;
        script.next<frmOption>([&](frmOption& options) {
            EXPECT_TRUE(named<QGroupBox>(options, "fraTrust")->isEnabled());
            EXPECT_TRUE(named<QRadioButton>(options, shown)->isChecked()) << shown;
            auto* button = named<QRadioButton>(options, choose);
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
            QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
        });
        named<QAction>(window, "mnuOptions")->trigger();
    }

    bool connectNow()
    {
        named<QAction>(window, "Toolbar4Button1")->trigger();
        return window->isConnected();
    }

    test::TempProgramDir dir;
};

TEST_F(SecureWindowTest, RefusingUnknownCertificatesAndHostKeysIsKeptInTheProjectAndHonouredAtConnect)
{
    test::FtpServer tls;
    tls.setTls(test::FtpServer::Tls::Explicit);
    ASSERT_TRUE(tls.start(test::FtpServer::Kind::Vsftpd)) << tls.errorString().toStdString();
    test::SshServer ssh;
    ASSERT_TRUE(ssh.start()) << ssh.errorString().toStdString();
    test::writeFileBytes(ssh.root() + "/index.html", "home page");
    const Peer peers[] = {
        {ftp::Protocol::FtpExplicit, tls.user(), tls.password(), tls.port(), "The certificate of", "/"},
        {ftp::Protocol::Sftp, ssh.user(), ssh.password(), ssh.port(), "The host key of", ssh.root()},
    };
    for (const Peer& peer : peers) {
        SCOPED_TRACE(peer.asked.toStdString());
        start();
        typeConnection(peer);
        chooseTrust("optTrustAsk", "optTrustRefuse");
        EXPECT_EQ(shared::projectHeader.trust, ftp::TrustPolicy::Refuse);
        EXPECT_TRUE(window->isModified());
        scriptedPrompt().reset();
        EXPECT_FALSE(connectNow());
        ASSERT_EQ(scriptedPrompt().shown().size(), 1) << "the refusal, never a question";
        const auto& told = scriptedPrompt().shown().first();
        EXPECT_EQ(told.buttons, Prompt::Buttons::Ok);
        EXPECT_TRUE(told.text.startsWith(peer.asked)) << told.text.toStdString();
        EXPECT_TRUE(told.text.endsWith("The project refuses unknown certificates and host keys (Options, "
                                       "Project Options), so the connection was refused."))
            << told.text.toStdString();
        EXPECT_FALSE(QFile::exists(cFTP::SftpKnownHostsFile()) &&
                     test::readFileBytes(cFTP::SftpKnownHostsFile()).contains("127.0.0.1"));
        EXPECT_TRUE(
            SettingsStore::trustedCertificate(QStringLiteral("127.0.0.1:%1").arg(peer.port)).isEmpty());

        const QString path = dir.file("secure.sfp");
        scriptedPrompt().chooseFileNext(path);
        named<QAction>(window, "mnuSaveAs")->trigger();
        EXPECT_EQ(test::readFileBytes(path).at(kTrustByte), 1);
        stop();

        // Opened again, the project still refuses; set back to Ask, the connect asks.
        start();
        scriptedPrompt().chooseFileNext(path);
        named<QAction>(window, "mnuOpenPRoject")->trigger();
        chooseTrust("optTrustRefuse", "optTrustAsk");
        scriptedPrompt().reset();
        scriptedPrompt().answerNext(Prompt::Answer::ThisTime);
        ASSERT_TRUE(connectNow()) << window->ftpCommands().session().GetLastErrorMessage().toStdString();
        EXPECT_EQ(scriptedPrompt().shown().first().buttons, Prompt::Buttons::Trust);
        // FTP lists the server's root; SFTP the login's home folder, where its files are.
        EXPECT_EQ(window->ftpCommands().remoteDirectory(), peer.loginFolder);
        if (peer.protocol == ftp::Protocol::Sftp) {
            EXPECT_EQ(named<QTreeWidget>(window, "lv")->findItems("index.html", Qt::MatchExactly).size(), 1);
        }
        stop();
    }
}

} // namespace
