#include "project/ProjectFile.h"
#include "project/RuleGrid.h"
#include "support/FailDevice.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace sf;

namespace {

QByteArray field(const QByteArray& bytes, int offset, int size)
{
    return bytes.mid(offset, size);
}

QByteArray padded(const QByteArray& text, int width)
{
    return text + QByteArray(width - text.size(), ' ');
}

} // namespace

TEST(ProjectFile, NewProjectIsNineSlotsWithHeaderFieldsAtTheirOffsets)
{
    test::TempProgramDir dir;
    ProjectHeader h;
    h.headerText = RuleGrid::defaultHeaderText();
    h.server = "ftp.example.org";
    h.port = "2121";
    h.user = "anna";
    h.password = QString::fromUtf8("s\u00e9cret");
    h.binaryTransfer = -1;
    h.activeMode = 0;
    const QString path = dir.file("p.sfp");
    ASSERT_TRUE(ProjectFile::save(path, h, RuleGrid::newProjectTemplate()));
    const QByteArray bytes = test::readFileBytes(path);
    ASSERT_EQ(bytes.size(), 9 * 1234);
    EXPECT_EQ(field(bytes, 0, 150), padded("Edit this robots.txt header in the Options menu", 150));
    EXPECT_EQ(field(bytes, 150, 150), QByteArray(150, '\0')) << "no project opened yet: NUL characters";
    EXPECT_EQ(field(bytes, 300, 150), padded("ftp.example.org", 150));
    EXPECT_EQ(field(bytes, 450, 15), padded("2121", 15));
    EXPECT_EQ(field(bytes, 465, 75), padded("anna", 75));
    EXPECT_EQ(field(bytes, 540, 75), padded("s\xe9"
                                            "cret",
                                            75));
    EXPECT_EQ(field(bytes, 615, 2), QByteArray("\xff\xff", 2));
    EXPECT_EQ(field(bytes, 617, 2), QByteArray("\0\0", 2));
    EXPECT_EQ(field(bytes, 1234, 617), padded("#", 617)); // slot 2: row 1
    EXPECT_EQ(field(bytes, 2 * 1234, 617), padded("# " + RuleGrid::defaultHeaderText().toLatin1(), 617));
    EXPECT_EQ(field(bytes, 8 * 1234, 617), QByteArray(617, ' ')); // slot 9: the last, empty row

    ProjectFile::Contents back;
    ASSERT_TRUE(ProjectFile::load(path, back));
    EXPECT_EQ(back.rows, RuleGrid::newProjectTemplate());
    EXPECT_EQ(back.header.server, "ftp.example.org");
    EXPECT_EQ(back.header.password, h.password);
    EXPECT_EQ(back.header.binaryTransfer, -1);
    EXPECT_EQ(back.header.activeMode, 0);
}

TEST(ProjectFile, RowsAreCutTrimmedAndFlagsReadExactly)
{
    QStringList rows = RuleGrid::newProjectTemplate();
    rows.insert(5, QString(700, 'x'));
    rows.insert(6, "   leading spaces");
    ProjectHeader h;
    h.activeMode = 1;
    h.headerText = QString(200, 'h');
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(ProjectFile::write(buffer, h, rows));
    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    ProjectFile::Contents back;
    ASSERT_TRUE(ProjectFile::read(buffer, back));
    EXPECT_EQ(back.rows.at(5), QString(617, 'x'));
    EXPECT_EQ(back.rows.at(6), "leading spaces");
    EXPECT_EQ(back.rows.at(0), RuleGrid::ruleLine()) << "row 0 is not stored but always comes back";
    EXPECT_EQ(back.header.headerText, QString(150, 'h'));
    EXPECT_EQ(back.header.activeMode, 1); // not -1: passive
}

