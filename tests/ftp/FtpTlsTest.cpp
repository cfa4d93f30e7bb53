// FTP over TLS (explicit) and FTPS (implicit) against vsftpd with a certificate made for the test.
#include "base/SettingsStore.h"
#include "ftp/cFTP.h"
#include "gui/ftp/PromptTrustDecider.h"
#include "support/FtpServer.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sf::Prompt;
using sf::ftp::Protocol;
using sf::test::FtpServer;
using sf::test::scriptedPrompt;

namespace {

// "AB:CD:..." as openssl reads the certificate file.
QString opensslFingerprint(const QString& certificate)
{
    QProcess openssl;
    openssl.start("openssl", {"x509", "-noout", "-fingerprint", "-sha256", "-in", certificate});
    openssl.waitForFinished(30000);
    const QString out = QString::fromLatin1(openssl.readAllStandardOutput()).trimmed();
    return out.mid(out.indexOf('=') + 1);
}

struct TlsCase {
    FtpServer::Tls tls;
    Protocol protocol;
    const char* name;
};

// By its name: the bytes of the case hold padding, which differs from build to build.
void PrintTo(const TlsCase& c, std::ostream* out)
{
    *out << c.name;
}

} // namespace

class FtpTlsTest : public testing::TestWithParam<TlsCase> {
protected:
    void SetUp() override
    {
        sf::test::clearSettings();
        scriptedPrompt().reset();
        server.setTls(GetParam().tls);
        ASSERT_TRUE(server.start(FtpServer::Kind::Vsftpd)) << server.errorString().toStdString();
        ftp.SetProtocol(GetParam().protocol);
        ftp.SetTrustDecider(&trust);
        ftp.SetModePassive(); // libcurl 7.88 hangs in active-mode FTPS
        ftp.SetTransferBinary();
    }
    void TearDown() override { scriptedPrompt().reset(); }

    bool connect()
    {
        return ftp.OpenConnection(server.host(), server.user(), server.password(), server.port());
    }
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(server.port()); }

    FtpServer server;
    sf::PromptTrustDecider trust; // asks through the scripted prompt
    cFTP ftp;
    QTemporaryDir local;
};

TEST_P(FtpTlsTest, TrustQuestionAnsweredEachWay)
{
    const QString fingerprint = opensslFingerprint(server.certificateFile());
    ASSERT_EQ(fingerprint.size(), 95) << fingerprint.toStdString();
    struct Step {
        Prompt::Answer answer; // the answer to the question, when one is asked
        bool asked;
        bool connects;
        bool remembered;
    } steps[] = {
        {Prompt::Answer::No, true, false, false},
        {Prompt::Answer::ThisTime, true, true, false},
        {Prompt::Answer::Always, true, true, true},
        {Prompt::Answer::Ok, false, true, true}, // remembered: no question
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(static_cast<int>(step.answer));
        scriptedPrompt().reset();
        if (step.asked)
            scriptedPrompt().answerNext(step.answer);
        EXPECT_EQ(connect(), step.connects) << ftp.GetLastErrorMessage().toStdString();
        ASSERT_EQ(scriptedPrompt().shown().size(), step.asked ? 1 : 0);
        if (step.asked) {
            const auto& question = scriptedPrompt().shown().first();
            EXPECT_EQ(question.buttons, Prompt::Buttons::Trust);
            for (const QString& part :
                 {QStringLiteral("Subject: CN = Spiderfence test server"),
                  QStringLiteral("Issuer: CN = Spiderfence test server"), QStringLiteral("Valid from "),
                  fingerprint, hostPort(), QStringLiteral("Trust this certificate?")})
                EXPECT_TRUE(question.text.contains(part)) << part.toStdString() << "\n"
                                                          << question.text.toStdString();
        }
        if (!step.connects) {
            EXPECT_TRUE(ftp.GetLastErrorMessage().contains("refused"))
                << ftp.GetLastErrorMessage().toStdString();
        }
        EXPECT_EQ(!sf::SettingsStore::trustedCertificate(hostPort()).isEmpty(), step.remembered);
        ftp.CloseConnection();
    }
}

