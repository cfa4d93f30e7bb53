// SFTP against OpenSSH's sshd: host keys, password and key logins, listing, navigation, publishing.
#include "ftp/cFTP.h"
#include "gui/ftp/PromptTrustDecider.h"
#include "support/ScriptedPrompt.h"
#include "support/SshServer.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sf::Prompt;
using sf::test::scriptedPrompt;

class SftpTest : public testing::Test {
protected:
    void SetUp() override
    {
        sf::test::clearSettings();
        QFile::remove(cFTP::SftpKnownHostsFile());
        scriptedPrompt().reset();
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        ftp.SetProtocol(sf::ftp::Protocol::Sftp);
        ftp.SetTrustDecider(&trust);
    }
    void TearDown() override
    {
        scriptedPrompt().reset();
        QFile::remove(cFTP::SftpKnownHostsFile());
    }

    bool connect(const QString& password)
    {
        return ftp.OpenConnection(server.host(), server.user(), password, server.port());
    }
    // Connected with the password, the host key trusted always.
    void connectTrusted()
    {
        scriptedPrompt().answerNext(Prompt::Answer::Always);
        ASSERT_TRUE(connect(server.password())) << ftp.GetLastErrorMessage().toStdString();
    }
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(server.port()); }
    QString local(const QString& name) const { return m_local.filePath(name); }

    sf::test::SshServer server;
    sf::PromptTrustDecider trust; // asks through the scripted prompt
    cFTP ftp;

private:
    QTemporaryDir m_local;
};

TEST_F(SftpTest, HostKeyQuestionAnsweredEachWay)
{
    struct Step {
        Prompt::Answer answer;
        bool asked;
        bool connects;
        bool inKnownHosts;
    } steps[] = {
        {Prompt::Answer::No, true, false, false},
        {Prompt::Answer::ThisTime, true, true, false},
        {Prompt::Answer::Always, true, true, true},
        {Prompt::Answer::Ok, false, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(static_cast<int>(step.answer));
        scriptedPrompt().reset();
        if (step.asked)
            scriptedPrompt().answerNext(step.answer);
        EXPECT_EQ(connect(server.password()), step.connects) << ftp.GetLastErrorMessage().toStdString();
        ASSERT_EQ(scriptedPrompt().shown().size(), step.asked ? 1 : 0);
        if (step.asked) {
            const QString text = scriptedPrompt().shown().first().text;
            EXPECT_EQ(scriptedPrompt().shown().first().buttons, Prompt::Buttons::Trust);
            EXPECT_TRUE(text.contains(hostPort()) && text.contains("ssh-ed25519") &&
                        text.contains("SHA256:") && text.contains("Trust this host key?"))
                << text.toStdString();
        }
        if (!step.connects) {
            EXPECT_TRUE(ftp.GetLastErrorMessage().contains("refused"))
                << ftp.GetLastErrorMessage().toStdString();
        }
        QFile knownHosts(cFTP::SftpKnownHostsFile());
        const QByteArray known = knownHosts.open(QIODevice::ReadOnly) ? knownHosts.readAll() : QByteArray();
        EXPECT_EQ(known.contains("127.0.0.1"), step.inKnownHosts) << known.toStdString();
        ftp.CloseConnection();
    }
}

TEST_F(SftpTest, ChangedHostKeyIsRefusedWithAWarning)
{
    connectTrusted();
    ftp.CloseConnection();
    ASSERT_TRUE(server.restartWithNewHostKey()) << server.errorString().toStdString();
    scriptedPrompt().reset();
    EXPECT_FALSE(connect(server.password()));
    ASSERT_EQ(scriptedPrompt().shown().size(), 1) << "a warning, never a question";
    EXPECT_EQ(scriptedPrompt().shown().first().buttons, Prompt::Buttons::Ok);
    EXPECT_TRUE(
        ftp.GetLastErrorMessage().startsWith("WARNING: the host key of " + hostPort() + " has changed"))
        << ftp.GetLastErrorMessage().toStdString();
}

TEST_F(SftpTest, PasswordAndKeyLogins)
{
    ASSERT_TRUE(server.authorizeKey(local("plain"), ""));
    ASSERT_TRUE(server.authorizeKey(local("locked"), "key pass phrase"));
    struct Case {
        QString keyFile;
        QString secret; // the password, or the key's passphrase
        bool connects;
    } cases[] = {
        {"", server.password(), true},     {"", "wrong", false},
        {local("plain"), "", true},        {local("locked"), "key pass phrase", true},
        {local("locked"), "wrong", false},
    };
    connectTrusted();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyFile.toStdString() + " " + c.secret.toStdString());
        ftp.SetKeyFile(c.keyFile, c.keyFile.isEmpty() ? QString() : c.secret);
        EXPECT_EQ(connect(c.keyFile.isEmpty() ? c.secret : QStringLiteral("not the password")), c.connects)
            << ftp.GetLastErrorMessage().toStdString();
        if (c.connects) {
            EXPECT_EQ(ftp.GetFTPDirectory(), server.root());
        }
    }
}

TEST_F(SftpTest, ListsNavigatesAndPublishesByteExact)
{
    QDir().mkpath(server.root() + "/site/sub folder");
    sf::test::writeFileBytes(server.root() + "/site/robots.txt", "old\n");
    sf::test::writeFileBytes(server.root() + "/site/page.html", QByteArray(2048, 'x'));
    connectTrusted();
    ASSERT_TRUE(ftp.SetFTPDirectory("site/sub folder")) << ftp.GetLastErrorMessage().toStdString();
    ASSERT_TRUE(ftp.SetFTPDirectory(ftp.GetFTPDirectory() + "/.."));
    EXPECT_EQ(ftp.GetFTPDirectory(), server.root() + "/site");
    EXPECT_FALSE(ftp.SetFTPDirectory("no such folder"));
    // Entering a folder reads it; the refresh right after takes that reading instead of a second one.
    ASSERT_TRUE(ftp.SetFTPDirectory(ftp.GetFTPDirectory()));
    sf::test::writeFileBytes(server.root() + "/site/late.html", "x");
    ASSERT_NE(ftp.GetDirectoryListing("*.*"), nullptr) << ftp.GetLastErrorMessage().toStdString();
    QStringList entries;
    for (const cDirItem& item : *ftp.Directory())
        entries << item.FileName + (item.Directory ? "/" : ":" + QString::number(item.FileSize));
    entries.sort();
    EXPECT_EQ(entries, (QStringList{"page.html:2048", "robots.txt:4", "sub folder/"}));

    const QByteArray text = "User-agent: *\r\nDisallow: /private/\r\n";
    sf::test::writeFileBytes(local("up.txt"), text);
    cFTP::PublishMethod method = cFTP::PublishMethod::DirectWrite;
    ASSERT_TRUE(ftp.PublishFile(local("up.txt"), "robots.txt", &method))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(method, cFTP::PublishMethod::Renamed);
    EXPECT_EQ(sf::test::readFileBytes(server.root() + "/site/robots.txt"), text);
    EXPECT_TRUE(QDir(server.root() + "/site").entryList({"*.part"}, QDir::Files | QDir::Hidden).isEmpty());
}