TEST(ProjectFile, HandMadeFileOpensWithTheRightFieldsAndRows)
{
    QByteArray bytes(3 * 1234, '\0');
    auto put = [&bytes](int offset, const QByteArray& text, int width) {
        bytes.replace(offset, width, text + QByteArray(width - text.size(), ' '));
    };
    put(0, "  Header from elsewhere ", 150);
    put(150, "/htdocs", 150);
    put(300, "127.0.0.1", 150);
    put(450, "21", 15);
    put(465, "ftpuser", 75);
    put(540, "pw", 75);
    qToLittleEndian<qint16>(0, bytes.data() + 615);
    qToLittleEndian<qint16>(-1, bytes.data() + 617);
    put(1234, "User-agent: *", 617);
    put(2 * 1234, "Disallow: /caf\xe9", 617);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ProjectFile::Contents c;
    ASSERT_TRUE(ProjectFile::read(buffer, c));
    EXPECT_EQ(c.header.headerText, "Header from elsewhere");
    EXPECT_EQ(c.header.uploadDirectory, "/htdocs");
    EXPECT_EQ(c.header.server, "127.0.0.1");
    EXPECT_EQ(c.header.user, "ftpuser");
    EXPECT_EQ(c.header.password, "pw");
    EXPECT_EQ(c.header.binaryTransfer, 0);
    EXPECT_EQ(c.header.activeMode, -1);
    EXPECT_EQ(c.rows, (QStringList{RuleGrid::ruleLine(), "User-agent: *",
                                   QString::fromUtf8("Disallow: /caf\u00e9")}));
    // Written before protocols and secret stores: plain FTP, password in the file.
    EXPECT_EQ(c.header.protocol, ftp::Protocol::Ftp);
    EXPECT_EQ(c.header.trust, ftp::TrustPolicy::Ask);
    EXPECT_TRUE(c.header.rememberPassword);
    EXPECT_EQ(c.header.keyFile, "");
}

TEST(ProjectFile, SecureConnectionFieldsRoundTripInTheUnusedHeaderBytes)
{
    struct Case {
        ftp::Protocol protocol;
        ftp::TrustPolicy trust;
        bool remember;
        QString keyFile;
    } cases[] = {
        {ftp::Protocol::Ftp, ftp::TrustPolicy::Ask, true, ""},
        {ftp::Protocol::FtpExplicit, ftp::TrustPolicy::Refuse, true, ""},
        {ftp::Protocol::FtpsImplicit, ftp::TrustPolicy::Ask, false, ""},
        {ftp::Protocol::Sftp, ftp::TrustPolicy::Ask, false,
         QString::fromUtf8("/home/\u0161ef/.ssh/id_ed25519")},
    };
    for (const Case& c : cases) {
        ProjectHeader h;
        h.server = "example.org";
        h.password = "secret";
        h.protocol = c.protocol;
        h.trust = c.trust;
        h.rememberPassword = c.remember;
        h.keyFile = c.keyFile;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(ProjectFile::write(buffer, h, RuleGrid::newProjectTemplate()));
        const QByteArray bytes = buffer.data();
        const int protocolNumber = static_cast<int>(c.protocol);
        EXPECT_EQ(bytes.at(619), protocolNumber);
        EXPECT_EQ(bytes.at(621), c.remember ? 0 : 1);
        EXPECT_EQ(field(bytes, 624, 400),
                  c.keyFile.toUtf8() + QByteArray(400 - c.keyFile.toUtf8().size(), '\0'));
        EXPECT_EQ(field(bytes, 540, 75), padded(c.remember ? "secret" : "", 75))
            << "no password when not remembered";
        EXPECT_EQ(bytes.indexOf("secret"), c.remember ? 540 : -1);
        EXPECT_EQ(field(bytes, 1024, 210), QByteArray(210, '\0'));

        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        ProjectFile::Contents back;
        ASSERT_TRUE(ProjectFile::read(buffer, back));
        EXPECT_EQ(back.header.protocol, c.protocol);
        EXPECT_EQ(back.header.trust, c.trust);
        EXPECT_EQ(back.header.rememberPassword, c.remember);
        EXPECT_EQ(back.header.keyFile, c.keyFile);
        EXPECT_EQ(back.header.server, "example.org");
    }
}