TEST_P(FtpTlsTest, ListsNavigatesAndPublishesByteExact)
{
    scriptedPrompt().answerNext(Prompt::Answer::ThisTime);
    ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
    server.makeDir("/upload/sub");
    server.writeFile("/upload/robots.txt", "old\r\n");
    ASSERT_TRUE(ftp.SetFTPDirectory("/upload/sub"));
    ASSERT_TRUE(ftp.SetFTPDirectory(".."));
    EXPECT_EQ(ftp.GetFTPDirectory(), "/upload");
    const QByteArray text = "User-agent: *\r\nDisallow: /secret/\r\n";
    sf::test::writeFileBytes(local.filePath("up.txt"), text);
    cFTP::PublishMethod method = cFTP::PublishMethod::DirectWrite;
    ASSERT_TRUE(ftp.PublishFile(local.filePath("up.txt"), "robots.txt", &method))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(method, cFTP::PublishMethod::Renamed);
    EXPECT_EQ(server.readFile("/upload/robots.txt"), text);
    ASSERT_NE(ftp.GetDirectoryListing("*.*"), nullptr) << ftp.GetLastErrorMessage().toStdString();
    QStringList names;
    for (const cDirItem& item : *ftp.Directory())
        names << item.FileName + (item.Directory ? "/" : "");
    names.sort();
    EXPECT_EQ(names, (QStringList{"robots.txt", "sub/"}));
}

// vsftpd 3.0.3 fails about one in three uploads of this size over a TLS 1.3 data connection ("426
// Failure reading network stream"): every one of them must arrive whole all the same.
TEST_P(FtpTlsTest, LargeUploadsArriveWhole)
{
    scriptedPrompt().answerNext(Prompt::Answer::ThisTime);
    ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
    ASSERT_TRUE(ftp.SetFTPDirectory("/upload"));
    QByteArray text;
    for (int i = 0; text.size() < 500 * 1024; ++i)
        text += "User-agent: robot-" + QByteArray::number(i) + "\r\nDisallow: /area-" +
                QByteArray::number(i) + "/\r\n";
    sf::test::writeFileBytes(local.filePath("big.txt"), text);
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(ftp.FTPUploadFile(local.filePath("big.txt"), "robots.txt"))
            << "upload " << i << ": " << ftp.GetLastErrorMessage().toStdString();
        ASSERT_EQ(server.readFile("/upload/robots.txt"), text) << "upload " << i;
    }
}

TEST_P(FtpTlsTest, ChangedCertificateIsRefusedWithAWarning)
{
    scriptedPrompt().answerNext(Prompt::Answer::Always);
    ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
    ftp.CloseConnection();
    ASSERT_TRUE(server.restartWithNewCertificate()) << server.errorString().toStdString();
    scriptedPrompt().reset();
    EXPECT_FALSE(connect());
    ASSERT_EQ(scriptedPrompt().shown().size(), 1) << "a warning, never a question";
    const auto& warning = scriptedPrompt().shown().first();
    EXPECT_EQ(warning.buttons, Prompt::Buttons::Ok);
    EXPECT_TRUE(warning.text.startsWith("WARNING: the certificate of " + hostPort() + " has changed"));
    EXPECT_TRUE(warning.text.contains(opensslFingerprint(server.certificateFile())));
    EXPECT_EQ(ftp.GetLastErrorMessage(), warning.text);
    EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorNotTrusted);
}

INSTANTIATE_TEST_SUITE_P(Tls, FtpTlsTest,
                         testing::Values(TlsCase{FtpServer::Tls::Explicit, Protocol::FtpExplicit, "explicit"},
                                         TlsCase{FtpServer::Tls::Implicit, Protocol::FtpsImplicit,
                                                 "implicit"}),
                         [](const auto& info) { return std::string(info.param.name); });
