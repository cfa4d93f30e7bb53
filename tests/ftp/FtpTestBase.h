#pragma once

#include "ftp/cFTP.h"
#include "support/FtpServer.h"

#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A test against a real FTP server started for it, once with pyftpdlib and once with vsftpd.
class FtpServerTest : public testing::TestWithParam<sf::test::FtpServer::Kind> {
public:
    static std::string nameOf(const testing::TestParamInfo<sf::test::FtpServer::Kind>& info)
    {
        return sf::test::FtpServer::kindName(info.param).toStdString();
    }

protected:
    void SetUp() override { ASSERT_TRUE(server.start(GetParam())) << server.errorString().toStdString(); }

    bool isVsftpd() const { return GetParam() == sf::test::FtpServer::Kind::Vsftpd; }

    bool connect(bool passive = true)
    {
        passive ? ftp.SetModePassive() : ftp.SetModeActive();
        return ftp.OpenConnection(server.host(), server.user(), server.password(), server.port());
    }

    // Connected, in the folder the login may write into.
    void connectToWritableDir(bool passive = true)
    {
        ASSERT_TRUE(connect(passive)) << ftp.GetLastErrorMessage().toStdString();
        ASSERT_TRUE(ftp.SetFTPDirectory(server.writableDir())) << ftp.GetLastErrorMessage().toStdString();
    }

    // A remote path inside the writable folder.
    QString remote(const QString& name) const
    {
        const QString dir = server.writableDir();
        return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
    }

    QString local(const QString& name) const { return m_local.filePath(name); }

    // Name -> "d" for a folder or the size of a file, from the session's list.
    QMap<QString, QString> listed()
    {
        QMap<QString, QString> entries;
        for (const cDirItem& item : *ftp.Directory())
            entries.insert(item.FileName,
                           item.Directory ? QStringLiteral("d") : QString::number(item.FileSize));
        return entries;
    }

    sf::test::FtpServer server; // declared first: the session goes before its server
    cFTP ftp;

private:
    QTemporaryDir m_local;
};

#define SF_INSTANTIATE_FOR_BOTH_SERVERS(suite)                                                               \
    INSTANTIATE_TEST_SUITE_P(                                                                                \
        Servers, suite,                                                                                      \
        testing::Values(sf::test::FtpServer::Kind::Pyftpdlib, sf::test::FtpServer::Kind::Vsftpd),            \
        FtpServerTest::nameOf)