TEST(ProjectFile, UnknownValuesInTheAddedBytesMeanPlainFtp)
{
    QByteArray bytes(1234, '\0');
    bytes[619] = 7; // a protocol this version does not know
    bytes[620] = 5;
    bytes[621] = 2;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ProjectFile::Contents c;
    ASSERT_TRUE(ProjectFile::read(buffer, c));
    EXPECT_EQ(c.header.protocol, ftp::Protocol::Ftp);
    EXPECT_EQ(c.header.trust, ftp::TrustPolicy::Ask);
    EXPECT_TRUE(c.header.rememberPassword);
}

TEST(ProjectFile, ShortMissingAndPartialFiles)
{
    struct Case {
        int length;
        int rows; // including row 0
    } cases[] = {{0, 1},
                 {100, 1},
                 {617, 1},
                 {618, 1},
                 {1234 + 617, 2},
                 {1234 + 618, 2},
                 {2 * 1234 + 700, 3},
                 {3 * 1234 + 617, 4},
                 {2 * 1234 + 617, 2}};
    for (const auto& c : cases) {
        QByteArray bytes(c.length, 'a');
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        ProjectFile::Contents contents;
        ASSERT_TRUE(ProjectFile::read(buffer, contents));
        EXPECT_EQ(contents.rows.size(), c.rows) << c.length;
        EXPECT_EQ(contents.rows.at(0), RuleGrid::ruleLine());
    }
    test::TempProgramDir dir;
    ProjectFile::Contents missing;
    ASSERT_TRUE(ProjectFile::load(dir.file("nothing.sfp"), missing));
    EXPECT_EQ(missing.rows, QStringList{RuleGrid::ruleLine()});
    EXPECT_EQ(missing.header.activeMode, -1);
    EXPECT_EQ(missing.header.binaryTransfer, -1);
}

// A header field with a character outside Windows-1252 would be saved with "?" in its place.
TEST(ProjectFile, NamesTheFirstHeaderFieldThatCannotBeStored)
{
    const struct {
        QString ProjectHeader::*field;
        QString text;
        const char* named; // "" when the field can be stored
    } cases[] = {
        {&ProjectHeader::password, QString::fromUtf8("sécret €?"), ""},
        {&ProjectHeader::password, QString::fromUtf8("pałka"), "password"},
        {&ProjectHeader::server, QString::fromUtf8("中.example"), "FTP server"},
        {&ProjectHeader::user, QString::fromUtf8("anna 😀"), "user name"},
        {&ProjectHeader::port, QString::fromUtf8("٢١"), "port"},
        {&ProjectHeader::headerText, QString::fromUtf8("☃ header"), "robots.txt header"},
        {&ProjectHeader::uploadDirectory, QString::fromUtf8("/šite/œuvre"), ""},
        {&ProjectHeader::uploadDirectory, QString::fromUtf8("/г"), "upload folder"},
    };
    for (const auto& c : cases) {
        ProjectHeader h;
        h.*c.field = c.text;
        EXPECT_EQ(ProjectFile::unstorableField(h), QString::fromLatin1(c.named)) << c.text.toStdString();
    }
}

TEST(ProjectFile, FailedWriteIsReported)
{
    QByteArray bytes;
    test::FailDevice device(&bytes, 1234 * 2);
    const Result<void> written = ProjectFile::write(device, ProjectHeader{}, RuleGrid::newProjectTemplate());
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.error, "simulated disk full");
}

// A project large enough that its writer asks the disk to take parts of it early comes back whole.
TEST(ProjectFile, ALargeProjectSavedToDiskReadsBackWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.sfp"));
    QStringList rows = RuleGrid::newProjectTemplate();
    while (rows.size() < 2000)
        rows.append(QStringLiteral("Disallow: /folder/page-%1.html").arg(rows.size()));
    ASSERT_TRUE(ProjectFile::save(path, ProjectHeader{}, rows).ok);
    EXPECT_EQ(QFileInfo(path).size(), 2000 * ProjectFile::kSlotSize);
    ProjectFile::Contents contents;
    ASSERT_TRUE(ProjectFile::load(path, contents).ok);
    EXPECT_EQ(contents.rows, rows);
}
